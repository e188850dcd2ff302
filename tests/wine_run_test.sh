#!/bin/sh
# scripts/wine-run says nothing of its own: the tests compare the standard
# error of the programs it starts. Here a Wine process it looks at ends
# between the listing and the read of its environment, as one may while
# other tests start and stop theirs. Wine itself is stood in for.
#
#     wine_run_test.sh <scripts/wine-run>
set -eu
wine_run="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/prefix"
: >"$work/prefix/system.reg"
# A process id no process has (above the kernel's largest).
printf '#!/bin/sh\necho 4194305\n' >"$work/bin/pgrep"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wine"
chmod +x "$work/bin/"*
said="$(PATH="$work/bin:$PATH" WINEPREFIX="$work/prefix" sh "$wine_run" program.exe 2>&1 >/dev/null)"
if [ -n "$said" ]; then
  echo "wine-run wrote to standard error: $said"
  exit 1
fi
echo "wine-run kept quiet"
