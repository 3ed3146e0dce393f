#!/usr/bin/env python3
"""Renders the same records with the same seed on the Linux and the Windows build and compares
the JSON documents: the same arts in the same order with the same styles, every coordinate
within 0.001 point.

    compare_builds.py LINUX_FLARIMOND WINDOWS_FLARIMOND.exe RUNNER...

RUNNER is the command that runs a Windows program (scripts/wine-run.sh PREFIX).
"""
import json
import subprocess
import sys
import tempfile
from pathlib import Path

POINT = 0.001   # coordinates, stroke widths
FRACTION = 1e-5  # colour components and opacity, 0..1

# Each case changes the default record; together they reach the running factors, several stars,
# unique elements and the random options, where a difference in rounding would show first.
CASES = {
    "default": None,
    "stars": {
        "starCount": 4, "burstCount": 17, "burstType": 7, "shapeOption": 3, "scaling": 9,
        "pattern": 2, "length": 180.5, "angle": 12.25, "fillColor": 3, "strokeColor": 5,
        "fanFactorPerStar": 93, "lengthFactorPerStar": 85.5, "lengthFactorPerElement": 98,
        "angleFactorPerElement": 101.5, "heightFactorPerStar": 110, "opacityFactorPerElement": 97,
        "initialGapX": 14, "initialGapY": -6, "spreadX": 30, "spreadY": 12,
    },
    "unique-random": {
        "starCount": 3, "burstCount": 23, "uniqueElements": 1, "randomShape": 1,
        "randomBurstType": 1, "randomScale": 1, "randomStyle": 1, "randomAngle": 1,
        "randomLength": 1, "randomHeight": 1, "randomCenter": 1, "randomOpacity": 1,
        "randomWidth": 1, "randomSpread": 1, "randomInitialGap": 1, "randomBurstCount": 1,
        "alternateFlip": 1, "fillColor": 6, "strokeColor": 2, "pathInterpolate": 35,
        "dropShadow": 1, "randomShadowScaling": 1, "randomShadowDirection": 1,
        "randomShadowOpacity": 1, "sketchRepeats": 2, "sketchWeight": 3, "sketchShift": 8,
    },
}


def run(command, cwd):
    done = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    if done.returncode != 0:
        raise SystemExit(f"{' '.join(map(str, command))} failed ({done.returncode}):\n{done.stdout}{done.stderr}")


def near(a, b, tolerance):
    return abs(a - b) <= tolerance


def compare_points(where, a, b, problems):
    for key in ("p", "in", "out"):
        if not all(near(x, y, POINT) for x, y in zip(a[key], b[key])):
            problems.append(f"{where} {key}: {a[key]} on Linux, {b[key]} on Windows")
    if a["corner"] != b["corner"]:
        problems.append(f"{where} corner: {a['corner']} on Linux, {b['corner']} on Windows")


def compare_paint(where, a, b, problems):
    if a.get("paint") != b.get("paint") or a.get("kind") != b.get("kind"):
        problems.append(f"{where}: {a} on Linux, {b} on Windows")
        return
    ca, cb = a.get("components", []), b.get("components", [])
    if len(ca) != len(cb) or not all(near(x, y, FRACTION) for x, y in zip(ca, cb)):
        problems.append(f"{where} components: {ca} on Linux, {cb} on Windows")
    if "width" in a or "width" in b:
        if not near(a.get("width", -1), b.get("width", -1), POINT):
            problems.append(f"{where} width: {a.get('width')} on Linux, {b.get('width')} on Windows")


def compare(linux, windows):
    problems = []
    for key in ("page", "colorModel"):
        if linux[key] != windows[key]:
            problems.append(f"{key}: {linux[key]} on Linux, {windows[key]} on Windows")
    if len(linux["arts"]) != len(windows["arts"]):
        problems.append(f"{len(linux['arts'])} arts on Linux, {len(windows['arts'])} on Windows")
    for i, (a, b) in enumerate(zip(linux["arts"], windows["arts"])):
        where = f"art {i}"
        if a["closed"] != b["closed"] or len(a["segments"]) != len(b["segments"]):
            problems.append(f"{where}: closed {a['closed']}, {len(a['segments'])} segments on Linux; "
                            f"closed {b['closed']}, {len(b['segments'])} segments on Windows")
            continue
        for j, (sa, sb) in enumerate(zip(a["segments"], b["segments"])):
            compare_points(f"{where} segment {j}", sa, sb, problems)
        compare_paint(f"{where} fill", a["fill"], b["fill"], problems)
        compare_paint(f"{where} stroke", a["stroke"], b["stroke"], problems)
        if not near(a["opacity"], b["opacity"], FRACTION):
            problems.append(f"{where} opacity: {a['opacity']} on Linux, {b['opacity']} on Windows")
        if a["artStyle"] != b["artStyle"]:
            problems.append(f"{where} art style: {a['artStyle']!r} on Linux, {b['artStyle']!r} on Windows")
    return problems


def main():
    if len(sys.argv) < 4:
        raise SystemExit(__doc__)
    # The programs run in a folder of their own: paths given here are made absolute first.
    linux, windows, *runner = [str(Path(a).resolve()) if Path(a).exists() else a for a in sys.argv[1:]]
    failed = False
    with tempfile.TemporaryDirectory(prefix="flarimond-compare-") as tmp:
        work = Path(tmp)
        run([linux, "render", "--seed", "7", "--cancel", "--save-params", "defaults.json", "-o", "blank.json"], work)
        defaults = json.loads((work / "defaults.json").read_text())
        for name, changes in CASES.items():
            options = ["render", "--seed", "7"]
            if changes is not None:
                unknown = set(changes) - set(defaults)
                if unknown:
                    raise SystemExit(f"{name}: no such fields {sorted(unknown)}")
                (work / f"{name}.params.json").write_text(json.dumps({**defaults, **changes}))
                options += ["--params", f"{name}.params.json"]
            # Relative names, so that neither build has to translate the other's paths.
            run([linux, *options, "-o", f"{name}.linux.json"], work)
            run([*runner, windows, *options, "-o", f"{name}.windows.json"], work)
            a = json.loads((work / f"{name}.linux.json").read_text())
            b = json.loads((work / f"{name}.windows.json").read_text())
            problems = compare(a, b) if a["arts"] else ["no arts drawn on Linux: nothing compared"]
            if problems:
                failed = True
                print(f"FAILED {name}: {len(problems)} differences")
                for p in problems[:20]:
                    print("   ", p)
            else:
                print(f"{name}: {len(a['arts'])} arts, the same on both builds")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
