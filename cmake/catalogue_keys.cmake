# The public keys the program trusts to sign the firmware catalogue, built
# in: each PEM file of UPDATER_CATALOGUE_KEYS becomes its 65-byte point in
# the generated header catalogue_keys.h (target updater_catalogue_keys).
# More than one key lets the maker roll to a new key while catalogues
# signed with the old one still verify.
set(UPDATER_CATALOGUE_KEYS ${CMAKE_SOURCE_DIR}/keys/catalogue-TEST-ONLY-public.pem CACHE STRING
    "The public keys (PEM files, a CMake list) trusted to sign catalogue.json; a release names the maker's own")

find_program(UPDATER_OPENSSL openssl)
if(NOT UPDATER_OPENSSL)
  message(FATAL_ERROR "openssl is missing: run scripts/install-deps.sh")
endif()

# The DER of every P-256 public key in its uncompressed form starts with
# these 26 bytes (the algorithm, the curve and the bit string's header);
# the 65 bytes after them are the point.
set(p256_der_prefix "3059301306072a8648ce3d020106082a8648ce3d030107034200")

# Sets out_var to the 65-byte point of the P-256 public key in `pem`, in
# hexadecimal; configuration fails on any other file.
function(updater_catalogue_key_point pem out_var)
  set(der "${CMAKE_BINARY_DIR}/catalogue_key.der")
  execute_process(COMMAND ${UPDATER_OPENSSL} pkey -pubin -in "${pem}" -outform DER -out "${der}"
                  RESULT_VARIABLE refused OUTPUT_QUIET ERROR_QUIET)
  if(refused)
    message(FATAL_ERROR "UPDATER_CATALOGUE_KEYS: ${pem} is not a PEM public key (a private key must never be named here)")
  endif()
  file(READ "${der}" hex HEX)
  file(REMOVE "${der}")
  string(LENGTH "${hex}" hex_chars)
  string(SUBSTRING "${hex}" 0 52 prefix)
  if(NOT hex_chars EQUAL 182 OR NOT prefix STREQUAL p256_der_prefix)
    message(FATAL_ERROR "UPDATER_CATALOGUE_KEYS: ${pem} is not an ECDSA P-256 public key")
  endif()
  string(SUBSTRING "${hex}" 52 130 point)
  set(${out_var} ${point} PARENT_SCOPE)
endfunction()

# The test key is told by its point, not its file name: a copy under
# another name is still the test key.
set(UPDATER_TEST_CATALOGUE_KEY ${CMAKE_SOURCE_DIR}/keys/catalogue-TEST-ONLY-public.pem)
updater_catalogue_key_point(${UPDATER_TEST_CATALOGUE_KEY} UPDATER_TEST_CATALOGUE_POINT)

# Beside the header, the manifest of the keys this tree's programs trust, one
# line each: the point in hexadecimal and the PEM file. The release packages
# are checked against it (cmake/release_keys_check.cmake).
set(key_rows "")
set(manifest "")
set(key_count 0)
set(UPDATER_CATALOGUE_KEY_FILES "")
set(UPDATER_TRUSTS_TEST_KEY OFF)
foreach(key IN LISTS UPDATER_CATALOGUE_KEYS)
  if(NOT IS_ABSOLUTE "${key}")
    set(key "${CMAKE_SOURCE_DIR}/${key}")
  endif()
  if(NOT EXISTS "${key}")
    message(FATAL_ERROR "UPDATER_CATALOGUE_KEYS: ${key} does not exist")
  endif()
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${key}")
  list(APPEND UPDATER_CATALOGUE_KEY_FILES "${key}")
  updater_catalogue_key_point("${key}" point)
  string(APPEND manifest "${point} ${key}\n")
  string(REGEX REPLACE "(..)" "0x\\1," bytes "${point}")
  string(APPEND key_rows "    {{${bytes}}},  // ${key}\n")
  if(point STREQUAL UPDATER_TEST_CATALOGUE_POINT)
    set(UPDATER_TRUSTS_TEST_KEY ON)
    message(STATUS "Catalogue keys: trusting the TEST-ONLY key ${key}; never for a release")
  endif()
  math(EXPR key_count "${key_count} + 1")
endforeach()
if(key_count EQUAL 0)
  message(FATAL_ERROR "UPDATER_CATALOGUE_KEYS names no key: the catalogue could never verify")
endif()

set(UPDATER_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(CONFIGURE OUTPUT ${UPDATER_GENERATED_DIR}/catalogue_keys.h CONTENT
"// Written by cmake/catalogue_keys.cmake from UPDATER_CATALOGUE_KEYS; do not edit.
#pragma once

#include \"firmware/signed_catalogue.h\"

inline constexpr int kBuiltInCatalogueKeyCount = @key_count@;
inline constexpr CatalogueKey kBuiltInCatalogueKeys[kBuiltInCatalogueKeyCount] = {
@key_rows@};
" @ONLY)

file(CONFIGURE OUTPUT ${UPDATER_GENERATED_DIR}/trusted_catalogue_keys.txt CONTENT "${manifest}" @ONLY)

add_library(updater_catalogue_keys INTERFACE)
target_include_directories(updater_catalogue_keys INTERFACE ${UPDATER_GENERATED_DIR})
