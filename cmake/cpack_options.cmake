# Read by cpack for each generator: settings that differ between them, and
# the refusal of programs that trust the test catalogue key.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_COMPONENTS_ALL program simulator)
endif()
# The MSIs carry the programs only (cmake/msi.cmake says why).
if(CPACK_GENERATOR STREQUAL "External")
  set(CPACK_COMPONENTS_ALL program)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/release_keys_check.cmake)
