#!/usr/bin/env python3
"""What users keep, compared with a saved corpus: every output of a fixed set of commands must
come out byte for byte as it did when the corpus was saved.

    tests/cli/output_corpus.py --program build/bin/flarimond [--update] [--jobs N]

The commands cover the 36 presets as SVG, JSON and PNG, the host's options (colour models, page,
paint, opacity, swatches, art styles, first draws), contact sheets, designs drawn again from each
kind of file, `inspect`, and the messages of refused options. The corpus keeps a SHA-256 of each
output file and the exact text of each message (tests/cli/output_corpus.json). A change of output
that is meant is saved again with --update, and the diff of the corpus file shows what changed.
"""

import argparse
import concurrent.futures
import hashlib
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "output_corpus.json")


def cases():
    """(name, arguments, output files it writes, whether stderr is kept) in a fixed order; {d} is
    the case's folder."""
    out = []
    for preset in range(36):
        for ext in ("svg", "json"):
            out.append((f"preset {preset} {ext}", ["render", "--preset", str(preset), "--seed", "5",
                                                   "-o", "{d}/out." + ext], ["out." + ext], False))
    for preset in (0, 9, 26, 30):
        out.append((f"preset {preset} png", ["render", "--preset", str(preset), "--seed", "5", "--width", "300",
                                             "-o", "{d}/out.png"], ["out.png"], False))
    options = {
        "cmyk": ["--color-model", "cmyk"],
        "grey": ["--color-model", "grey"],
        "page": ["--page", "400x300", "--frame", "page"],
        "paint": ["--fill", "rgb:1,0.8,0.2", "--stroke", "cmyk:0,0,0,1@2.5"],
        "no fill": ["--fill", "none", "--stroke", "grey:0.5"],
        "opacity": ["--opacity", "0.5", "--set", "uniqueElements=1"],
        "art styles": ["--art-styles", "3", "--set", "randomStyle=1", "--set", "uniqueElements=1"],
        "draws": ["--draws", "0.5,0.25,0.999", "--set", "randomLength=1"],
        "frame art": ["--frame", "art"],
        "frame all": ["--frame", "all", "--set", "startX=2000"],
        "page by name": ["--page", "a4:landscape", "--fill", "#ff8800", "--stroke", "navy@2"],
        "plot": ["--plot", "--pens", "2"],
    }
    for name, args in options.items():
        out.append((f"options {name}", ["render", "--preset", "9", "--seed", "3", *args, "-o", "{d}/out.svg"],
                    ["out.svg"], False))
    out.append(("options swatches", ["render", "--seed", "2", "--set", "fillColor=5", "--set", "uniqueElements=1",
                                     "--swatches", os.path.join(HERE, "swatches.json"), "-o", "{d}/out.json"],
                ["out.json"], False))
    out.append(("sheet svg", ["sheet", "--vary", "burstCount=4..9", "--seed", "1", "--tile", "120", "--jobs", "1",
                              "-o", "{d}/sheet.svg"], ["sheet.svg"], False))
    out.append(("sheet png grid", ["sheet", "--vary", "preset=0..3", "--vary", "seed=1..2", "--tile",
                                   "80", "--jobs", "1", "-o", "{d}/sheet.png"], ["sheet.png"], False))
    for ext in ("svg", "png", "json"):
        first = ["render", "--preset", "12", "--seed", "8", "--set", "burstCount=14", "--width", "200",
                 "-o", "{d}/first." + ext]
        out.append((f"from {ext}", first + [";", "render", "--from", "{d}/first." + ext, "-o", "{d}/again.json",
                                            ";", "inspect", "{d}/first." + ext],
                    ["first." + ext, "again.json"], False))
    out.append(("params json", ["render", "--preset", "2", "--set", "burstCount=14", "--seed", "7", "-o",
                                "{d}/r.json", "--save-params", "{d}/p.json", ";", "apply", "--params", "{d}/p.json",
                                "-o", "{d}/a.json"], ["r.json", "p.json", "a.json"], False))
    bad = ["--draws 0.5,1", "--fail no.such", "--page 0x5", "--seed -1", "--color-model hsv", "--fill rgb:2,0,0",
           "--stroke rgb:1,0,0@-1", "--width 0", "--background pink", "--frame side", "--opacity 2",
           "--art-styles 9", "--preset 36", "--preset Nothing", "--set noSuchField=1", "--set burstCount=abc",
           "--tile 2", "--page a9", "--fill #ff88"]
    for b in bad:
        out.append((f"refused {b}", ["render", *b.split(), "-o", "{d}/never.svg"], [], True))
    return out


def run_case(program, case, work):
    name, args, files, keep_err = case
    d = os.path.join(work, hashlib.sha1(name.encode()).hexdigest()[:12])
    os.makedirs(d, exist_ok=True)
    result = {}
    commands, current = [], []
    for a in args:
        if a == ";":
            commands.append(current)
            current = []
        else:
            current.append(a.replace("{d}", d))
    commands.append(current)
    for k, cmd in enumerate(commands):
        proc = subprocess.run([program, *cmd], capture_output=True, text=True, timeout=300)
        key = f"{cmd[0]} #{k}"
        if cmd[0] == "inspect":
            result[key] = proc.stdout.replace(d, "{d}")
        if keep_err or proc.returncode != 0:
            result[key + " exit"] = proc.returncode
            result[key + " stderr"] = proc.stderr.replace(d, "{d}")
    for f in files:
        path = os.path.join(d, f)
        if os.path.exists(path):
            with open(path, "rb") as fh:
                result[f] = hashlib.sha256(fh.read()).hexdigest()
        else:
            result[f] = None
    return name, result


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--program", required=True)
    ap.add_argument("--update", action="store_true", help="save the outputs as the corpus")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    a = ap.parse_args()
    program = os.path.abspath(a.program)
    with tempfile.TemporaryDirectory(prefix="output-corpus-") as work:
        with concurrent.futures.ThreadPoolExecutor(max(1, a.jobs)) as pool:
            results = dict(pool.map(lambda c: run_case(program, c, work), cases()))
    if a.update:
        with open(CORPUS, "w") as f:
            json.dump(results, f, indent=1, sort_keys=True)
            f.write("\n")
        print(f"output corpus: {len(results)} cases saved to {CORPUS}")
        return 0
    with open(CORPUS) as f:
        saved = json.load(f)
    differing = 0
    for name in sorted(set(saved) | set(results)):
        if saved.get(name) != results.get(name):
            differing += 1
            print(f"DIFFERS: {name}")
            was, now = saved.get(name) or {}, results.get(name) or {}
            for key in sorted(set(was) | set(now)):
                if was.get(key) != now.get(key):
                    print(f"  {key}:\n    saved: {was.get(key)!r}\n    now:   {now.get(key)!r}")
    print(f"output corpus: {len(results)} cases, {differing} differing")
    if differing:
        print("If the change is meant, save the corpus again: tests/cli/output_corpus.py --program ... --update")
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
