# CLI11 and nlohmann-json, header-only, from Debian's packages (libcli11-dev,
# nlohmann-json3-dev) in both trees. The host tree uses their CMake
# packages. The Windows tree cannot put /usr/include on the cross
# compiler's path (it would take glibc's headers), so the two header folders
# are copied into the build tree and used from there.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json CONFIG REQUIRED)
  add_library(cli_header_libraries INTERFACE)
  target_link_libraries(cli_header_libraries INTERFACE CLI11::CLI11 nlohmann_json::nlohmann_json)
  return()
endif()

set(header_copy ${CMAKE_BINARY_DIR}/debian-headers)
foreach(pair "CLI/CLI.hpp;libcli11-dev" "nlohmann/json.hpp;nlohmann-json3-dev")
  list(GET pair 0 header)
  list(GET pair 1 package)
  string(REGEX REPLACE "/.*" "" folder ${header})
  find_path(found_${folder} ${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT found_${folder})
    message(FATAL_ERROR "${header} not found: install Debian's ${package} (scripts/install-deps.sh)")
  endif()
  file(COPY ${found_${folder}}/${folder} DESTINATION ${header_copy})
endforeach()
add_library(cli_header_libraries INTERFACE)
target_include_directories(cli_header_libraries SYSTEM INTERFACE ${header_copy})
