# cpack, for each generator before anything is packed: refuses programs
# built to trust the TEST-ONLY catalogue key, whose private half is in the
# repository. Each tree that built packed programs (the 64-bit one and its
# nested 32-bit one) left the manifest of its trusted keys beside its
# catalogue_keys.h. Packages meant only for tests say so with
# VELTRANE_TEST_PACKAGES=1; the simulator bundles carry no program.
foreach(manifest IN LISTS CPACK_UPDATER_KEY_MANIFESTS)
  if(NOT EXISTS "${manifest}")
    message(FATAL_ERROR "${manifest} is missing: build the tree before packing it")
  endif()
  file(STRINGS "${manifest}" keys)
  foreach(key IN LISTS keys)
    string(REGEX MATCH "^([0-9a-f]+) (.*)$" ignored "${key}")
    if(CMAKE_MATCH_1 STREQUAL CPACK_UPDATER_TEST_KEY_POINT AND NOT "$ENV{VELTRANE_TEST_PACKAGES}" STREQUAL "1")
      message(FATAL_ERROR
        "The programs to be packed trust the TEST-ONLY catalogue key ${CMAKE_MATCH_2} "
        "(listed in ${manifest}). Its private key is public: no release may trust it. "
        "Configure this tree with the maker's own public keys and build it again, for example\n"
        "  cmake --preset windows -DUPDATER_CATALOGUE_KEYS=\"/keys/maker-2026.pem;/keys/maker-2027.pem\"\n"
        "Packages only for tests: VELTRANE_TEST_PACKAGES=1 cpack")
    endif()
  endforeach()
endforeach()
