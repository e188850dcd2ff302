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

set(key_rows "")
set(key_count 0)
foreach(key IN LISTS UPDATER_CATALOGUE_KEYS)
  if(NOT IS_ABSOLUTE "${key}")
    set(key "${CMAKE_SOURCE_DIR}/${key}")
  endif()
  if(NOT EXISTS "${key}")
    message(FATAL_ERROR "UPDATER_CATALOGUE_KEYS: ${key} does not exist")
  endif()
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${key}")
  set(der "${CMAKE_BINARY_DIR}/catalogue_key_${key_count}.der")
  execute_process(COMMAND ${UPDATER_OPENSSL} pkey -pubin -in "${key}" -outform DER -out "${der}"
                  RESULT_VARIABLE refused OUTPUT_QUIET ERROR_QUIET)
  if(refused)
    message(FATAL_ERROR "UPDATER_CATALOGUE_KEYS: ${key} is not a PEM public key (a private key must never be named here)")
  endif()
  file(READ "${der}" hex HEX)
  file(REMOVE "${der}")
  string(LENGTH "${hex}" hex_chars)
  string(SUBSTRING "${hex}" 0 52 prefix)
  if(NOT hex_chars EQUAL 182 OR NOT prefix STREQUAL p256_der_prefix)
    message(FATAL_ERROR "UPDATER_CATALOGUE_KEYS: ${key} is not an ECDSA P-256 public key")
  endif()
  string(SUBSTRING "${hex}" 52 130 point)
  string(REGEX REPLACE "(..)" "0x\\1," point "${point}")
  string(APPEND key_rows "    {{${point}}},  // ${key}\n")
  if(key MATCHES "TEST-ONLY")
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

add_library(updater_catalogue_keys INTERFACE)
target_include_directories(updater_catalogue_keys INTERFACE ${UPDATER_GENERATED_DIR})
