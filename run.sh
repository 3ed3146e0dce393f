#!/usr/bin/env bash
# Flarimond's one entry point: installs what is missing, builds, then
#   ./run.sh render -o design.svg [options]   renders a design (any flarimond command works)
#   ./run.sh test                             runs every test, checks the house style (clang-format,
#                                             clang-tidy), runs the tests again under ASan + UBSan,
#                                             the Windows build's tests under wine, and the dialog
#                                             in Chromium (web/tests)
#   ./run.sh build                            only builds
#   ./run.sh windows                          only builds the 32-bit Windows module and programs
#                                             (build-win/bin: flarimond.aip, flarimond.exe)
#   ./run.sh bench [benchmark options]        builds the benchmarks in Release (build-bench) and
#                                             the baseline (build-bench-baseline), runs them and
#                                             prints each figure beside its target
#   ./run.sh bench-web [--reps N] [--large] [--baseline PROGRAM]
#                                             change-to-paint of the dialog in Chromium
#                                             (web/tests/bench.mjs); --large: only the designs
#                                             of 15,000 and 100,000 arts, against the browser's
#                                             own rasterising of them; --baseline: those also
#                                             with an older build, in turn
#   ./run.sh mutate --all | [FILES...] [--sample N] [--seed S] [--budget MINUTES] [--resume]
#                                             mutation testing of the plug-in's sources, in copies
#                                             of the tree (build-mutate/wN); report of --all in
#                                             tests/mutation/report.txt, else build-mutate/report.txt
#   ./run.sh validate [--short] [--only P,...] builds build, build-asan and build-fuzz (clang), then
#                                             runs the probes of tests/validate (see its README)
#   ./run.sh fuzz TARGET SECONDS              runs one libFuzzer target (build-fuzz) for that long
#   ./run.sh install-inkscape [--uninstall]   builds, then puts the Inkscape extension where Inkscape
#                                             finds user extensions (Extensions > Render > Flarimond)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"

"$root/scripts/setup.sh" "${1:-}"

configure() {  # configure DIR [cmake options...]
  local dir="$1"; shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

build() {  # build DIR [cmake options...]: everything, tests included
  configure "$@"
  cmake --build "$1" -j "$jobs"
}

build_targets() {  # build_targets DIR "TARGET..." [cmake options...]: only what the targets need
  local dir="$1" targets="$2"; shift 2
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  # shellcheck disable=SC2086  # the targets are words
  cmake --build "$dir" -j "$jobs" --target $targets
}

fuzz_build() {  # the libFuzzer targets, with clang, in a build of their own
  cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DFLARIMOND_FUZZ=ON -DFLARIMOND_TESTS=OFF >/dev/null
  cmake --build "$root/build-fuzz" -j "$jobs" --target fuzz_targets
}

windows_build() {  # [cmake options...]: cross-compiled with MinGW-w64, tests run under wine
  build "$root/build-win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" "$@"
}

wine_run=("$root/scripts/wine-run.sh" "$root/build-win/wine")
windows_tests() {  # the Windows build's tests under wine, with one wine server for the whole run
  "${wine_run[@]}" --start-server
  trap '"${wine_run[@]}" --stop-server' EXIT  # also when a test fails
  ctest --test-dir "$root/build-win" --output-on-failure -j "$jobs"
  "${wine_run[@]}" --stop-server
  trap - EXIT
}

case "${1:-}" in
  test)
    build "$root/build"
    ctest --test-dir "$root/build" --output-on-failure -j "$jobs"
    echo "== the house style: clang-format on every source, clang-tidy on host/ and tools/ ==" >&2
    "$root/scripts/style.sh" "$root/build" "$jobs"
    echo "== again under AddressSanitizer + UndefinedBehaviorSanitizer ==" >&2
    # Line tables only (-g1): the reports keep their files and lines, the build takes less time.
    build "$root/build-asan" -DFLARIMOND_SANITIZE=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
      "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
      ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"
    echo "== the 32-bit Windows build, under wine ==" >&2
    windows_build -DFLARIMOND_LINUX_PROGRAM="$root/build/bin/flarimond"
    windows_tests
    echo "== the dialog in a browser: Chromium driven by Playwright ==" >&2
    "$root/web/tests/run.sh" "$root/build/bin/flarimond"
    echo "== the validation probes, short form ==" >&2
    fuzz_build
    python3 "$root/tests/validate/validate.py" --jobs "$jobs" --short
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
    # The baseline: the host as it was before the compact document (commit $baseline), built with
    # today's harness for the largest record (and the module ids it names, which have not changed
    # since), so both are measured alike in the same run.
    baseline=24d3339
    base="$root/build-bench-baseline"
    if git -C "$root" cat-file -e "$baseline^{commit}" 2>/dev/null; then
      if [ ! -d "$base/src" ]; then
        mkdir -p "$base/src"
        git -C "$root" archive "$baseline" | tar -x -C "$base/src"
      fi
      for f in bench/bench_host.h bench/bench_host.cpp bench/largest_bench.cpp shell/module_ids.h; do
        cmp -s "$root/$f" "$base/src/$f" || cp "$root/$f" "$base/src/$f"
      done
      cmake -S "$base/src" -B "$base/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFLARIMOND_BENCH=ON \
        -DFLARIMOND_TESTS=OFF "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" >/dev/null
      cmake --build "$base/build" -j "$jobs" --target largest_bench export_bench
    else
      echo "run.sh: commit $baseline is not in this checkout: no figures against the baseline" >&2
      base=""
    fi
    out="$root/build-bench/results"
    rm -rf "$out" && mkdir -p "$out"
    run() {  # run NAME BINARY [options]: its results into $out/NAME.json
      local name="$1" binary="$2"; shift 2
      "$binary" --benchmark_min_time=0.2 --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@"
    }
    # Each largest record runs in a process of its own, so its peak memory is its own, three times
    # over, alternating with the baseline's. The pipeline and the exports are run more than once
    # too. Each figure counts with its best run (a shared machine slows single runs by a fifth now
    # and then).
    run pipeline "$root/build-bench/bin/pipeline_bench" --benchmark_repetitions=3 "$@"
    for i in 1 2 3; do
      run "largest-$i" "$root/build-bench/bin/largest_bench" "$@"
      [ -n "$base" ] && run "base-largest-$i" "$base/build/bin/largest_bench" "$@"
    done
    run export "$root/build-bench/bin/export_bench" --benchmark_repetitions=3 "$@"
    run design-read "$root/build-bench/bin/design_read_bench" --benchmark_repetitions=3 "$@"
    [ -x "$root/build-bench/bin/plot_bench" ] && run plot "$root/build-bench/bin/plot_bench" --benchmark_repetitions=3 "$@"
    [ -n "$base" ] && run base-export "$base/build/bin/export_bench" --benchmark_repetitions=2 \
      --benchmark_filter='Svg|Png' "$@"
    python3 "$root/bench/summary.py" "$out"
    ;;
  mutate)
    shift
    exec python3 "$root/scripts/mutate.py" "$@"
    ;;
  validate)
    shift
    # The probes run the program and module; the uninstrumented build also prints the field table.
    build_targets "$root/build" "flarimond flarimond_plugin field_table"
    build_targets "$root/build-asan" "flarimond flarimond_plugin" -DFLARIMOND_SANITIZE=ON
    fuzz_build
    exec python3 "$root/tests/validate/validate.py" --jobs "$jobs" "$@"
    ;;
  fuzz)
    if [ $# -ne 3 ]; then
      echo "usage: ./run.sh fuzz TARGET SECONDS   (targets: $(ls "$root/tests/validate/corpus" | tr '\n' ' '))" >&2
      exit 2
    fi
    target="$2" seconds="$3"
    [ -d "$root/tests/validate/corpus/$target" ] || { echo "run.sh fuzz: no target $target" >&2; exit 2; }
    fuzz_build
    # The run grows its own copy of the seed corpus; what it finds (crash-*, leak-*) lands beside it.
    work="$root/build-fuzz/runs/$target"
    mkdir -p "$work/corpus"
    cp -n "$root/tests/validate/corpus/$target/"* "$work/corpus/"
    exec "$root/build-fuzz/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=65536 -artifact_prefix="$work/" "$work/corpus"
    ;;
  install-inkscape)
    shift
    # The program, the module and the .inx files the build makes from the module's dialog.
    configure "$root/build" >&2
    cmake --build "$root/build" -j "$jobs" --target flarimond flarimond_plugin inkscape_inx >&2
    if [ "${1:-}" = --uninstall ]; then
      exec "$root/build/bin/flarimond" inkscape --uninstall
    fi
    exec "$root/build/bin/flarimond" inkscape --install "$@"
    ;;
  bench-web)
    build "$root/build"
    shift
    "$root/web/tests/run.sh" "$root/build/bin/flarimond" bench "$@"
    ;;
  "")
    echo "usage: ./run.sh test | build | windows | bench | bench-web | mutate | validate | fuzz | install-inkscape | <flarimond command> [options]   (try ./run.sh --help)" >&2
    exit 2
    ;;
  *)
    # A command needs only the program and the module, not the tests.
    configure "$root/build" >&2
    cmake --build "$root/build" -j "$jobs" --target flarimond flarimond_plugin >&2
    exec "$root/build/bin/flarimond" "$@"
    ;;
esac
