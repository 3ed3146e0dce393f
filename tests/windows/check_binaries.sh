#!/usr/bin/env bash
# What a host sees of the Windows files before running anything:
#   check_binaries.sh OBJDUMP MODULE.aip PROGRAM.exe...
# The module is a 32-bit x86 DLL whose only export is PluginMain, undecorated; the module and the
# programs import nothing but DLLs that every Windows has (the runtime is linked in).
set -u
objdump="$1"; module="$2"; shift 2
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

kind="$(file -b "$module")"
case "$kind" in
  "PE32 executable (DLL)"*"Intel 80386"*) ;;
  *) fail "$module is not a PE32 DLL for Intel 80386: $kind" ;;
esac

exports="$("$objdump" -p "$module" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')"
[ "$exports" = "PluginMain" ] || fail "$module exports [$(echo $exports)], not exactly PluginMain"

system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|msvcrt|ws2_32|comdlg32|comctl32)\.dll$'
for f in "$module" "$@"; do
  for dll in $("$objdump" -p "$f" | sed -n 's/^\s*DLL Name: //p'); do
    echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dlls" || fail "$f needs $dll, which Windows does not bring"
  done
done

[ "$failures" -eq 0 ] && echo "module and programs: ok"
exit $((failures > 0))
