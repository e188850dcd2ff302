# Authenticode signing of release files with osslsigncode. The certificate is
# the one named by VELTRANE_SIGNING_PFX when it is set (a release), otherwise
# a throwaway self-signed one made once per build tree (CI, developers).
#
# Included by the cpack signing scripts, which set UPDATER_OSSLSIGNCODE,
# UPDATER_OPENSSL and UPDATER_SIGNING_DIR; run on its own it signs one file:
#
#     cmake -DUPDATER_SIGN_FILE=<file> -DUPDATER_OSSLSIGNCODE=... -DUPDATER_OPENSSL=...
#           -DUPDATER_SIGNING_DIR=... -P sign_tools.cmake

cmake_policy(VERSION 3.25)  # also when run on its own (-P)

set(UPDATER_TEST_SIGNER "/O=Veltrane/CN=Veltrane Updater test signing")

function(updater_run_or_fail what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    file(REMOVE ${UPDATER_SIGNING_DIR}/password)
    message(FATAL_ERROR "${what} failed (${result}):\n${out}")
  endif()
endfunction()

# The throwaway certificate: valid for code signing, never committed, made
# again only when its folder was cleaned.
function(updater_make_test_certificate key cert)
  if(EXISTS ${key} AND EXISTS ${cert})
    return()
  endif()
  file(MAKE_DIRECTORY ${UPDATER_SIGNING_DIR})
  updater_run_or_fail("Making the test signing certificate"
    ${UPDATER_OPENSSL} req -x509 -newkey rsa:3072 -sha256 -days 3650 -nodes
    -keyout ${key} -out ${cert} -subj ${UPDATER_TEST_SIGNER}
    -addext "basicConstraints=critical,CA:FALSE"
    -addext "keyUsage=critical,digitalSignature"
    -addext "extendedKeyUsage=codeSigning")
endfunction()

# The password goes to osslsigncode in a file only its owner can read, never
# on a command line that every process can see.
function(updater_write_password_file out_var)
  set(file ${UPDATER_SIGNING_DIR}/password)
  file(MAKE_DIRECTORY ${UPDATER_SIGNING_DIR})
  file(TOUCH ${file})
  file(CHMOD ${file} PERMISSIONS OWNER_READ OWNER_WRITE)
  file(WRITE ${file} "$ENV{VELTRANE_SIGNING_PASSWORD}")
  set(${out_var} ${file} PARENT_SCOPE)
endfunction()

# Sets out_var to osslsigncode's arguments naming the key and certificate,
# and leaves the signing certificate in UPDATER_SIGNING_DIR/signer.pem for
# whoever checks the signatures.
function(updater_signing_identity out_var)
  set(signer ${UPDATER_SIGNING_DIR}/signer.pem)
  if(DEFINED ENV{VELTRANE_SIGNING_PFX} AND NOT "$ENV{VELTRANE_SIGNING_PFX}" STREQUAL "")
    set(pfx "$ENV{VELTRANE_SIGNING_PFX}")
    if(NOT EXISTS "${pfx}")
      message(FATAL_ERROR "VELTRANE_SIGNING_PFX names ${pfx}, which does not exist")
    endif()
    updater_write_password_file(password)
    set(read_certificate ${UPDATER_OPENSSL} pkcs12 -in ${pfx} -passin file:${password} -clcerts -nokeys -out ${signer})
    execute_process(COMMAND ${read_certificate} RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(NOT result EQUAL 0)
      # Older exports use ciphers that OpenSSL 3 keeps in its legacy provider.
      updater_run_or_fail("Reading the certificate of ${pfx}" ${read_certificate} -legacy)
    endif()
    set(${out_var} -pkcs12 ${pfx} -readpass ${password} PARENT_SCOPE)
  else()
    set(key ${UPDATER_SIGNING_DIR}/test_signing_key.pem)
    set(cert ${UPDATER_SIGNING_DIR}/test_signing_cert.pem)
    updater_make_test_certificate(${key} ${cert})
    file(COPY_FILE ${cert} ${signer} ONLY_IF_DIFFERENT)
    set(${out_var} -certs ${cert} -key ${key} PARENT_SCOPE)
  endif()
endfunction()

# Signs each file in place.
function(updater_sign_files)
  if(NOT ARGN)
    return()
  endif()
  updater_signing_identity(identity)
  set(timestamp "")
  if(NOT "$ENV{VELTRANE_SIGNING_TIMESTAMP_URL}" STREQUAL "")
    set(timestamp -ts "$ENV{VELTRANE_SIGNING_TIMESTAMP_URL}")
  endif()
  foreach(file IN LISTS ARGN)
    set(signed "${file}.signed")
    file(REMOVE "${signed}")
    updater_run_or_fail("Signing ${file}"
      ${UPDATER_OSSLSIGNCODE} sign ${identity} -h sha256 -n "Veltrane Updater" ${timestamp}
      -in ${file} -out ${signed})
    file(RENAME "${signed}" "${file}")
  endforeach()
  file(REMOVE ${UPDATER_SIGNING_DIR}/password)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE AND DEFINED UPDATER_SIGN_FILE)
  updater_sign_files("${UPDATER_SIGN_FILE}")
endif()
