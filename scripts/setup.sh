#!/usr/bin/env bash
# Installs the Debian packages Flarimond builds with, when any is missing:
#   scripts/setup.sh [test|windows|bench|bench-web|mutate|validate|fuzz]
set -euo pipefail

# What building and using Flarimond needs.
packages=(
  cmake ninja-build g++ pkg-config   # the build
  libgtest-dev                       # tests
  libcli11-dev                       # command line parsing
  nlohmann-json3-dev                 # JSON parameter files and exports
  libpugixml-dev                     # reading the designs an SVG carries
  libcairo2-dev libpng-dev           # PNG and PDF export
  libpoppler-cpp-dev                 # reading the design a PDF carries
  libpolyclipping-dev                # render --plot: hidden lines removed by polygon clipping
  libcpp-httplib-dev                 # flarimond serve: the dialog in a browser
  binutils-mingw-w64-i686            # windres, the resource compiler
)
# The rest only for the whole test run ("test"), the Windows build ("windows"), the
# benchmarks ("bench", "bench-web") or the validate suite and its fuzzers ("validate", "fuzz").
case "${1:-}" in
  test | windows)
    packages+=(
      g++-mingw-w64-i686 googletest  # the 32-bit Windows build, with GoogleTest from source
      wine wine32:i386 python3 file  # its tests: run under wine, compared with the Linux build
    )
    ;;&
  test | bench-web)
    packages+=(chromium)  # the browser test (driven by playwright-core from npm)
    packages+=(libxml2-utils w3c-sgml-lib librsvg2-bin)  # the SVG checked: xmllint, the SVG 1.1 DTD, librsvg
    packages+=(inkscape xvfb xauth)  # the Inkscape extension's tests: Inkscape's pictures, and Inkscape run under Xvfb
    packages+=(poppler-utils)  # the PDF checked: pdfinfo, pdftoppm
    # The browser test runs under node: these machines come with node 20, which playwright-core
    # needs; one without any node gets Debian's, which may be older than that.
    command -v node >/dev/null || packages+=(nodejs npm)
    ;;&
  bench)
    packages+=(libbenchmark-dev python3 git)  # python3 sums up the figures; git gives the baseline
    ;;
  mutate)
    packages+=(python3 ccache)  # the mutation tool, and compiles of unchanged files it repeats
    packages+=(libxml2-utils w3c-sgml-lib librsvg2-bin)  # the command-line test it runs checks the SVG
    packages+=(poppler-utils)                            # and the PDF
    ;;
  test)
    packages+=(clang-format clang-tidy python3)  # the house style, checked (scripts/style.sh)
    ;;&
  test | validate | fuzz)
    packages+=(clang libclang-rt-14-dev)  # the libFuzzer targets: clang and its fuzzer runtime
    ;;&
  test | validate)
    packages+=(python3 valgrind)  # the probes' driver; memory checks of failing host operations
    packages+=(python3-numpy)     # the reference model of the generation (tests/model), in float32
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# wine32 runs the 32-bit Windows programs and comes from the i386 architecture.
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
