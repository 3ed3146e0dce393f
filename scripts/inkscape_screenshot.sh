#!/usr/bin/env bash
# The README's picture of New design in Inkscape: the extension installed in a profile of its own,
# Inkscape started under Xvfb on a document with a design in it, and the effect's dialog shot.
#   scripts/inkscape_screenshot.sh PATH/TO/flarimond [OUT.png]   (default docs/images/inkscape-dialog.png)
# Needs inkscape, xvfb-run and Debian's python3-gi (Inkscape's own dependencies bring it).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
out="$(realpath -m "${2:-$root/docs/images/inkscape-dialog.png}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export INKSCAPE_PROFILE_DIR="$work/profile"
"$program" inkscape --install >/dev/null
ln -s "$program" "$work/flarimond-inkscape"
"$work/flarimond-inkscape" --effect=new --preset=4 "$root/tests/inkscape/layers.svg" > "$work/design.svg"
cat > "$work/shoot.sh" <<SHOOT
#!/usr/bin/env bash
inkscape --with-gui --actions="org.flarimond.new" "$work/design.svg" >/dev/null 2>&1 &
pid=\$!
# Inkscape has no signal for "the effect's dialog is drawn": give it time (this is a picture, not a test).
sleep 15
/usr/bin/python3 - "$out" <<'PY'
import sys
import gi
gi.require_version('Gdk', '3.0')
from gi.repository import Gdk
root = Gdk.get_default_root_window()
# The effect's dialog opens at the screen's top left.
Gdk.pixbuf_get_from_window(root, 0, 0, 590, 850).savev(sys.argv[1], 'png', [], [])
PY
kill \$pid
SHOOT
chmod +x "$work/shoot.sh"
xvfb-run -a -s "-screen 0 1400x1000x24" "$work/shoot.sh"
echo "wrote $out"
