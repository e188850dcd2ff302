# MSIs for company deployment (cpack's External generator runs wixl): one per
# architecture, with the program component only. The simulator stays in its
# zips: it would be installed as hostapi_vmi.dll, the very file the vendor's
# library must take, and Windows Installer would restore it over the vendor's
# on a repair and delete the vendor's on uninstall; and it writes its trace
# and memory into its folder, which Program Files does not allow.
find_program(UPDATER_WIXL wixl)
find_program(UPDATER_WIXL_HEAT wixl-heat)
if(NOT UPDATER_WIXL OR NOT UPDATER_WIXL_HEAT)
  message(STATUS "wixl not found: no MSIs")
  return()
endif()
list(APPEND CPACK_GENERATOR External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_SOURCE_DIR}/cmake/msi_package.cmake)
set(CPACK_UPDATER_WIXL ${UPDATER_WIXL})
set(CPACK_UPDATER_WIXL_HEAT ${UPDATER_WIXL_HEAT})
set(CPACK_UPDATER_MSI_ICON ${UPDATER_ART_DIR}/app.ico)
