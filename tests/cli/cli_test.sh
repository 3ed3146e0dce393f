#!/usr/bin/env bash
# The flarimond program end to end: each case runs the built program on the built module and checks
# its output files, messages and exit status. Usage: cli_test.sh PATH/TO/flarimond
set -u
F="$1"
H="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
failures=0
passed=0
check() {  # check NAME COMMAND...: the command must succeed
  local name="$1"; shift
  if ( "$@" ) >"$T/log" 2>&1; then
    passed=$((passed + 1))
  else
    failures=$((failures + 1)); echo "FAILED: $name"; sed 's/^/    /' "$T/log"
  fi
}
arts() { grep -c '^{"closed"' "$1"; }

check "info names the filter and refuses nothing" bash -c "
  '$F' info > '$T/info' &&
  grep -F 'category \"ZUN <Create>\", title \"Flarimond...\", name \"VL08_Flarimond\"' '$T/info' &&
  grep -F \"kind 'SPEA', interface version 2, entry \\\"PluginMain\\\"\" '$T/info' &&
  grep -q '  art.newArt' '$T/info'"

check "about prints the About box" bash -c "'$F' about | grep -qx 'Flarimond'"

check "default design: ten arts and a record with 84 fields and the seed" bash -c "
  '$F' render -o '$T/d.json' --seed 1 --save-params '$T/p.json' &&
  test \$(grep -c '^{\"closed\"' '$T/d.json') = 10 &&
  test \$(grep -c '\": ' '$T/p.json') = 86 && grep -q '^  \"seed\": 1,\$' '$T/p.json' &&
  grep -q '\"startX\": 106,' '$T/p.json' && grep -q '\"burstCount\": 10,' '$T/p.json'"

check "no seed: the chosen seed is printed and makes the design again; a file's seed is used" bash -c "
  grep -v '\"seed\"\\|\"drawsBefore\"' '$T/p.json' > '$T/noseed.json' &&
  '$F' render -o '$T/a.json' --params '$T/noseed.json' 2> '$T/err' &&
  seed=\$(sed -n 's/^seed: //p' '$T/err') && test -n \"\$seed\" &&
  '$F' render -o '$T/b.json' --params '$T/noseed.json' --seed \$seed && cmp '$T/a.json' '$T/b.json' &&
  '$F' render -o '$T/c.json' --params '$T/p.json' 2> '$T/err' && ! grep -q '^seed:' '$T/err' &&
  '$F' render -o '$T/e.json' --params '$T/noseed.json' --seed 1 && cmp '$T/c.json' '$T/e.json'"

check "apply: burst apply 2 / 1 over ten elements draws seven; three stars of twelve draw 36" bash -c "
  sed -e 's/\"burstApplySkip\": 0/\"burstApplySkip\": 1/' -e 's/\"burstApplyRun\": 1,/\"burstApplyRun\": 2,/' '$T/p.json' > '$T/a.json' &&
  '$F' apply --params '$T/a.json' -o '$T/a.out.json' --seed 1 && test \$(grep -c '^{\"closed\"' '$T/a.out.json') = 7 &&
  sed -e 's/\"starCount\": 1,/\"starCount\": 3,/' -e 's/\"burstCount\": 10,/\"burstCount\": 12,/' '$T/p.json' > '$T/s.json' &&
  '$F' apply --params '$T/s.json' -o '$T/s.out.json' --seed 1 && test \$(grep -c '^{\"closed\"' '$T/s.out.json') = 36"

check "a stored record out of its controls' ranges is passed on with a warning: page 0 comes up as page 1" bash -c "
  '$F' render -o '$T/r.json' --seed 1 --save-params '$T/r.bin' &&
  printf '\\0\\0\\0\\0' | dd of='$T/r.bin' bs=1 seek=152 conv=notrunc status=none &&
  '$F' render --params '$T/r.bin' -o '$T/r0.json' --seed 1 --save-params '$T/r0.params.json' 2> '$T/err' &&
  test \$(grep -c 'warning' '$T/err') = 1 &&
  grep -q 'r.bin: currentPage = 0 is outside 1..7; passed to the plug-in as stored' '$T/err' &&
  grep -q '\"currentPage\": 1,' '$T/r0.params.json' && cmp '$T/r.json' '$T/r0.json'"

check "cancel writes the unchanged document" bash -c "
  '$F' render --cancel -o '$T/c.json' --seed 1 && grep -q '\"arts\":\[\]' '$T/c.json'"

check "a failing drawing is reported with its message and code, exit 1, nothing written" bash -c "
  '$F' apply --params '$T/p.json' --fail art.newArt=SEGM -o '$T/f.svg' --seed 1 2> '$T/err'; test \$? = 1 &&
  grep -qx 'Plug-in Error: The filter cannot complete because a layer is locked or invisible. (SEGM)' '$T/err' &&
  test ! -e '$T/f.svg' && test ! -e '$T/f.svg.tmp'"

check "a record stored while a preview was valid still draws in a new document" bash -c "
  sed 's/\"previewValid\": 0/\"previewValid\": 1/' '$T/p.json' > '$T/pv.json' && grep -q '\"previewValid\": 1' '$T/pv.json' &&
  '$F' apply --params '$T/pv.json' -o '$T/pv.out.json' --seed 1 && test \$(grep -c '^{\"closed\"' '$T/pv.out.json') = 10"

check "outputs and inputs that name one file are refused before anything is drawn" bash -c "
  mkdir '$T/same' && ln -s same '$T/alias' && echo old > '$T/same/d.json' && echo old > '$T/same/p.json' &&
  while read -r command; do
    '$F' \$command --seed 1 2> '$T/err'; test \$? = 2 || { echo \"not refused: \$command\"; exit 1; }
    grep -q 'name the same file' '$T/err' || { cat '$T/err'; exit 1; }
  done <<EOF2 &&
render -o $T/same/d.json --save-params $T/same/./d.json
render -o $T/same/e.json --save-params $T/alias/e.json
render -o $T/alias/../same/d.json --dialog-script $T/same/d.json
render -o $T/same/d.json --swatches $T/alias/d.json
apply --params $T/same/p.json -o $T/alias/p.json
dialog --params $T/same/p.json --dump $T/same/p.json
sheet --vary burstType=0..1 -o $T/same/s.png --swatches $T/same/s.png
EOF2
  test \"\$(cat '$T/same/d.json' '$T/same/p.json')\" = \"\$(printf 'old\\nold')\" && test \$(ls -A '$T/same' | wc -l) = 2"

check "a read-only output is refused to a user who may not write it, as cp refuses it" bash -c "
  chmod 711 '$T' && mkdir -m 777 '$T/ro' && cp \"\$(dirname '$F')\"/flarimond \"\$(dirname '$F')\"/flarimond.so \"\$(dirname '$F')\"/flarimond.res '$T/ro/' &&
  echo old > '$T/ro/d.json' && chmod 444 '$T/ro/d.json' &&
  as=''; if [ \$(id -u) = 0 ]; then as='setpriv --reuid=65534 --regid=65534 --clear-groups'; fi &&
  { \$as '$T/ro/flarimond' render --seed 1 -o '$T/ro/d.json' 2> '$T/err'; test \$? = 2; } &&
  grep -qx 'flarimond: cannot write $T/ro/d.json: Permission denied' '$T/err' &&
  test \"\$(cat '$T/ro/d.json')\" = old && test \$(ls -A '$T/ro' | wc -l) = 4"

check "a symbolic link given as -o is written through" bash -c "
  mkdir '$T/store' && ln -s store/real.json '$T/link.json' &&
  '$F' render --seed 1 -o '$T/link.json' && test -L '$T/link.json' && test \$(grep -c '^{\"closed\"' '$T/store/real.json') = 10 &&
  test \$(ls -A '$T/store' | wc -l) = 1"

# Each output of a run is larger than 1 KiB (the design travels in both), so both writes fail:
# neither output may appear, nor a temporary file stay.
check "a failing write leaves every output as it was and names the reason" bash -c "
  echo old > '$T/keep.json' &&
  { ( ulimit -f 1; trap '' XFSZ; exec '$F' render --cancel --seed 1 -o '$T/keep.json' --save-params '$T/keep.params.json' ) 2> '$T/err'
    test \$? = 2; } &&
  grep -qx 'flarimond: cannot write $T/keep[.a-z]*json: File too large' '$T/err' &&
  test \"\$(cat '$T/keep.json')\" = old && test ! -e '$T/keep.params.json' && ! ls -A '$T' | grep -q 'tmp\$'"

check "a FIFO, a folder or a device given as an input file is refused at once, by name" bash -c "
  mkfifo '$T/fifo.json' && mkdir '$T/folder.json' &&
  for a in '--params $T/fifo.json' '--swatches $T/fifo.json' '--dialog-script $T/fifo.json' \
           '--dialog-script $T/folder.json' '--swatches /dev/null'; do
    timeout 60 '$F' render --seed 1 -o '$T/in.svg' \$a 2> '$T/err'; test \$? = 2 || { echo \"not refused: \$a\"; exit 1; }
    grep -Eq ': is a (FIFO|directory|character device), not a regular file' '$T/err' || { cat '$T/err'; exit 1; }
  done; test ! -e '$T/in.svg'"

check "bad arguments exit 2 and write nothing" bash -c "
  for a in '--draws 0.5,1' '--fail no.such' '--page 0x5' '--seed -1' '--color-model hsv' '--fill rgb:2,0,0' \
           '--stroke rgb:1,0,0@-1' '--width 0' '--background pink' '--opacity 1.5' '--opacity -0.1' \
           '--art-styles 9' '--art-styles -1' '--art-styles 2.5'; do
    '$F' render -o '$T/y.svg' \$a 2>/dev/null; test \$? = 2 || { echo \"not refused: \$a\"; exit 1; }
  done; test ! -e '$T/y.svg' &&
  '$F' render -o '$T/z.txt' 2>/dev/null; test \$? = 2"

check "a short .bin record is refused" bash -c "
  '$F' render -o '$T/p2.svg' --seed 1 --save-params '$T/p.bin' && test \$(stat -c %s '$T/p.bin') = 336 &&
  head -c 335 '$T/p.bin' > '$T/short.bin' &&
  '$F' render --params '$T/short.bin' -o '$T/s.svg' 2>/dev/null; test \$? = 2"

check "a swatch file with a number past a double is refused by name" bash -c "
  printf '[1e400]' > '$T/big.json' &&
  '$F' render -o '$T/overflow.json' --seed 1 --swatches '$T/big.json' 2> '$T/err'; test \$? = 2 &&
  grep -q '^flarimond: .*big.json: \\[0\\] = 1e400 is not a finite number' '$T/err' && test ! -e '$T/overflow.json'"

check "PNG export, paint for new paths and a swatch file" bash -c "
  printf '[{\"name\":\"[None]\",\"color\":\"none\"},{\"name\":\"[Registration]\",\"color\":\"registration\"},{\"name\":\"Sea\",\"color\":\"rgb:0,0.4,0.6\"}]' > '$T/sw.json' &&
  '$F' render -o '$T/d.png' --seed 1 --width 300 --fill rgb:1,0.8,0.2 --stroke cmyk:0,0,0,1@2.5 --swatches '$T/sw.json' &&
  test \"\$(head -c 8 '$T/d.png' | od -An -tx1 | tr -d ' ')\" = 89504e470d0a1a0a &&
  '$F' render -o '$T/paint.json' --seed 1 --fill rgb:1,0.8,0.2 --stroke cmyk:0,0,0,1@2.5 &&
  grep -q '\"fill\":{\"paint\":true,\"kind\":\"rgb\",\"components\":\[1,0.8,0.2\]}' '$T/paint.json' &&
  grep -q '\"width\":2.5' '$T/paint.json'"

check "a damaged property list is refused before loading" bash -c "
  mkdir '$T/mod' && cp \"\$(dirname '$F')/flarimond.so\" '$T/mod/' &&
  python3 -c \"
import sys; d=open(sys.argv[1],'rb').read(); i=d.find(b'SPEA'[::-1]); d=d[:i]+b'XXXX'+d[i+4:]; open(sys.argv[2],'wb').write(d)\" \
    \"\$(dirname '$F')/flarimond.res\" '$T/mod/flarimond.res' &&
  '$F' info --module '$T/mod/flarimond.so' 2> '$T/err'; test \$? = 2 && grep -q 'refused' '$T/err'"

check "dialog dump: every item, the enabling rules after --set, pages hidden" bash -c "
  '$F' dialog --dump '$T/dump.json' --seed 1 --set starCount=1 --set angle=0 --set fillColor=11 &&
  python3 - '$T/dump.json' <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
assert d['size'] == [600, 260], d['size']
items = {i['id']: i for i in d['items']}
assert len(d['items']) == 123, len(d['items'])
assert not items[81]['enabled'] and not items[23]['enabled'] and not items[76]['enabled']
assert items[181]['enabled'] and not items[182]['enabled']
assert items[6]['min'] == -3000 and items[6]['max'] == 6000 and items[6]['decimals'] == 2
assert items[120]['entries'][0] == ' Burst 01' and len(items[120]['entries']) == 30
assert items[123]['entries'][35] == ' Tile' and items[31]['entries'][42] == ' Scaling 42'
assert items[2]['text'] == 'Cancel' and 'value' not in items[2]
assert d['record']['fillColor'] == 11 and d['record']['currentPage'] == 5
assert not items[5]['visible'] and items[180]['visible']
PY"

check "a pick on the burst count button at x = 187.9 sets 18 bursts" bash -c "
  printf 'pick 150 187.9 300\\nconfirm\\n' > '$T/pick.txt' &&
  '$F' dialog --dump '$T/pick.json' --seed 1 --dialog-script '$T/pick.txt' &&
  grep -q '\"burstCount\": 18' '$T/pick.json'"

check "presets are listed and chosen by name" bash -c "
  test \$('$F' presets | wc -l) = 36 && '$F' presets | grep -qx '35  Tile' &&
  '$F' render -o '$T/star20.json' --preset STAR20 --seed 1 --save-params '$T/star20.params.json' &&
  grep -q '\"burstCount\": 20,' '$T/star20.params.json' && test \$(grep -c '^{\"closed\"' '$T/star20.json') = 20"

check "--set refuses fields without a control and bad script lines name their line" bash -c "
  '$F' render -o '$T/n.svg' --set currentPage=1 2> '$T/err'; test \$? = 2 && grep -q 'no control' '$T/err' &&
  printf 'page 2\\nset 4 three\\n' > '$T/bad.txt' &&
  '$F' render -o '$T/n.svg' --dialog-script '$T/bad.txt' 2> '$T/err'; test \$? = 2 && grep -q 'line 2' '$T/err' &&
  test ! -e '$T/n.svg'"

check "contact sheets of a field and of presets" bash -c "
  '$F' sheet --vary burstType=0..3 --columns 2 --tile 64 --seed 1 -o '$T/sheet.png' 2>/dev/null &&
  test \"\$(head -c 8 '$T/sheet.png' | od -An -tx1 | tr -d ' ')\" = 89504e470d0a1a0a &&
  '$F' render --from '$T/sheet.png' --tile 3 -o '$T/tile3.json' &&
  '$F' inspect '$T/sheet.png' | grep -q 'sheet.png: design 4, tile 4: drawn by flarimond' &&
  grep -q '\"burstType\":2,' '$T/tile3.json' &&
  '$F' sheet --vary preset=0..1 --tile 64 --seed 1 -o '$T/presets.png' 2>/dev/null && test -s '$T/presets.png' &&
  '$F' sheet --vary length=0..3 -o '$T/no.png' 2>/dev/null; test \$? = 2 && test ! -e '$T/no.png'"

check "a design drawn again from its SVG, PNG or JSON is the same document" bash -c "
  '$F' render -o '$T/a.svg' --seed 7 --preset 9 --set burstCount=14 &&
  '$F' render --from '$T/a.svg' -o '$T/b.json' &&
  '$F' render --seed 7 --preset 9 --set burstCount=14 -o '$T/c.json' && cmp '$T/b.json' '$T/c.json' &&
  printf 'press 111\\npress 110\\npress 110\\n' > '$T/shuffled.txt' &&
  '$F' render -o '$T/t.png' --seed 3 --page 400x300 --fill grey:0.25 --dialog-script '$T/shuffled.txt' &&
  '$F' render --from '$T/t.png' -o '$T/t1.json' &&
  '$F' render -o '$T/t2.json' --seed 3 --page 400x300 --fill grey:0.25 --dialog-script '$T/shuffled.txt' &&
  cmp '$T/t1.json' '$T/t2.json' && '$F' render --from '$T/t2.json' -o '$T/t3.json' && cmp '$T/t2.json' '$T/t3.json' &&
  '$F' inspect '$T/t.png' | grep -q 'seed 3; the drawing began after [1-9][0-9]* draws'"

check "new paths' opacity and the named art styles: drawn, kept in the description, given back" bash -c "
  '$F' render -o '$T/op.svg' --seed 4 --opacity 0.25 --art-styles 3 --set randomStyle=1 --set uniqueElements=1 &&
  '$F' render --from '$T/op.svg' -o '$T/op1.json' &&
  '$F' render -o '$T/op2.json' --seed 4 --opacity 0.25 --art-styles 3 --set randomStyle=1 --set uniqueElements=1 &&
  cmp '$T/op1.json' '$T/op2.json' && '$F' inspect '$T/op.svg' | grep -q 'new paths at opacity 0.25, 3 named art styles' &&
  '$F' render -o '$T/op3.json' --seed 4 --opacity 0.25 && grep -q '\"opacity\":0.25' '$T/op3.json' &&
  '$F' render -o '$T/op4.json' --seed 4 --art-styles 1 --set randomStyle=1 2> '$T/err'; test \$? = 1 &&
  grep -q '(NFnd)' '$T/err' && test ! -e '$T/op4.json'"

check "PDF: an A4 page in points, the PNG's picture when rasterised, and the same design read back" bash -c "
  '$F' render --seed 4 --preset 9 --page a4 --fill '#ff8800' -o '$T/d.pdf' &&
  pdfinfo '$T/d.pdf' | grep -q '^Page size: *595.276 x 841.89 pts' && pdfinfo '$T/d.pdf' | grep -q '^Pages: *1\$' &&
  '$F' render --from '$T/d.pdf' -o '$T/d1.json' &&
  '$F' render --seed 4 --preset 9 --page 210x297mm --fill rgb:1,0.53333336,0 -o '$T/d2.json' && cmp '$T/d1.json' '$T/d2.json' &&
  '$F' render --from '$T/d.pdf' -o '$T/d.png' &&
  pdftoppm -png -singlefile -scale-to-x 1200 -scale-to-y -1 '$T/d.pdf' '$T/dp' && python3 '$H/png_diff.py' '$T/d.png' '$T/dp.png' &&
  '$F' inspect '$T/d.pdf' | grep -q 'page 595.2756x841.8898' &&
  '$F' render --seed 4 --frame art -o '$T/art.pdf' && pdfinfo '$T/art.pdf' | grep -q '^Page size: *\([0-9.]*\) x \\1 pts' &&
  printf '%%PDF-1.4 not really\n' > '$T/bad.pdf' && ! '$F' inspect '$T/bad.pdf' 2> '$T/err' && grep -q 'bad.pdf: the PDF cannot be read' '$T/err'"

check "--set on top of --from changes only that field" bash -c "
  '$F' render --from '$T/a.svg' --set burstCount=21 -o '$T/s2.json' &&
  python3 - '$T/c.json' '$T/s2.json' <<'PY'
import json, sys
a, b = (json.load(open(p))['design'] for p in sys.argv[1:])
diff = {k for k in a['record'] if a['record'][k] != b['record'][k]}
assert diff == {'burstCount'} and b['record']['burstCount'] == 21, diff
assert a['seed'] == b['seed'] and a['drawsBefore'] == b['drawsBefore'] and a['document'] == b['document']
PY"

check "a parameter file may name only some fields; the rest are listed as defaults" bash -c "
  printf '{\"burstCount\": 16, \"starCount\": 3}' > '$T/part.json' &&
  '$F' render --params '$T/part.json' --seed 1 -o '$T/part.out.json' 2> '$T/err' &&
  test \$(grep -c '^{\"closed\"' '$T/part.out.json') = 48 &&
  grep -q 'part.json: 82 of 84 fields from the plug-in.s defaults: uniqueElements, ' '$T/err' &&
  ! grep -q 'burstCount,' '$T/err' &&
  printf '{\"burstCount\": 16, \"burstCount\": 17, \"starCont\": 3}' > '$T/twice.json' &&
  '$F' render --params '$T/twice.json' -o '$T/n.svg' 2> '$T/err'; test \$? = 2 &&
  grep -q 'burstCount appears more than once' '$T/err' && grep -q 'did you mean starCount?' '$T/err'"

check "messages name what to type and what enables a control" bash -c "
  '$F' rendr 2> '$T/err'; test \$? = 2 && grep -q 'unknown command \"rendr\" (did you mean render?)' '$T/err' &&
  '$F' render -o '$T/n.svg' --sed 3 2> '$T/err'; test \$? = 2 && grep -q 'unknown option --sed (did you mean --seed?)' '$T/err' &&
  '$F' render -o '$T/n.svg' --set burstcount=12 2> '$T/err'; test \$? = 2 && grep -q 'did you mean burstCount?' '$T/err' &&
  '$F' render -o '$T/n.svg' --seed 1 --set fillSwatch=5 2> '$T/err'; test \$? = 2 &&
  grep -q 'fillSwatch is disabled: fillColor must be' '$T/err' && test ! -e '$T/n.svg' &&
  '$F' render -o '$T/n.json' --seed 1 --set burstCount=500 2> '$T/err' &&
  grep -q \"burstCount 500 is above the control's maximum: 150 used\" '$T/err'"

# The SVG checked by a real SVG toolchain: xmllint against the SVG 1.1 DTD (extended, as the DTD
# provides for, by the element that carries a design in the picture's metadata) and librsvg's
# picture against the program's own PNG.
SVG_DTD=/usr/share/xml/w3c-sgml-lib/schema/dtd/REC-SVG11-20110816/svg11.dtd
cat > "$T/svg.dtd" <<DTD
<!ENTITY % SVG.metadata.extra.content "| flarimond:design">
<!ELEMENT flarimond:design (#PCDATA)>
<!ATTLIST flarimond:design xmlns:flarimond CDATA #FIXED "urn:flarimond:design:1">
<!ENTITY % svg11 SYSTEM "$SVG_DTD">
%svg11;
DTD

check "SVG: valid SVG 1.1, and librsvg draws what the PNG export draws" bash -c "
  for args in '--seed 7 --preset 9' '--seed 2 --preset 30 --stroke rgb:0.2,0.1,0@3' '--seed 3 --preset 20 --color-model cmyk'; do
    '$F' render \$args -o '$T/e.svg' 2>/dev/null && '$F' render \$args -o '$T/e.png' --width 300 2>/dev/null &&
    xmllint --noout --dtdvalid '$T/svg.dtd' '$T/e.svg' && rsvg-convert -w 300 '$T/e.svg' -o '$T/e.rsvg.png' &&
    python3 '$H/png_diff.py' '$T/e.png' '$T/e.rsvg.png' || { echo \"differs: \$args\"; exit 1; }
  done &&
  '$F' render --seed 7 --preset 9 --frame art -o '$T/a.svg' 2>/dev/null &&
  xmllint --noout --dtdvalid '$T/svg.dtd' '$T/a.svg' && ! grep -q 'id=\"page\"' '$T/a.svg' &&
  grep -q '<title>' '$T/a.svg' && grep -q '<path id=\"art-1\" d=\"M' '$T/a.svg'"

check "a picture is the page: Background1 is a 612 x 792 pt SVG librsvg draws, not blank, as the PNG; all: page and art" bash -c "
  '$F' render --preset Background1 --seed 5 -o '$T/bg.svg' 2> '$T/err' && ! grep -q warning '$T/err' &&
  grep -q '<svg [^>]*width=\"612pt\" height=\"792pt\" viewBox=\"0 0 612 792\">' '$T/bg.svg' &&
  xmllint --noout --dtdvalid '$T/svg.dtd' '$T/bg.svg' && rsvg-convert -w 306 '$T/bg.svg' -o '$T/bg.rsvg.png' &&
  python3 '$H/png_ink.py' '$T/bg.rsvg.png' 0.2 &&
  '$F' render --preset Background1 --seed 5 --width 306 -o '$T/bg.png' 2>/dev/null &&
  python3 '$H/png_diff.py' '$T/bg.png' '$T/bg.rsvg.png' &&
  '$F' render --preset Background1 --seed 5 --frame all -o '$T/bga.svg' 2>/dev/null &&
  grep -q '<svg [^>]*width=\"[0-9]\{9\}[.0-9]*pt\"' '$T/bga.svg' && grep -q 'id=\"page\"' '$T/bga.svg' &&
  '$F' render --seed 1 --frame everything -o '$T/no.svg' 2> '$T/err'; test \$? = 2 &&
  grep -q 'expected page, art or all' '$T/err'"

check "less than 1 % of the art on the page: a warning names the frame that shows it; a tile's names the tile" bash -c "
  '$F' render --seed 1 --page 10x10 -o '$T/small.png' --width 50 2> '$T/err' &&
  grep -qx 'flarimond: warning: $T/small.png: only 0.0[0-9]* % of the art lies on the page; --frame art shows all of it' '$T/err' &&
  '$F' render --seed 1 --page 10x10 --frame art -o '$T/small.svg' 2> '$T/err' && ! grep -q warning '$T/err' &&
  '$F' render --seed 1 --page 10x10 -o '$T/small.json' 2> '$T/err' && ! grep -q warning '$T/err' &&
  '$F' render --seed 1 -o '$T/half.svg' 2> '$T/err' && ! grep -q warning '$T/err' &&
  '$F' sheet --vary burstType=0..1 --page 10x10 --frame page --seed 1 --tile 32 -o '$T/small.svg' 2> '$T/err' &&
  test \$(grep -c '^flarimond: warning: tile [12]: only .* of the art lies on the page' '$T/err') = 2"

check "the presets framed on the page, as the README's presets sheet draws them: no tile is blank" bash -c "
  '$F' sheet --vary preset=0..35 --columns 6 --frame page --tile 64 --seed 5 -o '$T/presets.png' 2>/dev/null &&
  python3 '$H/png_ink.py' '$T/presets.png' 0.005 64 64 18 36"

check "the SVG holds every art: art-N is the document's art N, one with no segments a path with empty data" bash -c "
  args='--set starCount=40 --set spreadFactorPerStar=1000 --seed 1' &&
  '$F' render \$args -o '$T/holes.json' && '$F' render \$args --frame art -o '$T/holes.svg' &&
  xmllint --noout --dtdvalid '$T/svg.dtd' '$T/holes.svg' && rsvg-convert '$T/holes.svg' -o '$T/holes.png' &&
  python3 - '$T/holes.json' '$T/holes.svg' <<'PY'
import json, sys, xml.etree.ElementTree as ET
arts = json.load(open(sys.argv[1]))['arts']
paths = [p for p in ET.parse(sys.argv[2]).getroot().iter('{http://www.w3.org/2000/svg}path')]
assert [p.get('id') for p in paths] == [f'art-{n}' for n in range(1, len(arts) + 1)], (len(paths), len(arts))
assert [p.get('d') == '' for p in paths] == [not a['segments'] for a in arts]
assert sum(not a['segments'] for a in arts) == 10
PY"

check "sheet of twelve seeds as SVG: a group per tile with its seed and record; tile 5 is render --seed 5" bash -c "
  '$F' sheet --vary seed=1..12 --preset 3 --frame art -o '$T/s.svg' 2> '$T/err' &&
  xmllint --noout --dtdvalid '$T/svg.dtd' '$T/s.svg' && rsvg-convert '$T/s.svg' -o '$T/s.png' &&
  test \$(grep -c 'tile [0-9]* of 12' '$T/err') = 12 &&
  '$F' render --seed 5 --preset 3 --frame art -o '$T/r5.svg' 2>/dev/null &&
  python3 - '$T/s.svg' '$T/r5.svg' <<'PY'
import json, re, sys
sheet, single = open(sys.argv[1]).read(), open(sys.argv[2]).read()
tiles = re.findall(r'<g id=\"tile-(\d+)-design\"[^>]*>\n<metadata><flarimond:design [^>]*>(.*?)</flarimond:design>', sheet)
assert [int(n) for n, _ in tiles] == list(range(1, 13)), [n for n, _ in tiles]
designs = [json.loads(text) for _, text in tiles]
assert [d['seed'] for d in designs] == list(range(1, 13))
assert all(d['record']['preset'] == 3 and len(d['record']) == 84 for d in designs)
five = sheet[sheet.index('<g id=\"tile-5\">'):sheet.index('<g id=\"tile-6\">')]
paths = lambda t: re.findall(r'<path id=\"[^\"]*art-\d+\" (d=\"[^\"]*\".*?)/>', t)
assert paths(five) and paths(five) == paths(single), (len(paths(five)), len(paths(single)))
PY"

check "sheet --each: a file per tile, byte for byte what render writes; none replaced without --force" bash -c "
  '$F' sheet --preset 9 --vary burstCount=10..11 --vary seed=2..3 --each '$T/each' 2> '$T/err' &&
  test \"\$(ls '$T/each' | tr '\\n' ' ')\" = 'burstCount-10_seed-2.svg burstCount-10_seed-3.svg burstCount-11_seed-2.svg burstCount-11_seed-3.svg ' &&
  grep -q 'wrote 4 files in' '$T/err' &&
  '$F' render --preset 9 --set burstCount=11 --seed 3 -o '$T/r.svg' 2>/dev/null && cmp '$T/r.svg' '$T/each/burstCount-11_seed-3.svg' &&
  '$F' render --from '$T/each/burstCount-10_seed-2.svg' -o '$T/again.svg' && cmp '$T/again.svg' '$T/each/burstCount-10_seed-2.svg' &&
  echo kept > '$T/each/burstCount-10_seed-3.svg' &&
  { '$F' sheet --preset 9 --vary burstCount=10..11 --vary seed=2..3 --each '$T/each' 2> '$T/err'; test \$? = 2; } &&
  grep -q '4 files are there already (.*burstCount-10_seed-2.svg, .*); nothing was written: give --force' '$T/err' &&
  grep -qx kept '$T/each/burstCount-10_seed-3.svg' &&
  '$F' sheet --preset 9 --vary burstCount=10..11 --vary seed=2..3 --each '$T/each' --force 2>/dev/null &&
  '$F' render --preset 9 --set burstCount=10 --seed 3 -o '$T/r.svg' 2>/dev/null && cmp '$T/r.svg' '$T/each/burstCount-10_seed-3.svg' &&
  '$F' sheet --vary seed=5..6 --each '$T/pdfs' --format pdf 2>/dev/null && '$F' render --from '$T/pdfs/seed-6.pdf' -o '$T/p6.json' &&
  '$F' render --seed 6 -o '$T/r6.json' && cmp '$T/p6.json' '$T/r6.json' &&
  '$F' sheet --vary seed=5..6 --each '$T/jsons' --format json 2>/dev/null && cmp '$T/r6.json' '$T/jsons/seed-6.json' &&
  { '$F' sheet --vary seed=5..6 --each '$T/none' --format jpg 2> '$T/err'; test \$? = 2; } && grep -q 'expected svg, png, pdf or json' '$T/err' &&
  { '$F' sheet --vary seed=5..6 --each '$T/none' -o '$T/s.svg' 2> '$T/err'; test \$? = 2; } && test ! -e '$T/none'"

check "sheet --each is all or nothing: a failing tile or a stopped run leaves no file, not even a partial one" bash -c "
  { '$F' sheet --vary seed=1..3 --fail art.newArt=SEGM --each '$T/failed' 2> '$T/err'; test \$? = 1; } &&
  grep -q 'Plug-in Error: .* (SEGM)' '$T/err' &&
  test ! -e '$T/failed' &&
  mkdir '$T/stopped' && exec 3< <('$F' sheet --preset 9 --vary seed=1..200 --jobs 1 --each '$T/stopped' 2>&1 & echo \$!) &&
  read -r pid <&3 && read -r line <&3 && kill -TERM \$pid && cat <&3 >/dev/null &&
  while kill -0 \$pid 2>/dev/null; do :; done && test -z \"\$(ls -A '$T/stopped')\""

check "render --plot: strokes only, a layer per pen, the page in mm, travel reported; it reopens as its design" bash -c "
  '$F' render --preset 9 --seed 4 --plot -o '$T/one.svg' 2> '$T/err1' &&
  '$F' render --preset 9 --seed 4 --set strokeColor=3 --plot -o '$T/plot.svg' 2> '$T/err' &&
  grep -q '^plot: .*plot.svg: 2 pens, [0-9]* segments in [0-9]* paths ([0-9]* segments before hidden lines were removed); pen-up travel' '$T/err' &&
  python3 - '$T/plot.svg' '$T/err1' <<'PY' &&
import re, sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
svg, ink = '{http://www.w3.org/2000/svg}', '{http://www.inkscape.org/namespaces/inkscape}'
assert root.get('width') == '215.9mm' and root.get('height') == '279.4mm', root.attrib
layers = [g for g in root if g.tag == svg + 'g']
assert len(layers) == 2 and all(g.get(ink + 'groupmode') == 'layer' and g.get('fill') == 'none' for g in layers)
assert all(len(g) > 0 and all(p.tag == svg + 'path' and p.get('fill') is None for p in g) for g in layers)
assert not root.findall('.//' + svg + 'rect')
unsorted, sorted_ = map(float, re.search(r'travel ([0-9.]+) mm in paint order, ([0-9.]+) mm', open(sys.argv[2]).read()).groups())
assert sorted_ <= 0.3 * unsorted, (sorted_, unsorted)
PY
  '$F' render --from '$T/plot.svg' -o '$T/plot.json' 2> '$T/err' && test ! -s '$T/err' &&
  '$F' render --preset 9 --seed 4 --set strokeColor=3 -o '$T/noplot.json' && cmp '$T/plot.json' '$T/noplot.json' &&
  '$F' sheet --vary seed=1..2 --plot --pens 1 --each '$T/plots' 2>/dev/null && test \$(grep -c 'inkscape:groupmode' '$T/plots/seed-2.svg') = 1 &&
  { '$F' render --plot -o '$T/p.png' 2> '$T/err'; test \$? = 2; } && grep -q 'plot writes an SVG' '$T/err'"

check "render --from a sheet's tile draws that tile's design" bash -c "
  '$F' render --from '$T/s.svg' --tile 5 -o '$T/t5.json' && '$F' render --seed 5 --preset 3 -o '$T/r5.json' 2>/dev/null &&
  python3 - '$T/t5.json' '$T/r5.json' <<'PY'
import json, sys
a, b = (json.load(open(p)) for p in sys.argv[1:])
assert a['arts'] and a['arts'] == b['arts'], (len(a['arts']), len(b['arts']))
PY"

check "sheet: the same whatever the number of workers; a grid of two --vary; a real field in steps" bash -c "
  '$F' sheet --vary burstType=0..5 --tile 48 --seed 1 --jobs 1 -o '$T/j1.png' 2>/dev/null &&
  '$F' sheet --vary burstType=0..5 --tile 48 --seed 1 --jobs 3 -o '$T/j3.png' 2>/dev/null && cmp '$T/j1.png' '$T/j3.png' &&
  '$F' sheet --vary burstCount=4..6 --vary length=100..300:100 --set starCount=2 --frame page --tile 64 --seed 1 \
    -o '$T/grid.svg' 2>/dev/null &&
  test \$(grep -c '<g id=\"tile-[0-9]*\">' '$T/grid.svg') = 9 && xmllint --noout --dtdvalid '$T/svg.dtd' '$T/grid.svg' &&
  grep -q '>burstCount 5, length 300</text>' '$T/grid.svg' && grep -q 'id=\"tile-9-page\"' '$T/grid.svg' &&
  grep -A1 '<g id=\"tile-6-design\"' '$T/grid.svg' > '$T/t6' && grep -q '\"tile\":6,.*\"starCount\":2,.*\"burstCount\":5,' '$T/t6' &&
  grep -q '\"length\":300,' '$T/t6'"

check "sheet: bad ranges are refused before any tile, nothing written; a failing tile ends its line first" bash -c "
  for a in 'burstcount=4..6' 'burstCount=1..5' 'length=50..150' 'seed=1..1000' 'dialogLeft=0..2'; do
    '$F' sheet --vary \$a -o '$T/no.svg' 2> '$T/err'; test \$? = 2 || { echo \"not refused: \$a\"; exit 1; }
    ! grep -q '^tile ' '$T/err' || { echo \"tiles drawn for \$a\"; exit 1; }
  done && test ! -e '$T/no.svg' &&
  '$F' sheet --vary burstcount=4..6 -o '$T/no.svg' 2>&1 | grep -q 'did you mean burstCount' &&
  '$F' sheet --vary shapeOption=0..1 --set nosuch=1 -o '$T/no.svg' 2>/dev/null; test \$? = 2 &&
  '$F' sheet --vary seed=1..3 --seed 4 -o '$T/no.svg' 2>/dev/null; test \$? = 2 && test ! -e '$T/no.svg' &&
  '$F' sheet --vary burstType=0..3 --seed 1 --fail art.newArt=SEGM -o '$T/no.png' 2> '$T/err'; test \$? = 1 &&
  grep -q '^Plug-in Error: .*(SEGM)' '$T/err' && test ! -e '$T/no.png'"

check "a parameter file keeps where the random source stood: apply and render --params draw the same document" bash -c "
  '$F' render --preset 2 --set burstCount=14 --seed 7 -o '$T/r.json' --save-params '$T/r.params.json' &&
  '$F' apply --params '$T/r.params.json' -o '$T/r2.json' && cmp '$T/r.json' '$T/r2.json' &&
  '$F' render --params '$T/r.params.json' -o '$T/r3.json' && cmp '$T/r.json' '$T/r3.json' &&
  printf 'press 111\\npress 110\\n' > '$T/ts.txt' &&
  '$F' render --seed 4 --dialog-script '$T/ts.txt' -o '$T/ts.json' --save-params '$T/ts.bin' &&
  test \$(stat -c %s '$T/ts.bin') = 336 && grep -q '\"drawsBefore\": [1-9]' '$T/ts.bin.random' &&
  '$F' apply --params '$T/ts.bin' -o '$T/ts2.json' && cmp '$T/ts.json' '$T/ts2.json'"

check "a design's group copied alone into another SVG carries it: found, its art checked, drawn again the same" bash -c "
  '$F' render --seed 7 --preset 9 --set burstCount=14 -o '$T/g.svg' 2>/dev/null &&
  '$F' render --seed 7 --preset 9 --set burstCount=14 -o '$T/g.json' 2>/dev/null &&
  python3 - '$T/g.svg' '$T/pasted.svg' <<'PY' &&
import sys, xml.dom.minidom as m
group = [g for g in m.parse(sys.argv[1]).getElementsByTagName('g') if g.getAttribute('id') == 'design'][0]
doc = m.parseString('<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\"><rect width=\"9\" height=\"9\"/></svg>')
doc.documentElement.appendChild(doc.importNode(group, True))
open(sys.argv[2], 'w').write(doc.toxml())
PY
  '$F' inspect '$T/pasted.svg' > '$T/out' && grep -q 'pasted.svg: design design: drawn by flarimond' '$T/out' &&
  grep -q 'art: [0-9]* paths, as the file holds them' '$T/out' &&
  '$F' render --from '$T/pasted.svg' -o '$T/pasted.json' 2> '$T/err' && cmp '$T/g.json' '$T/pasted.json' && test ! -s '$T/err' &&
  sed 's/<g id=\"design\"/<g transform=\"translate(5 0)\" id=\"design\"/' '$T/g.svg' > '$T/moved.svg' &&
  '$F' render --from '$T/moved.svg' -o '$T/moved.json' 2> '$T/err' && cmp '$T/g.json' '$T/moved.json' &&
  grep -q 'moved.svg: the art in the file is no longer the art this design drew' '$T/err'"

check "tiles gathered from a sheet are chosen by their own numbers" bash -c "
  '$F' sheet --vary burstCount=4..13 --seed 2 --tile 64 -o '$T/s10.svg' 2>/dev/null &&
  python3 - '$T/s10.svg' '$T/gathered.svg' <<'PY' &&
import sys, xml.dom.minidom as m
groups = {g.getAttribute('id'): g for g in m.parse(sys.argv[1]).getElementsByTagName('g')}
doc = m.parseString('<svg xmlns=\"http://www.w3.org/2000/svg\"/>')
for id in ('tile-3-design', 'tile-10-design'):
    doc.documentElement.appendChild(doc.importNode(groups[id], True))
open(sys.argv[2], 'w').write(doc.toxml())
PY
  '$F' inspect '$T/gathered.svg' | grep -q 'design tile-10-design, tile 10: drawn by' &&
  '$F' render --from '$T/gathered.svg' --tile 10 -o '$T/t10.json' && '$F' render --from '$T/s10.svg' --tile 10 -o '$T/t10b.json' &&
  cmp '$T/t10.json' '$T/t10b.json' && grep -q '\"burstCount\":13,' '$T/t10.json' &&
  '$F' render --from '$T/gathered.svg' --design tile-3-design -o '$T/t3.json' && grep -q '\"burstCount\":6,' '$T/t3.json' &&
  { '$F' render --from '$T/gathered.svg' -o '$T/no.json' 2> '$T/err'; test \$? = 2; } &&
  grep -q 'holds 2 designs (tile-3-design (tile 3), tile-10-design (tile 10)): choose one' '$T/err'"

check "design files that cannot be used are refused cleanly, by the file's name" bash -c "
  python3 - '$T/g.svg' '$T' <<'PY' &&
import re, sys
svg, T = open(sys.argv[1]).read(), sys.argv[2]
deep = '[' * 100000 + ']' * 100000
open(T + '/deep.svg', 'w').write(svg.replace('\"document\":{', '\"document\":{\"swatches\":' + deep + ',', 1))
open(T + '/newer.svg', 'w').write(svg.replace('flarimond 1.0.0', 'flarimond 9.0.0'))
open(T + '/page.svg', 'w').write(svg.replace('\"page\":\"612x792\"', '\"page\":\"0x792\"'))
meta = re.search(r'<metadata>.*?</metadata>', svg, re.S).group(0)
open(T + '/comment.svg', 'w').write(svg.replace(meta, '<!-- ' + meta + ' -->'))
PY
  { '$F' inspect '$T/deep.svg' 2> '$T/err'; test \$? = 2; } && grep -q 'deep.svg: the design.s description: nests deeper than 64 levels' '$T/err' &&
  { '$F' render --from '$T/newer.svg' -o '$T/refused.json' 2> '$T/err'; test \$? = 2; } && grep -q 'newer.svg: the design was made by flarimond 9.0.0, newer' '$T/err' &&
  { '$F' render --from '$T/page.svg' -o '$T/refused.json' 2> '$T/err'; test \$? = 2; } && grep -q 'page.svg: the design.s page \"0x792\"' '$T/err' &&
  ! grep -q -- '--page' '$T/err' &&
  { '$F' inspect '$T/comment.svg' 2> '$T/err'; test \$? = 2; } && grep -q 'comment.svg: carries no design' '$T/err' &&
  mkfifo '$T/fifo.svg' && { '$F' inspect '$T/fifo.svg' 2> '$T/err'; test \$? = 2; } && grep -q 'fifo.svg: is a FIFO, not a regular file' '$T/err' &&
  mkdir '$T/dir.svg' && { '$F' render --from '$T/dir.svg' -o '$T/refused.json' 2> '$T/err'; test \$? = 2; } && grep -q 'dir.svg: is a directory' '$T/err' &&
  python3 -c \"print('[{\\\"name\\\": \\\"a\\\", \\\"color\\\": \\\"none\\\", \\\"x\\\": ' + '[' * 100000 + ']' * 100000 + '}]')\" > '$T/deepsw.json' &&
  { '$F' render --swatches '$T/deepsw.json' -o '$T/refused.json' 2> '$T/err'; test \$? = 2; } && grep -q 'deepsw.json: nests deeper' '$T/err' &&
  test ! -e '$T/refused.json'"

check "sheet: a tile is what its description says: run state refused by --vary and --set, with the reason" bash -c "
  while read -r command; do
    '$F' \$command --seed 1 -o '$T/no.svg' 2> '$T/err'; test \$? = 2 || { echo \"not refused: \$command\"; exit 1; }
    grep -q ' is not a setting of the design but run state: ' '$T/err' || { cat '$T/err'; exit 1; }
  done <<EOF2 &&
sheet --vary previewValid=0..1
sheet --vary finalRun=0..1
sheet --vary burstType=0..1 --set previewValid=1
render --set finalRun=1
render --set previewValid=1
EOF2
  test ! -e '$T/no.svg'"

check "sheet: seeds are whole numbers, exactly, up to 2^64 - 1; a tile past 2^53 is its own seed's design" bash -c "
  '$F' sheet --vary seed=9007199254740993..9007199254740994 --set randomLength=1 --tile 32 -o '$T/big.svg' 2>/dev/null &&
  grep -q '>seed 9007199254740993</text>' '$T/big.svg' &&
  '$F' render --from '$T/big.svg' --tile 1 -o '$T/big1.json' &&
  '$F' render --seed 9007199254740993 --set randomLength=1 -o '$T/r993.json' &&
  '$F' render --seed 9007199254740992 --set randomLength=1 -o '$T/r992.json' &&
  python3 - '$T/big1.json' '$T/r993.json' '$T/r992.json' <<'PY' &&
import json, sys
tile, exact, below = (json.load(open(p)) for p in sys.argv[1:])
assert tile['design']['seed'] == 9007199254740993, tile['design']['seed']
assert tile['arts'] == exact['arts'] and tile['arts'] != below['arts']
PY
  '$F' sheet --vary seed=18446744073709551614..18446744073709551615 --tile 32 -o '$T/top.svg' 2>/dev/null &&
  grep -q '>seed 18446744073709551615</text>' '$T/top.svg' &&
  '$F' sheet --vary seed=18446744073709551615..18446744073709551616 -o '$T/no.svg' 2> '$T/err'; test \$? = 2 &&
  grep -q 'is not a whole number from 0 to 18446744073709551615' '$T/err' &&
  '$F' render --seed 18446744073709551616 -o '$T/no.svg' 2>/dev/null; test \$? = 2 && test ! -e '$T/no.svg'"

check "Tumble sheets: tile k is k presses made one by one in the dialog, byte for byte; shuffle beside seeds and a preset; a lock holds in every tile" bash -c "
  '$F' sheet --vary tumble=1..3 --seed 4 --tile 48 -o '$T/tumble.png' 2>/dev/null &&
  '$F' sheet --preset 9 --vary seed=2..3 --vary shuffle=1..2 --tile 32 -o '$T/shuffle.svg' 2>/dev/null &&
  grep -q '>seed 3, shuffle 2</text>' '$T/shuffle.svg' &&
  '$F' sheet --set burstCount=13 --vary tumble=1..4 --lock burstCount,length --seed 4 --tile 32 -o '$T/locked.svg' 2>/dev/null &&
  for k in 1 2 3; do
    yes 'press 111' | head -n \$k > '$T/tumble.txt' &&
    '$F' render --seed 4 --dialog-script '$T/tumble.txt' -o '$T/pressed.json' &&
    '$F' render --from '$T/tumble.png' --tile \$k -o '$T/tile.json' &&
    cmp '$T/pressed.json' '$T/tile.json' || { echo \"tumble tile \$k\"; exit 1; }
  done &&
  printf 'press 110\npress 110\n' > '$T/shuffle.txt' &&
  '$F' render --seed 3 --preset 9 --dialog-script '$T/shuffle.txt' -o '$T/pressed.json' &&
  '$F' render --from '$T/shuffle.svg' --tile 4 -o '$T/tile.json' && cmp '$T/pressed.json' '$T/tile.json' &&
  '$F' render --seed 4 --set burstCount=13 --dialog-script '$T/tumble.txt' --lock length,burstCount -o '$T/pressed.json' &&
  '$F' render --from '$T/locked.svg' --tile 3 -o '$T/tile.json' && cmp '$T/pressed.json' '$T/tile.json' &&
  python3 - '$T/locked.svg' <<'PY'
import json, re, sys
tiles = [json.loads(t) for t in re.findall(r'<flarimond:design [^>]*>(.*?)</flarimond:design>', open(sys.argv[1]).read())]
assert [t['tile'] for t in tiles] == [1, 2, 3, 4]
assert all(t['record']['burstCount'] == 13 and t['record']['length'] == 300 for t in tiles), [t['record'] for t in tiles]
assert len({json.dumps(t['record'], sort_keys=True) for t in tiles}) == 4, 'every Tumble gives a variant of its own'
PY"

check "Tumble sheets and locks: bad input names the field or value, exit 2, nothing written" bash -c "
  while IFS='|' read -r command message; do
    '$F' \$command -o '$T/no.svg' 2> '$T/err'; test \$? = 2 || { echo \"not refused: \$command\"; exit 1; }
    grep -qF -e \"\$message\" '$T/err' || { echo \"\$command:\"; cat '$T/err'; exit 1; }
    ! grep -q '^tile ' '$T/err' || { echo \"tiles drawn for \$command\"; exit 1; }
  done <<'EOF2' &&
sheet --vary tumble=0..3|tumble 0 is no number of presses
sheet --vary shuffle=1..401|shuffle 401 is outside 1..400
sheet --vary tumble=1..3 --lock burstcont|--lock burstcont: unknown field \"burstcont\" (did you mean burstCount?)
sheet --vary tumble=1..3 --lock preset|--lock preset: preset has no lock
sheet --vary tumble=1..3 --lock finalRun|--lock finalRun: finalRun is not a setting of the design
sheet --vary tumble=1..3 --vary shuffle=1..2|--vary tumble and --vary shuffle:
sheet --vary tumble=1..2 --vary burstCount=4..5 --lock burstCount|--lock burstCount: burstCount is varied from tile to tile
sheet --vary burstCount=4..5 --lock length|--lock length: a lock holds a field still through Tumble and Shuffle, and nothing here presses either
render --lock length|--lock length: a lock holds a field still through Tumble and Shuffle
EOF2
  test ! -e '$T/no.svg'"

check "sheet: a picture larger than cairo or the memory cap allow is refused before any tile is drawn" bash -c "
  '$F' sheet --vary burstType=0..29 --columns 30 --tile 2000 --seed 1 -o '$T/wide.png' 2> '$T/err'; test \$? = 2 &&
  grep -q 'wide.png: the picture would be too large (60000 x 2018 pixels; at most 32767 a side)' '$T/err' &&
  ! grep -q '^tile ' '$T/err' &&
  '$F' sheet --vary burstType=0..10 --vary burstCount=2..12 --tile 2000 --seed 1 -o '$T/huge.png' 2> '$T/err'; test \$? = 2 &&
  grep -q 'huge.png: the picture would be too large (22000 x 22198 pixels; at most 400 million in all)' '$T/err' &&
  ! grep -q '^tile ' '$T/err' && test ! -e '$T/wide.png' && test ! -e '$T/huge.png'"

check "a PNG that cannot be written names the system's reason: a file size limit, a full file system" bash -c "
  { ( ulimit -f 10; trap '' XFSZ; exec '$F' render --seed 1 -o '$T/big.png' ) 2> '$T/err'; test \$? = 2; } &&
  grep -qx 'flarimond: cannot write $T/big.png: File too large' '$T/err' && test ! -e '$T/big.png' &&
  { ( ulimit -f 10; trap '' XFSZ; exec '$F' sheet --vary burstType=0..3 --seed 1 -o '$T/bigs.png' ) 2> '$T/err'; test \$? = 2; } &&
  grep -qx 'flarimond: cannot write $T/bigs.png: File too large' '$T/err' && test ! -e '$T/bigs.png' &&
  if unshare -rm true 2>/dev/null; then
    mkdir '$T/full' &&
    { unshare -rm sh -c \"mount -t tmpfs -o size=16k tmpfs '$T/full' && exec '$F' render --seed 1 -o '$T/full/d.png'\" 2> '$T/err'
      test \$? = 2; } &&
    grep -qx 'flarimond: cannot write $T/full/d.png: No space left on device' '$T/err'
  else
    echo 'no user namespace to mount a small file system in: the full disk is left untried'
  fi"

check "output names up to the file system's 255 bytes are written; a longer one is refused by name" bash -c "
  for n in 234 255; do
    name=\$(printf '%0*d' \$((n - 5)) 0).json
    '$F' render --seed 1 -o '$T/'\$name && test -s '$T/'\$name || { echo \"not written: \$n bytes\"; exit 1; }
  done &&
  '$F' render --seed 1 -o '$T/'\$(printf '%0*d' 251 0).json 2> '$T/err'; test \$? = 2 &&
  grep -q ': File name too long\$' '$T/err'"

echo "cli: $passed passed, $failures failed"
test "$failures" = 0
