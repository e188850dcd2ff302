#!/bin/sh
# Builds every release package (the zips, and the installer, the MSIs and
# the signatures where their tools are installed: the tests of those read
# what this builds) and checks what each zip carries: the program package
# holds both programs, stripped, and no simulator, device file or simulator
# state; each simulator bundle holds the simulator of its architecture and
# the sample firmware with its catalogue, signed with the test key. The
# packed programs trust exactly the keys the tree was configured with, and
# cpack packs programs that trust the TEST-ONLY key only as test packages.
# The manifests the refusal reads are checked against the packed bytes.
#
#     package_test.sh <build folder> <32-bit tree> <objdump> <openssl> <test key PEM> <configured key PEM>...
set -eu
build="$1"
i686="$2"
objdump="$3"
openssl="$4"
test_key="$5"
shift 5
cd "$build"

# A key's 65-byte point in hexadecimal, as the manifests list it.
point_of() { "$openssl" pkey -pubin -in "$1" -outform DER | tail -c 65 | od -An -tx1 -v | tr -d ' \n'; }
# Each tree that builds packed programs (this one, the 32-bit one) lists
# the keys they trust beside its catalogue_keys.h.
configured="$(for key in "$@"; do point_of "$key"; echo; done | sort)"
for manifest in generated/trusted_catalogue_keys.txt "$i686/generated/trusted_catalogue_keys.txt"; do
  [ "$(cut -d' ' -f1 "$manifest" | sort)" = "$configured" ] ||
    { echo "$manifest does not list exactly the configured keys:"; cat "$manifest"; exit 1; }
done

# The test key is known by its point, whatever its file is called.
test_point="$(point_of "$test_key")"
named=""
for key in "$@"; do [ "$(point_of "$key")" = "$test_point" ] && named="$key"; done

rm -rf packages
if [ -n "$named" ]; then
  if cpack >cpack.log 2>&1; then echo "cpack packed programs that trust the TEST-ONLY key"; exit 1; fi
  grep -qF "$named" cpack.log && grep -q -- "-DUPDATER_CATALOGUE_KEYS=" cpack.log ||
    { cat cpack.log; echo "the refusal names neither the key nor how to name the maker's"; exit 1; }
  export VELTRANE_TEST_PACKAGES=1
fi
cpack >cpack.log 2>&1 || { cat cpack.log; exit 1; }
program="$(unzip -Z1 packages/VeltraneUpdater-*-windows.zip)"
for wanted in VeltraneUpdater.exe VeltraneUpdater32.exe veltrane-cli.exe veltrane-cli32.exe README.txt OpenSans-Regular.ttf pairing_help.html files/README.txt; do
  echo "$program" | grep -qx "$wanted" || { echo "program package lacks $wanted"; exit 1; }
done
if echo "$program" | grep -qE 'hostapi_vmi|sim_devices|sim_state|sim_trace|_ef|catalogue'; then
  echo "program package carries simulator files:"; echo "$program"; exit 1
fi

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
machine_of() { "$objdump" -f "$1" | sed -n 's/.*file format //p'; }
unzip -q packages/VeltraneUpdater-*-windows.zip VeltraneUpdater.exe VeltraneUpdater32.exe -d "$unpacked/program"
[ "$(machine_of "$unpacked/program/VeltraneUpdater.exe")" = pei-x86-64 ] || { echo "VeltraneUpdater.exe is not 64-bit"; exit 1; }
[ "$(machine_of "$unpacked/program/VeltraneUpdater32.exe")" = pei-i386 ] || { echo "VeltraneUpdater32.exe is not 32-bit"; exit 1; }
# Shipped programs of both architectures are stripped: debug sections would
# add megabytes (the MSIs and the installer take the same staged files).
unzip -q packages/VeltraneUpdater-*-windows.zip veltrane-cli.exe veltrane-cli32.exe -d "$unpacked/program"
for shipped in VeltraneUpdater.exe VeltraneUpdater32.exe veltrane-cli.exe veltrane-cli32.exe; do
  if "$objdump" -h "$unpacked/program/$shipped" | grep -q '\.debug_'; then
    echo "$shipped is packed with its debug sections"; exit 1
  fi
done
# What the manifests say, in the shipped bytes: each packed program holds
# the point of every configured key, and the test key's only when it is one.
for shipped in VeltraneUpdater.exe VeltraneUpdater32.exe veltrane-cli.exe veltrane-cli32.exe; do
  od -An -tx1 -v "$unpacked/program/$shipped" | tr -d ' \n' >"$unpacked/bytes"
  held="$(for point in $(printf '%s\n%s\n' "$configured" "$test_point" | sort -u); do
    grep -qF "$point" "$unpacked/bytes" && echo "$point"; done | sort)"
  [ "$held" = "$configured" ] || { echo "$shipped does not trust exactly the configured keys"; exit 1; }
done

for bits in 64 32; do
  bundle="$(ls packages/VeltraneUpdater-*-simulator-${bits}bit.zip)"
  simulator="$(unzip -Z1 "$bundle")"
  for wanted in hostapi_vmi.dll sim_devices.txt SIMULATOR.md; do
    echo "$simulator" | grep -qx "$wanted" || { echo "$bundle lacks $wanted"; exit 1; }
  done
  echo "$simulator" | grep -q '^files/RX93_Headset_v' || { echo "$bundle lacks the sample firmware"; exit 1; }
  for signed in catalogue.json catalogue.json.sig; do
    unzip -p "$bundle" "files/$signed" | cmp -s - "dist/files/$signed" || { echo "$bundle lacks the build's files/$signed"; exit 1; }
  done
  unzip -q "$bundle" hostapi_vmi.dll -d "$unpacked/$bits"
  expected=pei-x86-64
  [ "$bits" = 32 ] && expected=pei-i386
  [ "$(machine_of "$unpacked/$bits/hostapi_vmi.dll")" = "$expected" ] || { echo "$bundle: the simulator is not $expected"; exit 1; }
done
echo "packages: $(ls packages/*.zip | tr '\n' ' ')"
