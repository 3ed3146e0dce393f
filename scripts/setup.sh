#!/usr/bin/env bash
# Installs the Debian packages Flarimond builds with, when any is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config   # the build
  libgtest-dev                       # tests
  libbenchmark-dev                   # benchmarks
  libcli11-dev                       # command line parsing
  nlohmann-json3-dev                 # JSON parameter files and exports
  libcairo2-dev                      # PNG export
  binutils-mingw-w64-i686            # windres, the resource compiler
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
