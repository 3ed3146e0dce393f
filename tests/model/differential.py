#!/usr/bin/python3
"""The generation, twice: the plug-in in the stand-in host (`flarimond apply`) against the
reference model of this folder, on seeded random records.

    /usr/bin/python3 tests/model/differential.py --program build/bin/flarimond [--count N] [--seed S]
        [--jobs J] [--module PATH] [--stop-at-first] [--keep DIR | --work DIR] [--coverage]
        [--summary FILE]

Each case is a record (all 84 fields), host options (colour model, paint and opacity of new
paths, page, swatch list, how many named art styles), a seed and sometimes exact first draws. The program draws the design with Go alone,
so its random source starts at the seed's first draw; the model takes the same draws. Every art is
compared in stacking order, bit for bit (the JSON's numbers are the shortest text of the host's
floats). A run of N cases of a seed makes the same cases every time. On a mismatch the case's
files are kept and the record, the command line, the art, the quantity and both values are
printed, and the exit status is 1. The number of draws is compared too (a draw past the model's
last is made to fail), and a run the model ends with a host error must end with that error.

Another tool (a mutation runner) can call check(program, module=..., stop_at_first=True).
"""

import argparse
import functools
import json
import multiprocessing
import os
import random
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

try:
    import numpy as np
except ImportError:
    sys.exit("differential.py: numpy is missing: install the Debian package python3-numpy (scripts/setup.sh test) "
             "and run this with /usr/bin/python3")

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import host_model as hm  # noqa: E402
from generation_model import FIELDS, Unsettled, Generation  # noqa: E402

F = np.float32

# Cases whose design has more arts than this are drawn again smaller: each case stays well under a
# second in both the program and the model.
ART_CAP = 400
TIMEOUT = 60

# The popups, with the values drawn evenly over a run's cases. Stroke colour 14 (" 10% reduction"
# in the stroke list) is left out: what it does to a stroke is the implementer's choice.
POPUPS = {
    "shapeOption": range(14), "burstType": range(30), "scaling": range(43), "fillColor": range(15),
    "strokeColor": range(14), "pattern": range(11), "sketchColor": range(12), "reverseOption": range(9),
}
FLAGS = [
    "uniqueElements", "randomInitialGap", "randomSpread", "randomShape", "randomBurstType", "placeBelow",
    "alternateFlip", "randomScale", "randomStyle", "randomBurstCount", "randomAngle", "randomLength",
    "randomCenter", "randomHeight", "randomApply", "randomOpacity", "randomWidth", "applyToUniqueElements",
    "applyToStars", "dropShadow", "randomShadowScaling", "halfFillShadow", "randomShadowDirection",
    "randomShadowOpacity", "randomSketchWeight", "randomSketchShift",
]
HOST_STRATA = {"colorModel": ["rgb", "cmyk", "grey"], "fill": ["default", "none", "grey", "rgb", "cmyk"],
               "stroke": ["default", "none", "grey", "rgb", "cmyk"], "page": ["default", "other"],
               "swatches": ["default", "default", "short"], "draws": ["seeded"] * 4 + ["edges"],
               "opacity": ["default"] * 3 + ["other"], "artStyles": ["default"] * 6 + [0, 1, 2, 5],
               "factors": ["plain"] * 2 + ["uneven"]}

# Where the plug-in and the rules disagree, the case is left out here until the plug-in is
# fixed: (name, the rule, a test on the case). Empty while they agree.
KNOWN_DISAGREEMENTS = []

# Quantities compared within a tolerance rather than bit for bit: none. Every number the
# generation makes has its arithmetic fixed by the rules (single precision, in their order) or by
# the host the model follows.
TOLERANCES = {}

# Draws that sit on the edges the rules test (a sign is -1 only above 0.5; a draw of 0; the
# largest draw), for the exact first draws of some cases.
EDGE_DRAWS = [F(0), F(0.5), np.nextafter(F(0.5), F(0)), np.nextafter(F(0.5), F(1)), np.nextafter(F(1), F(0))]


def f32_text(v):
    """The shortest text that reads back as the float v."""
    return np.format_float_positional(F(v), unique=True, trim="-")


def _real(rng, lo, hi, step=0.01):
    return float(F(round(rng.uniform(lo, hi) / step) * step))


def _colour_text(rng, kind):
    n = {"grey": 1, "rgb": 3, "cmyk": 4}[kind]
    return kind + ":" + ",".join(f32_text(_real(rng, 0, 1)) for _ in range(n))


@functools.lru_cache(maxsize=4)
def plan_of(seed, count):
    return Plan(seed, count)


class Plan:
    """The even spread of popup values, flags and host options over the cases of one seed."""

    def __init__(self, seed, count):
        rng = random.Random(f"plan/{seed}")
        self.columns = {}
        for name, values in list(POPUPS.items()) + list(HOST_STRATA.items()) + [(f, (0, 1)) for f in FLAGS]:
            values = list(values)
            column = (values * (count // len(values) + 1))[:count]
            rng.shuffle(column)
            self.columns[name] = column

    def value(self, name, i):
        return self.columns[name][i]


def make_case(seed, i, count, attempt):
    """Case i of a run: its record, host options, seed and first draws. A later attempt draws the
    free fields again (and smaller) when the first made too large a design or an unsettled one."""
    plan = plan_of(seed, count)
    rng = random.Random(f"case/{seed}/{i}/{attempt}")
    small = attempt >= 6
    rec = {name: 0 for name, _ in FIELDS}
    for name in POPUPS:
        rec[name] = plan.value(name, i)
    for name in FLAGS:
        rec[name] = plan.value(name, i)
    # The dialog's own fields, which the generation never reads, take any value of their range.
    rec.update(preview=rng.randint(0, 1), finalRun=1, previewValid=0, currentPage=rng.randint(1, 7),
               viewZoom=_real(rng, 1, 500), factorMode=rng.randint(0, 1), preset=rng.randint(0, 35))
    rec["starCount"] = rng.choice([1, 1, 2, 2, 3, 4] if not small else [1, 2])
    rec["burstCount"] = rng.randint(2, 5 if small else 14)
    rec["burstApplyRun"] = rng.randint(1, 4)
    rec["burstApplySkip"] = rng.choice([0, 0, 0, 1, 2, 3])
    rec["sketchRepeats"] = rng.choice([0, 0, 1, 2, 3] if not small else [0, 1])
    rec["starPulse"] = rng.choice([999, 999, 1, 2, 3])
    rec["elementPulse"] = rng.choice([999, 999, 1, 2, 3, 5])
    rec["fillSteps"] = rng.choice([0, 0, 1, 3, 7, 12])
    rec["strokeSteps"] = rng.choice([0, 0, 1, 4, 9])
    rec["startX"] = _real(rng, -300, 900)
    rec["startY"] = _real(rng, -300, 900)
    rec["initialGapX"] = rng.choice([0.0, _real(rng, -100, 200)])
    rec["initialGapY"] = rng.choice([0.0, _real(rng, -100, 100)])
    rec["spreadX"] = rng.choice([0.0, _real(rng, -150, 150)])
    rec["spreadY"] = rng.choice([0.0, _real(rng, -150, 150)])
    rec["pathInterpolate"] = rng.choice([0.0, 0.0, 50.0, 100.0, _real(rng, 0, 100)])
    rec["length"] = rng.choice([300.0, _real(rng, -200, 500), 0.0] if rng.random() < 0.2 else [_real(rng, -200, 500)])
    rec["angle"] = rng.choice([0.0, _real(rng, -360, 360)])
    rec["sketchWeight"] = rng.choice([0.0, 10.0, _real(rng, 0, 400)])
    rec["sketchShift"] = rng.choice([0.0, _real(rng, 0, 60), _real(rng, 0, 200)])
    uneven = plan.value("factors", i) == "uneven"
    for f in ("fan", "length", "fill", "height", "angle", "spread", "initialGap", "opacity"):
        if uneven:
            # Percentages whose products round differently in each order, on several stars with
            # skipped elements: the order of every product shows.
            rec[f + "FactorPerStar"] = _real(rng, 60, 140)
            rec[f + "FactorPerElement"] = _real(rng, 80, 120)
        else:
            rec[f + "FactorPerStar"] = rng.choice([100.0, 100.0, -100.0, 0.0, _real(rng, 25, 200)])
            rec[f + "FactorPerElement"] = rng.choice([100.0, 100.0, -100.0, 0.0, _real(rng, 50, 150)])
    if uneven:
        rec["starCount"] = max(rec["starCount"], 2)
        rec["burstApplySkip"] = rng.choice([0, 1, 2, 3])
    rec["dialogLeft"], rec["dialogTop"] = rng.randint(0, 500), rng.randint(0, 500)
    rec["dialogRight"], rec["dialogBottom"] = rec["dialogLeft"] + 400, rec["dialogTop"] + 300
    rec["dialogBoundsSaved"] = rng.randint(0, 1)

    host = {"colorModel": plan.value("colorModel", i)}
    for which in ("fill", "stroke"):
        choice = plan.value(which, i)
        if choice == "none":
            host[which] = "none"
        elif choice != "default":
            host[which] = _colour_text(rng, choice)
    if plan.value("opacity", i) == "other":
        host["opacity"] = f32_text(_real(rng, 0, 1, 0.001))
    if plan.value("artStyles", i) != "default":
        host["artStyles"] = plan.value("artStyles", i)
    if "stroke" in host and rng.random() < 0.6:
        host["strokeWidth"] = f32_text(_real(rng, 0, 8, 0.25))
    if plan.value("page", i) == "other":
        host["page"] = (_real(rng, 100, 1500, 0.5), _real(rng, 100, 1500, 0.5))
    if plan.value("swatches", i) == "short":
        entries = [{"name": "[None]", "color": "none"}, {"name": "[Registration]", "color": "registration"}]
        for k in range(rng.randint(0, 5)):
            kind = rng.choice(["grey", "rgb", "cmyk", "rgb", "cmyk", "none", "registration"])
            colour = kind if kind in ("none", "registration") else _colour_text(rng, kind)
            entries.append({"name": f"S{k}", "color": colour})
        if rng.random() < 0.2:
            entries = entries[rng.randint(1, 2):]
        host["swatches"] = entries
    swatch_count = len(host.get("swatches", [])) if "swatches" in host else 28
    # Mostly a swatch the document holds; now and then one past the last, which the dialog allows.
    for name in ("fillSwatch", "strokeSwatch"):
        rec[name] = rng.randint(0, max(0, swatch_count - (0 if rng.random() < 0.1 else 1)))
    first = []
    if plan.value("draws", i) == "edges":
        first = [rng.choice(EDGE_DRAWS + [F(rng.randrange(1 << 24)) * F(2.0 ** -24)]) for _ in range(rng.randint(4, 40))]
    return {"index": i, "record": rec, "host": host, "seed": rng.randrange(1, 2 ** 40), "draws": first}


def model_document(host):
    swatches = None
    if "swatches" in host:
        swatches = [hm.swatch_colour(e["color"]) for e in host["swatches"]]
    return hm.Document(hm.MODEL_NAMES[host["colorModel"]], host.get("page", (612.0, 792.0)), host.get("fill"),
                       host.get("stroke"), host.get("strokeWidth"), swatches, host.get("opacity"),
                       host.get("artStyles"))


def run_model(case):
    """(arts, draws taken, what the record reached, the error code the run ends with or None);
    raises Unsettled or HostRefused."""
    doc = model_document(case["host"])
    draws = hm.Draws(case["seed"], case["draws"])
    gen = Generation(case["record"], doc, draws)
    try:
        gen.run()
    except hm.HostFailed as e:
        return doc.arts, draws.count, gen.reached, e.code
    return doc.arts, draws.count, gen.reached, None


def choose_case(seed, i, count):
    """Case i: the first attempt whose design is settled, finite, small enough and not a known
    disagreement; with the model's result."""
    left_out = []
    for attempt in range(40):
        case = make_case(seed, i, count, attempt)
        known = [name for name, _, test in KNOWN_DISAGREEMENTS if test(case)]
        if known:
            left_out += ["known disagreement: " + name for name in known]
            continue
        try:
            arts, taken, reached, ends = run_model(case)
        except Unsettled as e:
            left_out.append(f"unsettled: {e}")
            continue
        except hm.HostRefused as e:
            left_out.append(f"refused by the host: {e}")
            continue
        if len(arts) <= ART_CAP:
            return case, arts, taken, reached, ends, left_out
        left_out.append(f"more than {ART_CAP} arts")
    raise RuntimeError(f"case {i} of seed {seed}: no attempt made a design the model could draw")


def command(case, program, module, params, out, swatch_file, taken):
    host = case["host"]
    cmd = [program, "apply", "--params", params, "--seed", str(case["seed"]), "-o", out,
           "--color-model", host["colorModel"]]
    if module:
        cmd += ["--module", module]
    if "fill" in host:
        cmd += ["--fill", host["fill"]]
    if "stroke" in host:
        cmd += ["--stroke", host["stroke"] + ("@" + host["strokeWidth"] if "strokeWidth" in host else "")]
    elif "strokeWidth" in host:
        raise AssertionError("a stroke width without a stroke")
    if "page" in host:
        cmd += ["--page", "x".join(f32_text(v) for v in host["page"])]
    if swatch_file:
        cmd += ["--swatches", swatch_file]
    if "opacity" in host:
        cmd += ["--opacity", host["opacity"]]
    if "artStyles" in host:
        cmd += ["--art-styles", str(host["artStyles"])]
    if case["draws"]:
        cmd += ["--draws", ",".join(f32_text(v) for v in case["draws"])]
    # A draw past the last the model takes fails (and the host says so when it never came), which
    # tells how many draws the generation took.
    cmd += ["--fail", f"random.floatRandom@{taken + 1}"]
    return cmd


def record_text(rec):
    parts = []
    for name, kind in FIELDS:
        parts.append(f'  "{name}": ' + (f32_text(rec[name]) if kind == "f" else str(int(rec[name]))))
    return "{\n" + ",\n".join(parts) + "\n}\n"


# ---- Comparison ---------------------------------------------------------------------------------


def _same(quantity, model, host):
    if model is None:  # left open to the plug-in: not compared
        return True
    tolerance = TOLERANCES.get(quantity)
    if tolerance is None:
        return F(model) == F(host)
    return abs(float(model) - float(host)) <= tolerance


def _colour_parts(prefix, colour, host):
    """(quantity, model, host) for a colour of the model against the host's JSON colour."""
    if colour.kind is None:
        return []
    out = [(prefix + ".kind", hm.KIND_NAMES.get(colour.kind, "unknown"), host.get("kind"))]
    if colour.kind == hm.SPOT:
        out.append((prefix + ".name", colour.name, host.get("name")))
        n = 1
    else:
        n = hm.COMPONENTS.get(colour.kind, 0)
    comps = host.get("components", [])
    out.append((prefix + ".count", n, len(comps)))
    for k in range(min(n, len(comps))):
        out.append((f"{prefix}.components[{k}]", colour.c[k], comps[k]))
    return out


def art_differences(art, host, doc):
    """The quantities of one art where the model and the host's JSON differ."""
    checks = [("closed", art.closed, host["closed"]), ("segment count", len(art.segs), len(host["segments"]))]
    names = ("p.x", "p.y", "in.x", "in.y", "out.x", "out.y")
    for k, (seg, hseg) in enumerate(zip(art.segs, host["segments"])):
        values = hseg["p"] + hseg["in"] + hseg["out"]
        for j in range(6):
            checks.append((f"segment {k} {names[j]}", seg[j], values[j]))
        checks.append((f"segment {k} corner", False, hseg["corner"]))
    st = art.style
    checks.append(("fill.paint", st.fill_paint, host["fill"]["paint"]))
    checks += _colour_parts("fill", st.fill, host["fill"])
    checks.append(("stroke.paint", st.stroke_paint, host["stroke"]["paint"]))
    checks += _colour_parts("stroke", st.stroke, host["stroke"])
    checks.append(("stroke.width", st.width, host["stroke"]["width"]))
    checks.append(("opacity", art.opacity, host["opacity"]))
    style_name = doc.art_styles[art.art_style][0] if art.art_style >= 0 else None
    checks.append(("artStyle", style_name, host["artStyle"]))
    bad = []
    for quantity, model, got in checks:
        if isinstance(model, (bool, str, int)) or model is None and got is None:
            ok = model == got
        else:
            ok = _same(quantity.split(" ")[-1], model, got)
        if not ok:
            bad.append((quantity, model, got))
    return bad


def differences(arts, host_doc, doc):
    """(art index, quantity, model, host) of every difference, art count first."""
    host_arts = host_doc["arts"]
    out = []
    if len(arts) != len(host_arts):
        out.append((None, "art count", len(arts), len(host_arts)))
    for i, (a, h) in enumerate(zip(arts, host_arts)):
        for quantity, model, got in art_differences(a, h, doc):
            out.append((i, quantity, model, got))
    return out


# ---- Running ------------------------------------------------------------------------------------


def run_one(job):
    """Chooses case i, runs the program and the model, and compares. Returns a result dict."""
    seed, i, count, program, module, work, keep = job
    case, arts, taken, reached, ends, left_out = choose_case(seed, i, count)
    folder = os.path.join(work, f"case-{i:05d}")
    os.makedirs(folder, exist_ok=True)
    params = os.path.join(folder, "record.json")
    with open(params, "w") as f:
        f.write(record_text(case["record"]))
    swatch_file = None
    if "swatches" in case["host"]:
        swatch_file = os.path.join(folder, "swatches.json")
        with open(swatch_file, "w") as f:
            json.dump(case["host"]["swatches"], f)
    out = os.path.join(folder, "out.json")
    cmd = command(case, program, module, params, out, swatch_file, taken)
    result = {"index": i, "arts": len(arts), "draws": taken, "reached": reached, "left_out": left_out,
              "folder": folder, "command": shlex.join(cmd), "record": params, "problems": []}
    try:
        proc = subprocess.run(cmd, capture_output=True, text=True, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        result["problems"] = [(None, "run", "an end within %d s" % TIMEOUT, "no end")]
        return result
    if ends is not None:
        # The run ends with the host's error code, which the program reports; it writes nothing.
        if proc.returncode == 0 or f"({ends})" not in proc.stderr or os.path.exists(out):
            result["problems"] = [(None, "end of the run", f"error {ends}, no output",
                                   f"exit {proc.returncode}, output {'written' if os.path.exists(out) else 'none'}: "
                                   f"{proc.stderr.strip()[-300:]}")]
        return result
    if proc.returncode != 0:
        result["problems"] = [(None, "exit status", 0, f"{proc.returncode}: {proc.stderr.strip()[-300:]}")]
        return result
    called = re.search(r"random\.floatRandom was called (\d+) time", proc.stderr)
    if not called or int(called.group(1)) != taken:
        result["problems"].append((None, "draws taken", taken, int(called.group(1)) if called else "more"))
    with open(out) as f:
        host_doc = json.load(f)
    if host_doc["design"].get("drawsBefore", 0) != 0:
        result["problems"].append((None, "draws before the design", 0, host_doc["design"]["drawsBefore"]))
    doc = model_document(case["host"])
    result["problems"] += differences(arts, host_doc, doc)
    if not result["problems"] and not keep:
        shutil.rmtree(folder, ignore_errors=True)
    else:
        with open(os.path.join(folder, "model.json"), "w") as f:
            json.dump(model_json(arts, doc, taken), f, indent=1)
    return result


def _number(v):
    # The double whose shortest text is the float's: the JSON reads as the host's export does.
    return None if v is None else float(f32_text(v))


def _colour_json(colour):
    if colour.kind is None:
        return {"kind": "unknown", "components": []}
    n = 1 if colour.kind == hm.SPOT else hm.COMPONENTS.get(colour.kind, 0)
    out = {"kind": hm.KIND_NAMES.get(colour.kind, "unknown"), "components": [_number(v) for v in colour.c[:n]]}
    if colour.kind == hm.SPOT:
        out["name"] = colour.name
    return out


def model_json(arts, doc, draws):
    """The model's document in the form of the host's JSON export (an unknown number is null),
    with the number of draws the generation took."""
    out = []
    for a in arts:
        st = a.style
        out.append({
            "closed": a.closed,
            "segments": [{"p": [_number(s[0]), _number(s[1])], "in": [_number(s[2]), _number(s[3])],
                          "out": [_number(s[4]), _number(s[5])], "corner": False} for s in a.segs],
            "fill": dict(paint=st.fill_paint, **_colour_json(st.fill)),
            "stroke": dict(paint=st.stroke_paint, **_colour_json(st.stroke), width=_number(st.width)),
            "opacity": _number(a.opacity),
            "artStyle": doc.art_styles[a.art_style][0] if a.art_style >= 0 else None,
        })
    return {"draws": draws, "arts": out}


def _show(v):
    if isinstance(v, np.floating):
        return f32_text(v)
    return repr(v)


def report(result, out=sys.stdout):
    print(f"MISMATCH in case {result['index']}", file=out)
    print(f"  record:  {result['record']}", file=out)
    print(f"  command: {result['command']}", file=out)
    for art, quantity, model, host in result["problems"][:12]:
        where = "document" if art is None else f"art {art}"
        print(f"  {where}: {quantity}: model {_show(model)}, plug-in {_show(host)}", file=out)
    if len(result["problems"]) > 12:
        print(f"  ... and {len(result['problems']) - 12} more differences", file=out)


def check(program, module=None, count=500, seed=1, jobs=2, stop_at_first=False, keep=None, coverage=False,
          out=sys.stdout, summary=None, work=None):
    """Runs count cases of seed; returns the number of cases that differ. The entry point for
    other tools: stop_at_first ends the run at the first case that differs; summary names a JSON
    file to write the run's figures and every differing case to. Cases are written under work (a
    fresh temporary folder by default) and kept only when they differ, or always under keep."""
    scratch = work is None and keep is None
    work = keep or work or tempfile.mkdtemp(prefix="differential-")
    os.makedirs(work, exist_ok=True)
    jobs_list = [(seed, i, count, program, module, work, keep is not None) for i in range(count)]
    failed = 0
    results = []
    start = time.monotonic()
    with multiprocessing.Pool(max(1, jobs)) as pool:
        for result in pool.imap_unordered(run_one, jobs_list):
            results.append(result)
            if result["problems"]:
                failed += 1
                report(result, out)
                if stop_at_first:
                    pool.terminate()
                    break
    seconds = time.monotonic() - start
    arts = sum(r["arts"] for r in results)
    draws = sum(r["draws"] for r in results)
    left = {}
    for r in results:
        for name in r["left_out"]:
            left[name] = left.get(name, 0) + 1
    print(f"differential: {len(results)} cases of seed {seed}, {arts} arts, {draws} draws, {failed} differing, "
          f"{seconds:.1f} s", file=out)
    for name, n in sorted(left.items()):
        print(f"differential: {n} drawn again: {name}", file=out)
    if coverage:
        print_coverage(results, out)
    if summary:
        failures = [{"index": r["index"], "record": r["record"], "command": r["command"],
                     "problems": [[a, q, _show(m), _show(h)] for a, q, m, h in r["problems"]]}
                    for r in results if r["problems"]]
        with open(summary, "w") as f:
            json.dump({"seed": seed, "cases": len(results), "arts": arts, "draws": draws, "seconds": seconds,
                       "failures": failures}, f, indent=1)
    if not failed and scratch:
        shutil.rmtree(work, ignore_errors=True)
    elif failed:
        print(f"differential: the differing cases' files are in {work}", file=out)
    return failed


def print_coverage(results, out):
    """How many cases reached each popup value and each random option."""
    counts = {}
    for r in results:
        for what in r["reached"]:
            counts[what] = counts.get(what, 0) + 1
    groups = {}
    for what, n in counts.items():
        groups.setdefault(what[0], []).append((what[1:], n))
    print("coverage (cases reaching each value):", file=out)
    for name in sorted(groups):
        items = sorted(groups[name], key=lambda t: [str(x) for x in t[0]])
        if len(items) == 1 and not items[0][0]:
            print(f"  {name}: {items[0][1]}", file=out)
            continue
        cells = ", ".join(f"{'/'.join(str(x) for x in k)}={n}" for k, n in items)
        print(f"  {name} ({len(items)} values): {cells}", file=out)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--program", required=True, help="the flarimond program")
    ap.add_argument("--module", help="the plug-in module (default: the program's own)")
    ap.add_argument("--count", type=int, default=500)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    ap.add_argument("--stop-at-first", action="store_true", default=os.environ.get("FLARIMOND_FAIL_FAST") == "1",
                    help="end at the first case that differs (the default when FLARIMOND_FAIL_FAST=1)")
    ap.add_argument("--keep", metavar="DIR", help="keep every case's files in DIR")
    ap.add_argument("--work", metavar="DIR", help="write the cases in DIR, keeping only those that differ")
    ap.add_argument("--coverage", action="store_true", help="print what the cases reached")
    ap.add_argument("--summary", metavar="FILE", help="write the figures and every differing case as JSON")
    args = ap.parse_args()
    failed = check(os.path.abspath(args.program), args.module and os.path.abspath(args.module), args.count, args.seed,
                   args.jobs, args.stop_at_first, args.keep and os.path.abspath(args.keep), args.coverage,
                   summary=args.summary, work=args.work and os.path.abspath(args.work))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
