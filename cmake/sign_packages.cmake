# cpack, after packing: signs the installer and the MSIs themselves (a zip
# carries no signature of its own; its programs are signed).
set(UPDATER_OSSLSIGNCODE ${CPACK_UPDATER_OSSLSIGNCODE})
set(UPDATER_OPENSSL ${CPACK_UPDATER_OPENSSL})
set(UPDATER_SIGNING_DIR ${CPACK_UPDATER_SIGNING_DIR})
include(${CMAKE_CURRENT_LIST_DIR}/sign_tools.cmake)

set(packages "")
foreach(file IN LISTS CPACK_PACKAGE_FILES)
  if(file MATCHES "\\.(exe|msi)$")
    list(APPEND packages ${file})
  endif()
endforeach()
updater_sign_files(${packages})
