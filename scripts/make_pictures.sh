#!/usr/bin/env bash
# Regenerates the README's pictures in docs/images with fixed seeds, so anyone can make them again:
#   scripts/make_pictures.sh [path/to/flarimond]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
F="${1:-$root/build/bin/flarimond}"
out="$root/docs/images"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# The default design with all its art around the page (--frame all; a picture is the page alone
# unless told otherwise), and a background preset on the page, as `flarimond render` draws it.
"$F" render -o "$out/default.png" --seed 1 --width 600 --frame all
"$F" render -o "$out/background.png" --preset Background1 --seed 5 --width 400

# A warmer look: the paint for new paths set on the command line.
colour=(--fill rgb:0.98,0.75,0.2 --stroke rgb:0.45,0.2,0.05@1.5)

# Contact sheets of the 30 burst types and the 14 element shapes.
"$F" sheet --vary burstType=0..29 --columns 6 --tile 160 --seed 1 "${colour[@]}" -o "$out/burst-types.png"
"$F" render -o "$tmp/base.json" --seed 1 --save-params "$tmp/params.json" >/dev/null
sed -e 's/"burstCount": 10,/"burstCount": 8,/' "$tmp/params.json" > "$tmp/shapes.json"
"$F" sheet --vary shapeOption=0..13 --columns 7 --tile 160 --seed 1 --params "$tmp/shapes.json" "${colour[@]}" \
  -o "$out/shapes.png"

# The 36 style presets, each chosen in the dialog's preset list and confirmed, each tile the page
# as render draws it: the background presets reach far past the page, so framed on their art
# (the sheet's default) they would be specks.
"$F" sheet --vary preset=0..35 --columns 6 --tile 200 --seed 5 --frame page -o "$out/presets.png"

# A grid: burst counts down the rows, seeds across, on the "3D Star curve" preset.
"$F" sheet --preset 9 --vary burstCount=6..18:6 --vary seed=1..5 --tile 150 -o "$out/grid.png"

# A Tumble sheet: the "3D Star curve" preset after 1 to 12 presses of Tumble, the number of stars
# and the burst type locked.
"$F" sheet --preset 9 --vary tumble=1..12 --lock starCount,burstType --tile 140 --seed 7 -o "$out/tumbles.png"

# Several stars with random colours and unique elements.
sed -e 's/"starCount": 1,/"starCount": 4,/' -e 's/"uniqueElements": 0,/"uniqueElements": 1,/' \
    -e 's/"fillColor": 0,/"fillColor": 3,/' -e 's/"burstCount": 10,/"burstCount": 16,/' \
    -e 's/"lengthFactorPerStar": 100,/"lengthFactorPerStar": 75,/' -e 's/"burstType": 0,/"burstType": 7,/' \
    "$tmp/params.json" > "$tmp/stars.json"
"$F" apply --params "$tmp/stars.json" -o "$out/four-stars.png" --seed 3 --width 600 --frame all
echo "pictures written to $out"
