#!/usr/bin/env python3
"""Hand-written rule breaks in the plug-in, each tried against the tests.

Each break is one small change to the plug-in's code that makes it draw or show something its rules
forbid: a text off by one character, a list in another order, one enabling rule wrong in one state,
a value read from the wrong field, a factor dropped, a product in another order, a threshold moved.
The script first builds the module, the program and the test programs from the code as it stands.
Then, for each break, it applies it, rebuilds the module alone, runs the conformance, unit and model
tests with FLARIMOND_FAIL_FAST=1 (stopping at the first failure), puts the file back and reports
CAUGHT or NOT CAUGHT. Only the module is rebuilt: the program and the test programs are the host
and the witness, and they keep what they were built with, even where they share a header with the
plug-in as data (the dialog's ids, the record's layout).

    tests/mutation/rule_breaks.py [--build build] [--list] [index ...]

The build folder must be configured already (see README.md); the file is restored even when the
run is interrupted.
"""
import argparse
import os
import pathlib
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]

# (name, file, old text, new text): the old text occurs exactly once in the file.
BREAKS = [
    # The shell: alerts, dialog names, the menu's criteria, error codes and their texts, routing.
    ("suite loading alert ends with a full stop", "shell/entry.cpp",
     '"Suite Loading Error: %d, suite: %s, version: %d!"', '"Suite Loading Error: %d, suite: %s, version: %d."'),
    ("error dialog opened under another name", "shell/errors.cpp",
     '"Error Dialog"', '"Error dialog"'),
    ("About box opened under another name", "shell/errors.cpp",
     '"About Dialog"', '"About box"'),
    ("filter menu item updated with the sixth criterion moved", "shell/entry.cpp",
     "updateMenuItemAutomatically(item, 1, 0, 0, 0, 0, 1, 0)", "updateMenuItemAutomatically(item, 1, 0, 0, 0, 1, 0, 0)"),
    ("code -65536 shown as four characters instead of a number", "shell/errors.cpp",
     "code >= -65536 && code <= 65535", "code > -65536 && code <= 65535"),
    ("an unknown code gets the message two entries before the fallback", "shell/errors.cpp",
     "found ? i + 1 : i - 1", "found ? i + 1 : i - 3"),
    ("a failed release does not stop the release walk", "shell/entry.cpp",
     "      code = basic->releaseSuite(row.name, row.version);\n      if (code != 0) break;",
     "      code = basic->releaseSuite(row.name, row.version);\n      if (code != 0) continue;"),
    ("an empty category still counts one filter", "shell/entry.cpp",
     "  if (category[0] == 0) {\n    gGlobals->filterCount = 0;", "  if (category[0] == 0) {\n    gGlobals->filterCount = 1;"),
    # The record: defaults and ranges; Get Parameters.
    ("random sketch shift off by default", "params/burst_fields.h",
     "FL_FLAG(randomSketchShift, 1)", "FL_FLAG(randomSketchShift, 0)"),
    ("star pulse limited to 99", "params/burst_fields.h",
     "FL_INT(starPulse, 1, 999, 999)", "FL_INT(starPulse, 1, 99, 999)"),
    ("zoom limited to 400 %", "params/burst_fields.h",
     "FL_FLOAT(viewZoom, 1, 500, 100)", "FL_FLOAT(viewZoom, 1, 400, 100)"),
    ("a cancel whose undo fails still restores the record", "params/get_parameters.cpp",
     "  if (HostErr e = sUndo->undoChanges()) return e;\n  std::memcpy(params, &saved, sizeof saved);",
     "  sUndo->undoChanges();\n  std::memcpy(params, &saved, sizeof saved);"),
    # The dialog's layout: lists, texts, places.
    ("shape list: Triangle2 and Triangle3 swapped", "dialog/popup_lists.h",
     '" Chisel", " Triangle2", " Triangle3",', '" Chisel", " Triangle3", " Triangle2",'),
    ("colour list: midpoint entry loses a space", "dialog/popup_lists.h",
     '" To white / midpoint"', '" To white/ midpoint"'),
    ("preset list: Styled (slow) loses a space", "dialog/popup_lists.h",
     '" Styled (slow)"', '" Styled(slow)"'),
    ("sketch colour list: Reduced and Random reduced swapped", "dialog/popup_lists.h",
     '" Reduced", " Random reduced",', '" Random reduced", " Reduced",'),
    ("check box text: apply to stars loses a space", "dialog/dialog_layout.h",
     '"Apply to stars (if stars > 1)"', '"Apply to stars (if stars >1)"'),
    ("sketch shift label one unit taller", "dialog/dialog_layout.h",
     '"Sketch shift (p)", {10, 197, 178, 217}', '"Sketch shift (p)", {10, 197, 178, 218}'),
    # The dialog's behaviour: enabling rules, notifiers, picks, page order.
    ("angle option disabled for a negative angle", "dialog/dialog_layout.h",
     "return p.angle != 0.0f; }, {76}", "return p.angle > 0.0f; }, {76}"),
    ("steps disabled for half colour inverted", "dialog/dialog_layout.h",
     "scheme == 8 || scheme == 13;", "scheme == 8;"),
    ("half fill shadow not enabled by the drop shadow", "dialog/dialog_layout.h",
     "{88, 89, 91, 90}, \"dropShadow", "{88, 89, 91}, \"dropShadow"),
    ("zoom divided by 100 instead of times 0.01", "dialog/notifiers.cpp",
     "params->viewZoom * 0.01f", "params->viewZoom / 100.0f"),
    ("styles page shows its items in another order", "dialog/dialog_layout.h",
     "{180, 182, 181, 183, 185, 184, 186, 94, 95}", "{180, 181, 182, 183, 184, 185, 186, 94, 95}"),
    ("factor pick divides by 10 instead of times 0.1", "dialog/notifiers.cpp",
     "setFloatField(params, offset, picked.h * 0.1f);", "setFloatField(params, offset, picked.h / 10.0f);"),
    ("angle pick measured from the centre to the point", "dialog/notifiers.cpp",
     "sMath->pointAngle(&picked, &centre)", "sMath->pointAngle(&centre, &picked)"),
    ("current page's label keeps the normal font", "dialog/notifiers.cpp",
     "sAdmItem->setFont(dialogItem(dialog, pageLabel(shown)), kFontEmphasised);",
     "sAdmItem->setFont(dialogItem(dialog, pageLabel(shown)), kFontDialog);"),
    # Presets and Tumble.
    ("Crystal preset with 18 bursts", "dialog/presets.cpp",
     "FL_SET(burstCount, 19)", "FL_SET(burstCount, 18)"),
    ("Fine star preset height factor 180", "dialog/presets.cpp",
     "FL_SET(heightFactorPerStar, 108)", "FL_SET(heightFactorPerStar, 180)"),
    ("a preset resets the zoom", "dialog/presets.cpp",
     "FL_AT(currentPage), FL_AT(viewZoom),    FL_AT(preset),", "FL_AT(currentPage), FL_AT(preset),"),
    ("Tumble: random centre at chance 90", "dialog/presets.cpp",
     "{FL_AT(randomCenter), 95}", "{FL_AT(randomCenter), 90}"),
    ("Tumble: gap factor summed in another order (rounding)", "dialog/presets.cpp",
     "*gapFactor = 100.0f * (gapLeft + 1.0f) - 100.0f * gapRight;",
     "*gapFactor = 100.0f * gapLeft + 100.0f - 100.0f * gapRight;"),
    ("Tumble: reverse option from eight entries", "dialog/presets.cpp",
     "p->reverseOption = wholeDraw(9);", "p->reverseOption = wholeDraw(8);"),
    ("Tumble keeps unique elements", "dialog/presets.cpp",
     "FL_AT(strokeSteps), FL_AT(uniqueElements), FL_AT(previewValid),", "FL_AT(strokeSteps), FL_AT(previewValid),"),
    # The generation.
    ("shadow direction sign at exactly one half", "burst/generate.cpp",
     "float s1 = r1 <= 0.5f ? 1.0f : -1.0f;", "float s1 = r1 < 0.5f ? 1.0f : -1.0f;"),
    ("random burst count keeps two only above two", "burst/generate.cpp",
     "s.elementCount = n >= 2 ? n : p.burstCount;", "s.elementCount = n > 2 ? n : p.burstCount;"),
    ("pattern 7: the vertical draw gives x", "burst/mirror.cpp",
     "at = {r2 * s.pageWidth, r1 * s.pageHeight};", "at = {r1 * s.pageWidth, r2 * s.pageHeight};"),
    ("random opacity: product taken part by part (rounding)", "burst/paint.cpp",
     "sRandom->floatRandom() * s.factor(kOpacity) :",
     "sRandom->floatRandom() * s.factors[kOpacity].star * s.factors[kOpacity].element :"),
    ("random swatches leave the paint flag", "burst/paint.cpp",
     "      if (lookUpSwatch(k, swatchCount, &swatch)) color = swatch;\n      paint = 1;",
     "      if (lookUpSwatch(k, swatchCount, &swatch)) color = swatch;"),
    ("second height drops the element's height factor", "burst/dimensions.cpp",
     "s.height2 = s.height2 * heightFactor;", "s.height2 = s.height2 * s.factors[kHeight].star;"),
    ("base point's y from the centre's x", "burst/dimensions.cpp",
     "s.baseY = s.gapY * gapFactor + s.centreY;", "s.baseY = s.gapY * gapFactor + s.centreX;"),
    ("random rescale by a third as a product (rounding)", "burst/own_transform.cpp",
     "sign * drawRandom() / 3.0f", "sign * drawRandom() * 0.33333334f"),
    ("shadow squashed toward its top edge", "burst/shadow.cpp",
     "  sMath->matrixSetTranslate(&m, -cx, -r.bottom);\n  sMath->matrixConcatScale(&m, 1.0f, amount);\n  sMath->matrixConcatTranslate(&m, cx, r.bottom);",
     "  sMath->matrixSetTranslate(&m, -cx, -r.top);\n  sMath->matrixConcatScale(&m, 1.0f, amount);\n  sMath->matrixConcatTranslate(&m, cx, r.top);"),
    ("sketch shift sign at exactly one half", "burst/sketch.cpp",
     "float signY = r3 > 0.5f ? -1.0f : 1.0f;", "float signY = r3 >= 0.5f ? -1.0f : 1.0f;"),
    ("Scalpel's third corner one step short", "burst/shapes.cpp",
     "      o.add(corner(bx + L1 - L2 * 0.5f, by - H1));\n      o.add(corner(bx + L1 - L2 * 0.5f, by - H1 - H2));",
     "      o.add(corner(bx + L1 - L2 * 0.5f, by - H1));\n      o.add(corner(bx + L1 - L2 * 0.5f, by - H2));"),
]

TARGETS = ["flarimond_plugin", "flarimond", "shell_test", "get_parameters_test", "generate_test", "paint_test",
           "geometry_test", "dialog_test", "presets_test", "effects_test", "strict_host_test", "control_notes_test",
           "default_record_test", "variant_history_test", "burst_tables_test", "dialogs_test", "resources_test",
           "faults_test"]
# Fastest first: the table tests and the conformance programs, then the unit tests, then the model.
LABELS = ["conformance", "unit", "model"]


def run_tests(build, env):
    """The first label whose tests fail, with a line of its output; None when all pass."""
    for label in LABELS:
        r = subprocess.run(["ctest", "--test-dir", str(build), "-L", label, "-E", "serve|cli|mutation_keys",
                            "--stop-on-failure", "-j2", "--output-on-failure"],
                           cwd=ROOT, env=env, capture_output=True, text=True)
        if r.returncode != 0:
            failed = [l.strip() for l in r.stdout.splitlines() if "***Failed" in l or "(Failed)" in l]
            return f"{label}: {failed[0] if failed else r.stdout.strip().splitlines()[-1]}"
    return None


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default="build")
    ap.add_argument("--list", action="store_true")
    ap.add_argument("which", nargs="*", type=int)
    a = ap.parse_args()
    if a.list:
        for i, b in enumerate(BREAKS):
            print(f"[{i}] {b[1]}: {b[0]}")
        return 0
    build = (ROOT / a.build).resolve()
    env = dict(os.environ, FLARIMOND_FAIL_FAST="1")
    built = subprocess.run(["cmake", "--build", str(build), "-j2", "--target", *TARGETS], cwd=ROOT,
                           capture_output=True, text=True)
    if built.returncode:
        print(built.stdout[-3000:])
        return 2
    missed = 0
    for i, (name, rel, old, new) in enumerate(BREAKS):
        if a.which and i not in a.which:
            continue
        path = ROOT / rel
        text = path.read_text()
        if text.count(old) != 1:
            print(f"[{i}] {name}: STALE (the text to change occurs {text.count(old)} times)", flush=True)
            missed += 1
            continue
        path.write_text(text.replace(old, new))
        try:
            t = time.time()
            b = subprocess.run(["cmake", "--build", str(build), "-j2", "--target", "flarimond_plugin"],
                               cwd=ROOT, capture_output=True, text=True)
            if b.returncode:
                print(f"[{i}] {name}: BUILD FAILED\n{b.stdout[-1500:]}", flush=True)
                missed += 1
                continue
            failed = run_tests(build, env)
            verdict = f"CAUGHT ({failed})" if failed else "NOT CAUGHT"
            missed += 0 if failed else 1
            print(f"[{i}] {name}: {verdict} [{time.time() - t:.0f}s]", flush=True)
        finally:
            path.write_text(text)
    # Leave the build as the unbroken code makes it.
    subprocess.run(["cmake", "--build", str(build), "-j2", "--target", "flarimond_plugin"], cwd=ROOT, capture_output=True)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
