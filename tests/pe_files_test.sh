#!/bin/sh
# Checks Windows files of the build without running them: each is a PE file
# of the expected machine, relocatable at a random base with no executable
# data (and high-entropy addresses on x86-64), built with stack canaries, and
# imports only libraries the system always takes from System32 (its
# KnownDLLs), so that no library planted beside it is loaded at start; each
# program also limits every later load to System32. Every
# compile of the tree had the canaries and the checked calls turned on.
#
#     pe_files_test.sh <objdump> <x86-64|i386> <compile_commands.json> <file>...
set -eu
objdump="$1"
machine="$2"
commands="$3"
shift 3

# KnownDLLs of current Windows; anything else must be loaded at run time from
# System32 by name (platform/system_library_win.h).
known="advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf msvcrt
  normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 wldap32 ws2_32"

failed=0
fail() {
  echo "$file: $*"
  failed=1
}

for file in "$@"; do
  header="$("$objdump" -f "$file")"
  echo "$header" | grep -q "file format pei-$machine\$" || fail "not a pei-$machine file: $(echo "$header" | grep 'file format')"
  private="$("$objdump" -p "$file")"
  wanted="DYNAMIC_BASE NX_COMPAT"
  [ "$machine" = x86-64 ] && wanted="$wanted HIGH_ENTROPY_VA"
  for flag in $wanted; do
    echo "$private" | grep -qw "$flag" || fail "lacks $flag"
  done
  for dll in $(echo "$private" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//'); do
    echo " $known " | tr '\n' ' ' | grep -q " $dll " || fail "imports $dll.dll, which is not always taken from System32"
  done
  "$objdump" -t "$file" | grep -q '__stack_chk_fail' || fail "built without stack canaries"
  # Each program limits its library search to System32 at start: only the
  # call links the import (platform/library_search.h).
  case "$(basename "$file")" in
    VeltraneUpdater*.exe | veltrane-cli*.exe)
      echo "$private" | grep -qw SetDefaultDllDirectories || fail "does not limit its library search to System32" ;;
  esac
done

file="$commands"
code="$(grep '"command"' "$commands" | grep -v windres)"  # resources hold no code
compiles="$(echo "$code" | wc -l)"
for flag in -fstack-protector-strong -D_FORTIFY_SOURCE=2; do
  [ "$(echo "$code" | grep -c -- "$flag")" -eq "$compiles" ] || fail "not every compile has $flag"
done

[ "$failed" -eq 0 ] || exit 1
echo "$# files: pei-$machine, hardened, imports from System32 only, programs search System32 only; $compiles compiles with canaries and checked calls"
