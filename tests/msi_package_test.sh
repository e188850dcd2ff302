#!/bin/sh
# Checks the two MSIs (built by the release_packages test) without installing
# them: each holds the programs of its architecture (the window's and the
# command line's) and no simulator, goes per machine into the Program Files
# of its architecture with a Start-menu shortcut that starts the program in
# its folder, carries the project's version, and keeps its architecture's
# UpgradeCode, by which Windows Installer finds the versions it replaces:
# that code never changes.
#
#     msi_package_test.sh <build folder> <version>
set -eu
build="$1"
version="$2"

failed=0
fail() {
  echo "$msi: $*"
  failed=1
}
table() { msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4; }
property() { table Property | sed -n "s/^$1\t//p"; }

for arch in x64 x86; do
  msi="$build/packages/VeltraneUpdater-$version-$arch.msi"
  [ -f "$msi" ] || { echo "no $msi"; exit 1; }
  if [ "$arch" = x64 ]; then
    program=VeltraneUpdater.exe cli=veltrane-cli.exe other='VeltraneUpdater32|veltrane-cli32'
    folder=ProgramFiles64Folder
    upgrade_code='{3EFDD2FD-F92A-4BF1-A948-3ADE621999A6}' template='x64;1033'
  else
    program=VeltraneUpdater32.exe cli=veltrane-cli32.exe other='VeltraneUpdater|veltrane-cli'
    folder=ProgramFilesFolder
    upgrade_code='{8707C5C9-DA0A-49B0-8AD4-4890530CEB87}' template='Intel;1033'
  fi
  # As installed, relative to the install folder.
  files="$(msiextract --list "$msi" | sed 's|^.*Veltrane Updater/||')"
  for wanted in "$program" "$cli" OpenSans-Regular.ttf pairing_help.html files/README.txt; do
    echo "$files" | grep -qx "$wanted" || fail "lacks $wanted"
  done
  unwanted="$(echo "$files" | grep -E "^($other)\.exe\$|^(hostapi_vmi\.dll|sim_devices\.txt|README\.txt)\$|_ef\.txt\$|catalogue\.json" || true)"
  [ -z "$unwanted" ] || fail "carries files of the other architecture, the simulator or the zip's README: $unwanted"

  [ "$(property ProductVersion)" = "$version" ] || fail "version $(property ProductVersion), not $version"
  [ "$(property UpgradeCode)" = "$upgrade_code" ] || fail "UpgradeCode $(property UpgradeCode), not $upgrade_code"
  [ "$(property ALLUSERS)" = 1 ] || fail "not installed per machine"
  msiinfo suminfo "$msi" | tr -d '\r' | grep -qx "Template: $template" || fail "not a package for $template"
  table Directory | grep -q "^INSTALLDIR	$folder	Veltrane Updater\$" || fail "does not install into $folder"
  table Shortcut | grep -q "	\[INSTALLDIR\]$program	.*	INSTALLDIR	" || fail "no shortcut to $program in its folder"
  table Upgrade | grep -q "WIX_UPGRADE_DETECTED" || fail "replaces no older version"
  table Upgrade | grep -q "WIX_DOWNGRADE_DETECTED" || fail "does not refuse a downgrade"
done
[ "$failed" -eq 0 ] || exit 1
echo "MSIs x64 and x86: version $version, per machine, programs of their architecture only"
