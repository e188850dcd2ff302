#!/bin/sh
# Builds the Windows program and starts it under Wine against the simulated
# devices, with the distribution folder (build/windows/dist) as its working
# folder. With a display the window opens for you to use. Without one
# (DISPLAY unset) a virtual display is started and the tour of a typical
# update runs in it, saving a screenshot of each screen.
# Installs what is missing first.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

echo "== building (the first time takes a few minutes)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target VeltraneUpdater hostapi_vmi dist_folder dist_i686 >/dev/null
dist="$PWD/build/windows/dist"

if [ -z "${DISPLAY:-}" ]; then
  shots="$PWD/build/windows/tour"
  echo "== no display: running the tour in a virtual display"
  python3 tests/gui/tour.py "$dist" "$shots" "$PWD/build/windows32/dist/hostapi_vmi.dll"
  echo "== the screenshots of every screen are in $shots"
  exit 0
fi

# A Wine prefix of our own, made under this display (Wine takes its desktop
# size from the display it first meets).
export WINEPREFIX="${XDG_CACHE_HOME:-$HOME/.cache}/veltrane-updater/wine-desktop"
echo "== starting the updater (first start of Wine takes about 10 s)"
echo "   plug and unplug simulated devices by editing $dist/sim_devices.txt"
echo "   every call to the device library is traced to $dist/sim_trace.log"
root="$PWD"
cd "$dist"
exec "$root/scripts/wine-run" VeltraneUpdater.exe
