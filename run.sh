#!/usr/bin/env bash
# Flarimond's one entry point: installs what is missing, builds, then
#   ./run.sh render -o design.svg [options]   renders a design (any flarimond command works)
#   ./run.sh test                             runs every test, also under ASan + UBSan, the
#                                             Windows build's tests under wine, and the dialog in
#                                             Chromium (web/tests)
#   ./run.sh build                            only builds
#   ./run.sh windows                          only builds the 32-bit Windows module and programs
#                                             (build-win/bin: flarimond.aip, flarimond.exe)
#   ./run.sh bench [benchmark options]        builds the benchmarks in Release (build-bench) and
#                                             runs them
#   ./run.sh bench-web                        change-to-paint of the dialog in Chromium
#                                             (web/tests/bench.mjs)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"

"$root/scripts/setup.sh" "${1:-}"

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
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
      ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"
    echo "== the 32-bit Windows build, under wine ==" >&2
    windows_build -DFLARIMOND_LINUX_PROGRAM="$root/build/bin/flarimond"
    ctest --test-dir "$root/build-win" --output-on-failure -j "$jobs"
    echo "== the dialog in a browser: Chromium driven by Playwright ==" >&2
    "$root/web/tests/run.sh" "$root/build/bin/flarimond"
    ;;
  build)
    build "$root/build"
    ;;
  windows)
    windows_build
    ;;
  bench)
    shift
    # -O2 as every other build: GCC 12 at -O3 reports a false -Wrestrict inside std::string.
    cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFLARIMOND_BENCH=ON \
      -DFLARIMOND_TESTS=OFF "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" >/dev/null
    cmake --build "$root/build-bench" -j "$jobs"
    # The largest record runs in a process of its own, so its peak memory is its own.
    for b in pipeline_bench export_bench largest_bench; do
      "$root/build-bench/bin/$b" --benchmark_min_time=0.2 "$@"
    done
    ;;
  bench-web)
    build "$root/build"
    "$root/web/tests/run.sh" "$root/build/bin/flarimond" bench
    ;;
  "")
    echo "usage: ./run.sh test | build | windows | bench | bench-web | <flarimond command> [options]   (try ./run.sh --help)" >&2
    exit 2
    ;;
  *)
    build "$root/build" >&2
    exec "$root/build/bin/flarimond" "$@"
    ;;
esac
