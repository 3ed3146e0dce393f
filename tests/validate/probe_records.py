"""Random valid records through `apply` in the sanitised build.

Every field is drawn uniformly from its control's range (the dialog bounds, which have no
control, from all 32 bits), seeded, so the same records come on every run. A design's size grows
with stars × bursts × (sketch repeats + 1) × (2 with a drop shadow); records past SIZE_CAP paths are
drawn again, so every run is a few seconds at most and a run past TIME_LIMIT is a hang, not a
large design. A case passes when the run ends sanitizer-clean with exit 0 and a document whose
every number is finite, or with exit 1 and the error dialog (the host refused a non-finite value).
"""

import os

from validate_lib import Score, bad_numbers, parallel, random_record, read_bytes, record_json, run, seeded, write

SIZE_CAP = 30000
TIME_LIMIT = 60


def size_of(rec):
    return rec["starCount"] * rec["burstCount"] * (rec["sketchRepeats"] + 1) * (2 if rec["dropShadow"] else 1)


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
        found = []
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
        score.check(label, found, [r.command()], d)

    parallel(env, records, one)
    return score
