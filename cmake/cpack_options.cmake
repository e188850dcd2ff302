# Read by cpack for each generator: settings that differ between them.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_COMPONENTS_ALL program simulator)
endif()
