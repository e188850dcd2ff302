#!/bin/sh
# Checks the Authenticode signatures of the release packages (built by the
# release_packages test): every program and library packed in the zips, the
# MSIs and the installer carry a valid signature by the build's signing
# certificate.
#
#     signature_test.sh <build folder> <osslsigncode> <openssl>
set -eu
build="$1"
osslsigncode="$2"
openssl="$3"
signer="$build/signing/signer.pem"
[ -f "$signer" ] || { echo "no signing certificate in $build/signing: the packages were not signed"; exit 1; }

subject="$("$openssl" x509 -in "$signer" -noout -subject -nameopt compat | sed 's/^subject=//')"
issuer="$("$openssl" x509 -in "$signer" -noout -issuer -nameopt compat | sed 's/^issuer=//')"
# The throwaway certificate is its own authority; a real one chains to a root
# that the system trusts.
authorities="$signer"
[ "$subject" = "$issuer" ] || authorities=/etc/ssl/certs/ca-certificates.crt

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
for zip in "$build"/packages/*.zip; do
  unzip -q "$zip" '*.exe' '*.dll' -d "$unpacked/$(basename "$zip" .zip)" 2>/dev/null || true
done

checked=0
failed=0
for file in $(find "$unpacked" -type f) "$build"/packages/*.msi "$build"/packages/*.exe; do
  [ -f "$file" ] || continue
  checked=$((checked + 1))
  if ! out="$("$osslsigncode" verify -CAfile "$authorities" -in "$file" 2>&1)"; then
    echo "$file: no valid signature"; echo "$out" | tail -3; failed=1; continue
  fi
  signed_by="$(echo "$out" | sed -n 's/^[[:space:]]*Subject: //p' | head -1)"
  [ "$signed_by" = "$subject" ] || { echo "$file: signed by '$signed_by', not '$subject'"; failed=1; }
done
[ "$checked" -ge 6 ] || { echo "only $checked files to check: are the packages built?"; exit 1; }
[ "$failed" -eq 0 ] || exit 1
echo "$checked files signed by $subject"
