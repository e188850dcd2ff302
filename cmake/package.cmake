# Release packages of the 64-bit Windows tree (cpack): both programs (64-bit
# and 32-bit, for either kind of device library) for a Windows user who has
# the device library, and a simulator bundle of each architecture that turns
# them into a demonstration without hardware.
if(NOT CMAKE_CROSSCOMPILING OR NOT TARGET i686_programs)
  return()
endif()

install(TARGETS VeltraneUpdater veltrane-cli RUNTIME DESTINATION . COMPONENT program)
install(PROGRAMS ${UPDATER_I686_PROGRAM} ${UPDATER_I686_CLI} DESTINATION . COMPONENT program)
# cpack strips the targets it installs with this tree's (64-bit) tools; the
# 32-bit programs come from the nested build as files, so they are stripped
# here, in the staging folder, before they are signed and packed.
find_program(UPDATER_I686_STRIP i686-w64-mingw32-strip REQUIRED)
foreach(program ${UPDATER_PROGRAM_32}.exe ${UPDATER_CLI_32}.exe)
  install(CODE "execute_process(COMMAND \"${UPDATER_I686_STRIP}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${program}\" COMMAND_ERROR_IS_FATAL ANY)"
          COMPONENT program)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/ui/programs_readme.txt DESTINATION . RENAME README.txt COMPONENT program)
install(FILES
  ${UPDATER_DIST_DIR}/OpenSans-Regular.ttf
  ${UPDATER_DIST_DIR}/OpenSans-LICENSE.txt
  ${UPDATER_DIST_DIR}/pairing_help.html
  DESTINATION . COMPONENT program)
# The firmware files come with the devices; the folder waits for them.
install(FILES ${CMAKE_SOURCE_DIR}/ui/files_readme.txt DESTINATION files RENAME README.txt COMPONENT program)

# One simulator bundle per architecture: the library must match the program
# that loads it, and both are named hostapi_vmi.dll.
foreach(component simulator simulator32)
  if(component STREQUAL simulator)
    set(library ${UPDATER_DIST_DIR}/hostapi_vmi.dll)
  else()
    set(library ${UPDATER_I686_SIMULATOR})
  endif()
  install(FILES ${library} ${CMAKE_SOURCE_DIR}/sim/sim_devices.txt DESTINATION . COMPONENT ${component})
  install(FILES ${CMAKE_SOURCE_DIR}/sim/README.md DESTINATION . RENAME SIMULATOR.md COMPONENT ${component})
  install(DIRECTORY ${UPDATER_DIST_DIR}/files/ DESTINATION files COMPONENT ${component} PATTERN README.txt EXCLUDE)
endforeach()

set(CPACK_PACKAGE_NAME "VeltraneUpdater")
set(CPACK_PACKAGE_VENDOR "Veltrane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for the Veltrane headsets and their USB adapter")
set(CPACK_GENERATOR ZIP)
find_program(UPDATER_MAKENSIS makensis)
if(UPDATER_MAKENSIS)
  # An installer too, with the simulator as an optional part.
  list(APPEND CPACK_GENERATOR NSIS)
  set(CPACK_NSIS_DISPLAY_NAME "Veltrane Updater")
  set(CPACK_PACKAGE_INSTALL_DIRECTORY "Veltrane Updater")
  # The Start-menu shortcut, written out: cpack's own (CPACK_PACKAGE_EXECUTABLES)
  # points into a bin folder, and the program is installed at the top. The
  # shortcut's working folder is the one SetOutPath names, and the program
  # finds its library, font and files relative to it.
  set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "  SetOutPath \\\"$INSTDIR\\\"\n  CreateShortCut \\\"$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Veltrane Updater.lnk\\\" \\\"$INSTDIR\\\\VeltraneUpdater.exe\\\"")
  set(CPACK_NSIS_DELETE_ICONS_EXTRA "  Delete \\\"$SMPROGRAMS\\\\$MUI_TEMP\\\\Veltrane Updater.lnk\\\"")
  set(CPACK_NSIS_MUI_ICON ${UPDATER_ART_DIR}/app.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME "VeltraneUpdater.exe")
  set(CPACK_COMPONENT_PROGRAM_DISPLAY_NAME "Veltrane Updater")
  set(CPACK_COMPONENT_PROGRAM_REQUIRED ON)
  set(CPACK_COMPONENT_SIMULATOR_DISPLAY_NAME "Device simulator (for trying the updater without a device)")
  set(CPACK_COMPONENT_SIMULATOR_DISABLED ON)
endif()
include(${CMAKE_SOURCE_DIR}/cmake/msi.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/signing.cmake)
set(CPACK_STRIP_FILES ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program simulator simulator32)
set(CPACK_ARCHIVE_PROGRAM_FILE_NAME "VeltraneUpdater-${PROJECT_VERSION}-windows")
set(CPACK_ARCHIVE_SIMULATOR_FILE_NAME "VeltraneUpdater-${PROJECT_VERSION}-simulator-64bit")
set(CPACK_ARCHIVE_SIMULATOR32_FILE_NAME "VeltraneUpdater-${PROJECT_VERSION}-simulator-32bit")
# The installer offers the 64-bit simulator only: both would be installed as
# the same hostapi_vmi.dll.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_options.cmake)
# What cmake/release_keys_check.cmake reads: the trusted keys of the trees
# that built the programs, and the test key's point.
set(CPACK_UPDATER_KEY_MANIFESTS ${UPDATER_GENERATED_DIR}/trusted_catalogue_keys.txt
    ${UPDATER_I686_DIR}/generated/trusted_catalogue_keys.txt)
set(CPACK_UPDATER_TEST_KEY_POINT ${UPDATER_TEST_CATALOGUE_POINT})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
