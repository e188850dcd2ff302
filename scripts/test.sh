#!/bin/sh
# Builds and runs every test. With no arguments: the host tree, the 32-bit
# Windows tree (built and checked with objdump: these machines cannot run
# 32-bit programs) and the 64-bit Windows tree (its tests under Wine). With
# arguments: those presets only (host, windows32, windows, asan, tsan; asan
# also runs the libFuzzer targets). Installs what is missing first.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

presets="${*:-host windows32 windows}"
jobs="$(nproc)"

for preset in $presets; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  case "$preset" in
    asan)
      ctest --preset "$preset" -j "$jobs"
      scripts/run-fuzzers.sh build/asan
      ;;
    windows)
      # Its window tests mostly wait for the program's pauses and screens,
      # each in a Wine prefix and a display of its own: at two a core the
      # cores stood idle half the time, so three a core.
      ctest --preset "$preset" -j "$((jobs * 3))"
      ;;
    *)
      ctest --preset "$preset" -j "$jobs"
      ;;
  esac
done
echo "== all tests passed: $presets"
