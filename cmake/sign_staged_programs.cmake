# cpack, before packing: signs every program and library staged for the
# package, so that the zip, the installer and the MSI carry signed files.
set(UPDATER_OSSLSIGNCODE ${CPACK_UPDATER_OSSLSIGNCODE})
set(UPDATER_OPENSSL ${CPACK_UPDATER_OPENSSL})
set(UPDATER_SIGNING_DIR ${CPACK_UPDATER_SIGNING_DIR})
include(${CMAKE_CURRENT_LIST_DIR}/sign_tools.cmake)

file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*.exe" "${CPACK_TEMPORARY_DIRECTORY}/*.dll")
list(LENGTH staged count)
message(STATUS "Signing ${count} staged programs and libraries")
updater_sign_files(${staged})
