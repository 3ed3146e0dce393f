#!/usr/bin/env bash
# Flarimond's one entry point: installs what is missing, builds, then
#   ./run.sh render -o design.svg [options]   renders a design (any flarimond command works)
#   ./run.sh test                             runs every test, also under ASan + UBSan, and the
#                                             Windows build's tests under wine
#   ./run.sh build                            only builds
#   ./run.sh windows                          only builds the 32-bit Windows module and programs
#                                             (build-win/bin: flarimond.aip, flarimond.exe)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"

"$root/scripts/setup.sh"

build() {  # build DIR [cmake options...]
  local dir="$1"; shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

windows_build() {  # [cmake options...]: cross-compiled with MinGW-w64, tests run under wine
  build "$root/build-win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" "$@"
}

case "${1:-}" in
  test)
    build "$root/build"
    ctest --test-dir "$root/build" --output-on-failure -j "$jobs"
    echo "== again under AddressSanitizer + UndefinedBehaviorSanitizer ==" >&2
    build "$root/build-asan" -DFLARIMOND_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"
    echo "== the 32-bit Windows build, under wine ==" >&2
    windows_build -DFLARIMOND_LINUX_PROGRAM="$root/build/bin/flarimond"
    ctest --test-dir "$root/build-win" --output-on-failure -j "$jobs"
    ;;
  build)
    build "$root/build"
    ;;
  windows)
    windows_build
    ;;
  "")
    echo "usage: ./run.sh test | build | windows | <flarimond command> [options]   (try ./run.sh --help)" >&2
    exit 2
    ;;
  *)
    build "$root/build" >&2
    exec "$root/build/bin/flarimond" "$@"
    ;;
esac
