# The 32-bit program and simulator beside the 64-bit ones: a process loads
# only a library of its own architecture, and the device library may be of
# either. A 32-bit tree of this source builds them with the same tools and
# keys; the 32-bit program joins the distribution folder under its own name.
# The windows preset takes the windows32 tree for it, so the 32-bit programs
# are compiled once for both; this tree builds only their target there.
include(ExternalProject)

set(UPDATER_I686_DIR ${CMAKE_BINARY_DIR}/i686 CACHE PATH
    "The 32-bit tree that builds the 32-bit programs (the windows preset: the windows32 tree)")
set(UPDATER_I686_PROGRAM ${UPDATER_I686_DIR}/dist/${UPDATER_PROGRAM_32}.exe)
set(UPDATER_I686_SIMULATOR ${UPDATER_I686_DIR}/dist/hostapi_vmi.dll)
set(UPDATER_I686_CLI ${UPDATER_I686_DIR}/dist/${UPDATER_CLI_32}.exe)

# The same trusted catalogue keys; a list crosses into the nested build with |.
string(REPLACE ";" "|" catalogue_keys "${UPDATER_CATALOGUE_KEYS}")
ExternalProject_Add(i686_programs
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${UPDATER_I686_DIR}
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DUPDATER_HOST_TOOLS_DIR=${UPDATER_HOST_TOOLS_DIR}
    -DUPDATER_CATALOGUE_KEYS=${catalogue_keys}
  LIST_SEPARATOR |
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target programs
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${UPDATER_I686_PROGRAM} ${UPDATER_I686_SIMULATOR} ${UPDATER_I686_CLI}
)
add_dependencies(i686_programs host_tools)

add_custom_target(dist_i686 ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${UPDATER_I686_PROGRAM} ${UPDATER_DIST_DIR}/${UPDATER_PROGRAM_32}.exe
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${UPDATER_I686_CLI} ${UPDATER_DIST_DIR}/${UPDATER_CLI_32}.exe
  DEPENDS i686_programs
  COMMENT "Adding the 32-bit programs to the distribution folder"
  VERBATIM)
add_dependencies(dist_i686 dist_folder)
