#!/usr/bin/env bash
# The dialog in a real browser: `flarimond serve`, and the Inkscape effect's Edit selected design,
# driven through Debian's Chromium by Playwright,
# under node's test runner. Installs the test's npm packages when the lock file has changed.
#   web/tests/run.sh PATH/TO/flarimond          the tests
#   web/tests/run.sh PATH/TO/flarimond bench [--reps N] [--large] [--baseline PATH/TO/older/flarimond]
#                                               change-to-paint figures instead (bench.mjs)
# FLARIMOND_SCREENSHOT_DIR=docs/images makes the README's pictures again.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ $# -lt 1 ] || { [ $# -ge 2 ] && [ "$2" != bench ]; }; then
  echo "usage: $0 PATH/TO/flarimond [bench [--reps N] [--large] [--baseline PATH/TO/older/flarimond]]" >&2
  exit 2
fi
program="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
# The tests run in this folder: a folder for the pictures given from elsewhere is made absolute.
if [ -n "${FLARIMOND_SCREENSHOT_DIR:-}" ]; then
  mkdir -p "$FLARIMOND_SCREENSHOT_DIR"
  FLARIMOND_SCREENSHOT_DIR="$(cd "$FLARIMOND_SCREENSHOT_DIR" && pwd)"
  export FLARIMOND_SCREENSHOT_DIR
fi
chromium="${CHROMIUM:-/usr/bin/chromium}"

if [ ! -x "$chromium" ]; then
  echo "web tests: NOT RUN: $chromium is missing (scripts/setup.sh installs Debian's chromium)" >&2
  exit 1
fi
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "web tests: NOT RUN: node and npm are missing (scripts/setup.sh installs them)" >&2
  exit 1
fi

sum="$(sha256sum "$here/package-lock.json" | cut -d' ' -f1)"
if [ "$(cat "$here/node_modules/.lock-sum" 2>/dev/null)" != "$sum" ]; then
  (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
  echo "$sum" > "$here/node_modules/.lock-sum"
fi

caller="$PWD"
cd "$here"
if [ "${2:-}" = bench ]; then
  FLARIMOND_CALLER_DIR="$caller" FLARIMOND_BIN="$program" CHROMIUM="$chromium" exec node bench.mjs "${@:3}"
fi
FLARIMOND_BIN="$program" CHROMIUM="$chromium" timeout 360 node --test dialog.test.mjs inkscape.test.mjs
