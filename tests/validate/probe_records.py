"""Random valid records through `apply` in the sanitised build.

Every field is drawn uniformly from its control's range (the dialog bounds, which have no
control, from all 32 bits), seeded, so the same records come on every run. A design's size grows
with stars × bursts × (sketch repeats + 1) × (2 with a drop shadow); records past SIZE_CAP paths are
drawn again, so every run is a few seconds at most and a run past TIME_LIMIT is a hang, not a
large design. A case passes when the run ends sanitizer-clean with exit 0 and a document whose
every number is finite, or with exit 1 and the error dialog (the host refused a non-finite value).
A document drawn is drawn again as SVG, which must hold its arts one for one: art-N is the
document's art N, and an art with no segments is a path with empty data.
"""

import json
import os
import xml.etree.ElementTree as ET

from validate_lib import Score, bad_numbers, parallel, random_record, read_bytes, record_json, run, seeded, write

SIZE_CAP = 30000
TIME_LIMIT = 60


def size_of(rec):
    return rec["starCount"] * rec["burstCount"] * (rec["sketchRepeats"] + 1) * (2 if rec["dropShadow"] else 1)


def svg_arts_differ(doc_text, svg_path):
    """Why the SVG does not hold the JSON document's arts one for one, or None."""
    arts = json.loads(doc_text)["arts"]
    try:
        paths = [e for _, e in ET.iterparse(svg_path) if e.tag == "{http://www.w3.org/2000/svg}path"]
    except ET.ParseError as e:
        return f"the SVG is not XML: {e}"
    ids = [p.get("id") for p in paths]
    if ids != [f"art-{n}" for n in range(1, len(arts) + 1)]:
        return f"the SVG holds {len(paths)} arts, the document {len(arts)}: art-N is not the document's art N"
    for n, (path, art) in enumerate(zip(paths, arts), 1):
        if (path.get("d") == "") != (not art["segments"]):
            return f"art-{n}: {len(art['segments'])} segments in the document, path data {path.get('d')[:20]!r}"
    return None


def probe(env):
    score = Score("random records")
    rng = seeded("records")
    fields = env.fields()
    records = []
    while len(records) < (24 if env.short else 200):
        rec = random_record(rng, fields)
        if size_of(rec) <= SIZE_CAP:
            records.append((len(records), rec, rng.randrange(1, 2**31)))

    def one(item):
        i, rec, seed = item
        label = f"record #{i} (seed {seed})"
        d = env.case_dir("records", label)
        params = write(os.path.join(d, "record.json"), record_json(rec, fields))
        out = os.path.join(d, "out.json")
        r = run([env.program, "apply", "--params", params, "-o", out, "--seed", str(seed)],
                timeout=TIME_LIMIT, env=env.environ)
        found, commands = [], [r.command()]
        if r.timed_out:
            found.append(f"hung: no end within {TIME_LIMIT} s for a design of at most {SIZE_CAP} paths")
        elif (report := r.sanitizer()):
            found.append(f"sanitizer: {report}")
        elif r.rc == 1:
            if "Plug-in Error:" not in r.stderr:
                found.append("exit 1 without the error dialog")
        elif r.rc != 0:
            found.append(f"exit {r.rc}: {r.stderr.strip()[-200:]}")
        else:
            doc = read_bytes(out)
            why = "no document written" if doc is None else bad_numbers(doc.decode(errors="replace"))
            if why:
                found.append(f"the document {why}")
            else:
                svg = os.path.join(d, "out.svg")
                r_svg = run([env.program, "apply", "--params", params, "-o", svg, "--seed", str(seed)],
                            timeout=TIME_LIMIT, env=env.environ)
                commands.append(r_svg.command())
                why = f"exit {r_svg.rc}" if r_svg.rc != 0 else svg_arts_differ(doc.decode(errors="replace"), svg)
                if why:
                    found.append(f"the SVG of the same run: {why}")
        score.check(label, found, commands, d)

    parallel(env, records, one)
    return score
