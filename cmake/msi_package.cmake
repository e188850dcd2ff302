# cpack's External generator: the two MSIs, x64 and x86, from the staged
# program component (signed by then).
set(UPDATER_WIXL ${CPACK_UPDATER_WIXL})
set(UPDATER_WIXL_HEAT ${CPACK_UPDATER_WIXL_HEAT})
include(${CMAKE_CURRENT_LIST_DIR}/msi_build.cmake)

set(staging ${CPACK_TEMPORARY_DIRECTORY}/program)
set(CPACK_EXTERNAL_BUILT_PACKAGES "")
foreach(arch x64 x86)
  set(msi ${CPACK_TOPLEVEL_DIRECTORY}/VeltraneUpdater-${CPACK_PACKAGE_VERSION}-${arch}.msi)
  updater_build_msi(${arch} ${staging} ${CPACK_PACKAGE_VERSION} ${msi} ${CPACK_UPDATER_MSI_ICON})
  list(APPEND CPACK_EXTERNAL_BUILT_PACKAGES ${msi})
endforeach()
