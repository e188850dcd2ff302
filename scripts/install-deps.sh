#!/bin/sh
# Installs the Debian packages the build, the tests and the run command need,
# when any is missing. Needs root (or sudo) only when something is missing.
# Never wine32: these machines cannot run 32-bit programs, and with it
# installed /usr/bin/wine picks its 32-bit loader and the 64-bit Wine breaks.
set -eu

PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev googletest libbenchmark-dev pkg-config
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-tools
  wine wine64 xvfb xdotool x11-utils imagemagick
  libcairo2-dev zlib1g-dev libz-mingw-w64-dev libssl-dev libcli11-dev nlohmann-json3-dev fonts-open-sans zip unzip nsis python3
  msitools wixl osslsigncode openssl"

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
as_root=""
if [ "$(id -u)" -ne 0 ]; then as_root="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -qq
# shellcheck disable=SC2086
$as_root apt-get install -y -qq --no-install-recommends $missing >/dev/null
