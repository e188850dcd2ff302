#!/bin/sh
# Builds the release packages and checks what each carries: the program
# package holds no simulator, device file or simulator state; the simulator
# bundle holds the simulator and its sample firmware.
set -eu
build="$1"
cd "$build"
rm -rf packages
cpack -G ZIP >/dev/null
program="$(unzip -Z1 packages/VeltraneUpdater-*-win64.zip)"
simulator="$(unzip -Z1 packages/VeltraneUpdater-*-simulator.zip)"
for wanted in VeltraneUpdater.exe OpenSans-Regular.ttf pairing_help.html files/README.txt; do
  echo "$program" | grep -qx "$wanted" || { echo "program package lacks $wanted"; exit 1; }
done
if echo "$program" | grep -qE 'hostapi_vmi|sim_devices|sim_state|sim_trace|_ef'; then
  echo "program package carries simulator files:"; echo "$program"; exit 1
fi
for wanted in hostapi_vmi.dll sim_devices.txt; do
  echo "$simulator" | grep -qx "$wanted" || { echo "simulator bundle lacks $wanted"; exit 1; }
done
echo "$simulator" | grep -q '^files/RX93_Headset_v' || { echo "simulator bundle lacks the sample firmware"; exit 1; }
echo "packages: $(ls packages/*.zip | tr '\n' ' ')"
