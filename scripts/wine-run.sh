#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine:  wine-run.sh PREFIX PROGRAM [ARGS...]
# PREFIX is a wine prefix of the build's own, made on first use. Nothing here needs a display:
# the programs are console programs, and the prefix is made without the .NET and HTML runtimes,
# whose installers would otherwise ask through a window.
#
# A whole test run keeps one wine server up from before the first program to after the last:
#   wine-run.sh PREFIX --start-server    makes the prefix if needed, with the server up for good
#   wine-run.sh PREFIX --stop-server     stops that server and waits until it is gone
# Without it every program finds or starts a server that ends as soon as its last client does
# (Debian's wineserver runs with -p0), so a program starting just then, as parallel tests on a
# fresh prefix do, can meet a server on its way out: "wine client error:0: recvmsg: Connection
# reset by peer".
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM [ARGS...] | PREFIX --start-server | PREFIX --stop-server" >&2; exit 2; }
prefix="$1"; shift
[[ "$prefix" = /* ]] || prefix="$PWD/$prefix"  # wine takes absolute prefixes only

export WINEPREFIX="$prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

ready="$prefix/.made-by-wine-run"
make_prefix() {
  [ -f "$ready" ] && return 0
  mkdir -p "$(dirname "$prefix")"
  # Tests start in parallel: the first one makes the prefix, the others wait for it.
  (
    flock 9
    if [ ! -f "$ready" ]; then
      echo "wine-run: making the wine prefix $prefix" >&2
      # Into a file, not a pipe: the programs wineboot leaves running keep its output open.
      if ! wineboot -i >"$prefix.log" 2>&1; then
        cat "$prefix.log" >&2
        echo "wine-run: wineboot failed (are wine and wine32 installed?)" >&2
        exit 1
      fi
      touch "$ready"
    fi
  ) 9>"$prefix.lock"
}

case "$1" in
  --start-server)
    # The server first, so that even wineboot's programs use it. wineserver returns once it
    # listens; the last -p wins over the wrapper's -p0: persistent until killed.
    # A server left by an earlier run that was killed would make this one give up: stop it first.
    mkdir -p "$prefix"
    wineserver -k 2>/dev/null || true
    wineserver -w
    wineserver -p
    make_prefix
    # Start the session's own programs (services, device manager, ...) now, with their output
    # into a file. They live as long as the server does, and if a test started them they would
    # hold its output pipe open: ctest would wait for the test until its time-out.
    wineboot </dev/null >>"$prefix.log" 2>&1
    ;;
  --stop-server)
    wineserver -k 2>/dev/null || true  # none running is fine
    wineserver -w
    ;;
  *)
    make_prefix
    exec wine "$@"
    ;;
esac
