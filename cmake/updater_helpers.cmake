# Small helpers shared by the folders' CMakeLists.

# The names of the device library's entry points, read from the one list that
# declares them, so that export tables are generated from it as well.
function(updater_entry_point_names out_var)
  file(READ ${CMAKE_SOURCE_DIR}/device/entry_points.h text)
  string(REGEX MATCHALL "\n  X\\([A-Za-z]+," entries "${text}")
  set(names "")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "\n  X\\(([A-Za-z]+)," "\\1" name "${entry}")
    list(APPEND names ${name})
  endforeach()
  list(LENGTH names count)
  if(NOT count EQUAL 22)
    message(FATAL_ERROR "device/entry_points.h declares ${count} entry points, not 22")
  endif()
  set(${out_var} ${names} PARENT_SCOPE)
endfunction()
