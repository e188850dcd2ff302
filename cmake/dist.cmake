# The distribution folder, build/<tree>/dist: everything the program finds
# relative to its working folder. The executable and the simulator library
# are built straight into it; this adds the rest.
set(UPDATER_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(open_sans /usr/share/fonts/truetype/open-sans/OpenSans-Regular.ttf)
set(open_sans_licence /usr/share/doc/fonts-open-sans/copyright)

add_custom_target(dist_folder ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${UPDATER_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${open_sans} ${UPDATER_DIST_DIR}/OpenSans-Regular.ttf
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${open_sans_licence} ${UPDATER_DIST_DIR}/OpenSans-LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/ui/pairing_help.html ${UPDATER_DIST_DIR}/pairing_help.html
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/sim/sim_devices.txt ${UPDATER_DIST_DIR}/sim_devices.txt
  COMMENT "Laying out the distribution folder"
  VERBATIM)
if(TARGET host_tools)
  add_dependencies(dist_folder host_tools)
  add_custom_command(TARGET dist_folder POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${UPDATER_SAMPLE_FILES_DIR} ${UPDATER_DIST_DIR}/files
    VERBATIM)
endif()
