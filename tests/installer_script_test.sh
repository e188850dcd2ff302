#!/bin/sh
# Checks the installer's script that cpack generated (the installer's stub is
# a 32-bit program, which these machines cannot run): its Start-menu
# shortcut starts the installed program, in the install folder, where the
# program finds its library, font and files; uninstalling deletes it.
#
#     installer_script_test.sh <build folder>
set -eu
build="$1"
script="$(ls "$build"/packages/_CPack_Packages/*/NSIS/project.nsi)"
staged="$(sed -n 's/^[[:space:]]*!define INST_DIR "\(.*\)"$/\1/p' "$script")"

shortcut="$(grep -n 'CreateShortCut "$SMPROGRAMS\\$STARTMENU_FOLDER\\Veltrane Updater.lnk"' "$script")" ||
  { echo "no Start-menu shortcut to the program"; exit 1; }
line="${shortcut%%:*}"
target="$(echo "$shortcut" | sed 's/.*\.lnk" "\([^"]*\)".*/\1/')"
[ "$target" = '$INSTDIR\VeltraneUpdater.exe' ] || { printf "the shortcut starts %s\n" "$target"; exit 1; }
# A shortcut's working folder is the output folder at its making.
folder="$(head -n "$line" "$script" | sed -n 's/^[[:space:]]*SetOutPath "\(.*\)"$/\1/p' | tail -1)"
[ "$folder" = '$INSTDIR' ] || { echo "the shortcut starts in $folder"; exit 1; }
[ -f "$staged/program/VeltraneUpdater.exe" ] || { echo "the installer does not install VeltraneUpdater.exe at the top"; exit 1; }

grep -q 'Delete "$SMPROGRAMS\\$MUI_TEMP\\Veltrane Updater.lnk"' "$script" || { echo "uninstalling leaves the shortcut"; exit 1; }
if grep 'CreateShortCut' "$script" | grep -q '\\bin\\'; then echo "a shortcut points into a bin folder"; exit 1; fi
printf "installer: shortcut to %s in %s\n" "$target" "$folder"
