# Builds the MSI of one architecture with wixl from the staged program
# component: its files, less the programs of the other architecture and the
# README that helps choose between the two (choosing the MSI made that
# choice). Included by the cpack MSI script; run on its own it builds one:
#
#     cmake -DUPDATER_MSI_ARCH=x64|x86 -DUPDATER_MSI_STAGING=<folder> -DUPDATER_MSI_VERSION=<a.b.c>
#           -DUPDATER_MSI_OUTPUT=<file.msi> -DUPDATER_MSI_ICON=<app.ico> -DUPDATER_WIXL=<wixl>
#           -DUPDATER_WIXL_HEAT=<wixl-heat> -P msi_build.cmake

cmake_policy(VERSION 3.25)  # also when run on its own (-P)

# Fixed for good: Windows Installer finds the earlier versions it replaces by
# the UpgradeCode, and keeps track of the shortcut by its component's code.
set(UPDATER_MSI_UPGRADE_CODE_x64 3EFDD2FD-F92A-4BF1-A948-3ADE621999A6)
set(UPDATER_MSI_UPGRADE_CODE_x86 8707C5C9-DA0A-49B0-8AD4-4890530CEB87)
set(UPDATER_MSI_SHORTCUT_GUID_x64 A863C15A-78D7-4034-942B-F3F20B29AA25)
set(UPDATER_MSI_SHORTCUT_GUID_x86 9830EABF-C9BD-4067-B90B-03FBDCDB4440)
set(UPDATER_MSI_PROGRAM_x64 VeltraneUpdater.exe)
set(UPDATER_MSI_PROGRAM_x86 VeltraneUpdater32.exe)
set(UPDATER_MSI_NAME_x64 "Veltrane Updater")
set(UPDATER_MSI_NAME_x86 "Veltrane Updater (32-bit)")
set(UPDATER_MSI_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/msi_product.wxs)

# Sets out_var to x64 or x86 for a Windows program or library of that
# machine, and to nothing for any other file.
function(updater_pe_machine file out_var)
  set(${out_var} "" PARENT_SCOPE)
  file(SIZE ${file} size)
  if(size LESS 64)
    return()
  endif()
  file(READ ${file} magic LIMIT 2 HEX)
  if(NOT magic STREQUAL "4d5a")
    return()
  endif()
  file(READ ${file} offset OFFSET 60 LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" offset "${offset}")
  math(EXPR offset "0x${offset}")
  file(READ ${file} header OFFSET ${offset} LIMIT 6 HEX)
  if(header STREQUAL "504500006486")
    set(${out_var} x64 PARENT_SCOPE)
  elseif(header STREQUAL "504500004c01")
    set(${out_var} x86 PARENT_SCOPE)
  endif()
endfunction()

# The staged files that belong in the MSI of `arch`, relative to `staging`.
function(updater_msi_files staging arch out_var)
  file(GLOB_RECURSE staged LIST_DIRECTORIES false RELATIVE ${staging} ${staging}/*)
  list(SORT staged)
  set(kept "")
  foreach(file IN LISTS staged)
    updater_pe_machine(${staging}/${file} machine)
    if(file STREQUAL "README.txt" OR (machine AND NOT machine STREQUAL arch))
      continue()
    endif()
    list(APPEND kept ${file})
  endforeach()
  set(${out_var} ${kept} PARENT_SCOPE)
endfunction()

function(updater_wixl_or_fail what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${out}")
  endif()
endfunction()

function(updater_build_msi arch staging version output icon)
  set(program ${UPDATER_MSI_PROGRAM_${arch}})
  updater_msi_files(${staging} ${arch} files)
  if(NOT program IN_LIST files)
    message(FATAL_ERROR "The ${arch} MSI needs ${program}, which ${staging} lacks")
  endif()

  # wixl reads every source relative to the folder of its .wxs files.
  get_filename_component(output_dir ${output} DIRECTORY)
  set(work ${output_dir}/wixl-${arch})
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work})
  file(COPY_FILE ${UPDATER_MSI_TEMPLATE} ${work}/product.wxs)
  file(COPY_FILE ${icon} ${work}/app.ico)
  list(TRANSFORM files PREPEND ${staging}/ OUTPUT_VARIABLE paths)
  list(JOIN paths "\n" listing)
  file(WRITE ${work}/files.txt "${listing}\n")
  execute_process(
    COMMAND ${UPDATER_WIXL_HEAT} -p ${staging}/ --directory-ref INSTALLDIR --component-group ProgramFiles
            --var var.SourceDir
    INPUT_FILE ${work}/files.txt RESULT_VARIABLE result OUTPUT_VARIABLE fragment ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "wixl-heat failed (${result}):\n${errors}")
  endif()
  # Components of a 64-bit package are 64-bit: their registry and folders
  # are not redirected to the 32-bit views.
  string(REGEX REPLACE "<Component (Id=\"[^\"]*\" Guid=\"\\*\")>" "<Component \\1 Win64=\"$(var.Win64)\">"
         fragment "${fragment}")
  file(WRITE ${work}/files.wxs "${fragment}")

  file(RELATIVE_PATH source_dir ${work} ${staging})
  set(win64 no)
  set(program_files ProgramFilesFolder)
  if(arch STREQUAL x64)
    set(win64 yes)
    set(program_files ProgramFiles64Folder)
  endif()
  # One product code per architecture and version: building a version again
  # gives the same product, never a second entry beside the first.
  string(UUID product_code NAMESPACE ${UPDATER_MSI_UPGRADE_CODE_${arch}} NAME "${version}" TYPE SHA1 UPPER)
  updater_wixl_or_fail("wixl"
    ${UPDATER_WIXL} -a ${arch} -o ${output}
    -D Version=${version} -D ProductCode=${product_code} -D UpgradeCode=${UPDATER_MSI_UPGRADE_CODE_${arch}}
    -D ShortcutGuid=${UPDATER_MSI_SHORTCUT_GUID_${arch}} -D ProductName=${UPDATER_MSI_NAME_${arch}}
    -D Program=${program} -D ProgramFilesFolder=${program_files} -D Win64=${win64}
    -D Icon=app.ico -D SourceDir=${source_dir}
    ${work}/product.wxs ${work}/files.wxs
    WORKING_DIRECTORY ${work})
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  updater_build_msi(${UPDATER_MSI_ARCH} ${UPDATER_MSI_STAGING} ${UPDATER_MSI_VERSION} ${UPDATER_MSI_OUTPUT}
                    ${UPDATER_MSI_ICON})
endif()
