# Release packages of the Windows tree (cpack): the program for a Windows
# user who has the device library, and a separate simulator bundle that
# turns it into a demonstration without hardware.
if(NOT CMAKE_CROSSCOMPILING)
  return()
endif()

install(TARGETS VeltraneUpdater RUNTIME DESTINATION . COMPONENT program)
install(FILES
  ${UPDATER_DIST_DIR}/OpenSans-Regular.ttf
  ${UPDATER_DIST_DIR}/OpenSans-LICENSE.txt
  ${UPDATER_DIST_DIR}/pairing_help.html
  DESTINATION . COMPONENT program)
# The firmware files come with the devices; the folder waits for them.
install(FILES ${CMAKE_SOURCE_DIR}/ui/files_readme.txt DESTINATION files RENAME README.txt COMPONENT program)

install(FILES
  ${UPDATER_DIST_DIR}/hostapi_vmi.dll
  ${CMAKE_SOURCE_DIR}/sim/sim_devices.txt
  DESTINATION . COMPONENT simulator)
install(FILES ${CMAKE_SOURCE_DIR}/sim/README.md DESTINATION . RENAME SIMULATOR.md COMPONENT simulator)
install(DIRECTORY ${UPDATER_DIST_DIR}/files/ DESTINATION files COMPONENT simulator PATTERN README.txt EXCLUDE)

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
  set(CPACK_PACKAGE_EXECUTABLES "VeltraneUpdater" "Veltrane Updater")
  set(CPACK_NSIS_MUI_ICON ${UPDATER_ART_DIR}/app.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME "VeltraneUpdater.exe")
  set(CPACK_COMPONENT_PROGRAM_DISPLAY_NAME "Veltrane Updater")
  set(CPACK_COMPONENT_PROGRAM_REQUIRED ON)
  set(CPACK_COMPONENT_SIMULATOR_DISPLAY_NAME "Device simulator (for trying the updater without a device)")
  set(CPACK_COMPONENT_SIMULATOR_DISABLED ON)
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program simulator)
set(CPACK_ARCHIVE_PROGRAM_FILE_NAME "VeltraneUpdater-${PROJECT_VERSION}-win64")
set(CPACK_ARCHIVE_SIMULATOR_FILE_NAME "VeltraneUpdater-${PROJECT_VERSION}-simulator")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
