#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine:  wine-run.sh PREFIX PROGRAM [ARGS...]
# PREFIX is a wine prefix of the build's own, made on first use. Nothing here needs a display:
# the programs are console programs, and the prefix is made without the .NET and HTML runtimes,
# whose installers would otherwise ask through a window.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM [ARGS...]" >&2; exit 2; }
prefix="$1"; shift

export WINEPREFIX="$prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

ready="$prefix/.made-by-wine-run"
if [ ! -f "$ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  # Tests start in parallel: the first one makes the prefix, the others wait for it.
  (
    flock 9
    if [ ! -f "$ready" ]; then
      echo "wine-run: making the wine prefix $prefix" >&2
      if ! log="$(wineboot -i 2>&1)"; then
        printf '%s\n' "$log" >&2
        echo "wine-run: wineboot failed (are wine and wine32 installed?)" >&2
        exit 1
      fi
      touch "$ready"
    fi
  ) 9>"$prefix.lock"
fi
exec wine "$@"
