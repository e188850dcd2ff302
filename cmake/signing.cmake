# Authenticode signatures on the release packages (cpack): the programs are
# signed in the staging folder before they are packed, then the installer
# and the MSIs. The plain build stays unsigned and fast.
find_program(UPDATER_OSSLSIGNCODE osslsigncode)
find_program(UPDATER_OPENSSL openssl)
if(NOT UPDATER_OSSLSIGNCODE OR NOT UPDATER_OPENSSL)
  message(STATUS "osslsigncode or openssl not found: the release packages will not be signed")
  return()
endif()

set(CPACK_UPDATER_OSSLSIGNCODE ${UPDATER_OSSLSIGNCODE})
set(CPACK_UPDATER_OPENSSL ${UPDATER_OPENSSL})
set(CPACK_UPDATER_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/sign_staged_programs.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/sign_packages.cmake)
# The uninstaller that makensis writes into the installer is signed as it is
# made: makensis runs this on it before packing it (placed just before the
# installer's WriteUninstaller).
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "!uninstfinalize '${CMAKE_COMMAND} -DUPDATER_SIGN_FILE=%1 -DUPDATER_OSSLSIGNCODE=${UPDATER_OSSLSIGNCODE} -DUPDATER_OPENSSL=${UPDATER_OPENSSL} -DUPDATER_SIGNING_DIR=${CPACK_UPDATER_SIGNING_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/sign_tools.cmake' = 0")
