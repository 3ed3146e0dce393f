"""Malformed parameter files given to `apply`: random bytes, truncations, every field one past
each end of its range, NaN and infinities, huge numbers, nesting, repeated, missing and unknown
fields. Each must end with exit 2, nothing written (neither -o nor --save-params), and stderr
naming the file: exactly one line for a file with one problem, naming the field where one is at
fault.
"""

import json
import math
import os
import re
import struct

from validate_lib import Score, float_text, parallel, record_bin, record_json, run, seeded, write

# A value outside its control's range is refused (exit 2) by this build's readers. When the
# readers pass such values on with a warning instead, set this to False: the probe then expects
# exit 0, the output written and one warning line naming the field.
OUT_OF_RANGE_REFUSED = False
TIME_LIMIT = 60
KIND_TIME_LIMIT = 10  # a FIFO nobody writes must be refused at once, not read


def probe(env):
    score = Score("parameter files")
    rng = seeded("param-files")
    fields = env.fields()
    base = env.defaults()
    text = record_json(base, fields)
    cases = []  # (label, file name, content, field at fault or None, one problem?, range case?)

    def with_value(name, value_text):
        return re.sub(f'("{name}": )[^,\n]+', lambda m: m.group(1) + value_text, text, count=1)

    # Random bytes, as either type, and a .bin of the record's own size.
    for i in range(10 if env.short else 60):
        size = rng.choice([0, 1, 335, 336, 337, rng.randint(2, 4000)])
        data = bytes(rng.randrange(256) for _ in range(size))
        ext = rng.choice(["json", "bin"])
        cases.append((f"random bytes #{i} ({size} bytes, .{ext})", f"r{i}.{ext}", data, None, False, False))
    # Truncations of a good record.
    raw = text.encode()
    cuts = sorted(rng.sample(range(len(raw.rstrip()) - 1), 12 if env.short else 60))
    cases += [(f"JSON cut at byte {c}", f"cut{c}.json", raw[:c], None, True, False) for c in cuts]
    binary = record_bin(base, fields)
    for c in ([0, 335, 337] if env.short else [0, 1, 4, 100, 332, 335, 337, 672]):
        data = binary[:c] if c <= 336 else binary + b"\0" * (c - 336)
        cases.append((f".bin of {c} bytes", f"len{c}.bin", data, None, True, False))

    # One past each end of every checked range, in both formats.
    ranged = [f for f in fields if f["range"] != "unchecked"]
    if env.short:
        ranged = rng.sample(ranged, 8)
    for f in ranged:
        lo, hi = (0, 28) if f["range"] == "swatches" else (f["min"], f["max"])
        for v in (lo - 1, hi + 1):
            rec = dict(base, **{f["name"]: v})
            vt = float_text(v) if f["kind"] == "float" else str(int(v))
            cases.append((f"{f['name']} = {vt} (.json)", f"{f['name']}{vt}.json", record_json(rec, fields).encode(),
                          f["name"], True, True))
            cases.append((f"{f['name']} = {vt} (.bin)", f"{f['name']}{vt}.bin", record_bin(rec, fields),
                          f["name"], True, True))

    floats = [f["name"] for f in fields if f["kind"] == "float"]
    ints = [f["name"] for f in fields if f["kind"] != "float" and f["range"] != "unchecked"]
    if env.short:
        floats, ints = floats[:3], ints[:3]
    for name in floats:
        i = [f["name"] for f in fields].index(name)
        for label, bits in (("NaN", 0x7FC00000), ("infinity", 0x7F800000), ("-infinity", 0xFF800000)):
            data = binary[:4 * i] + struct.pack("<I", bits) + binary[4 * i + 4:]
            cases.append((f"{name} = {label} (.bin)", f"{name}-{label}.bin", data, name, True, False))
        for literal in ("1e400", "-1e400", "1e39", "3.5e38"):
            cases.append((f"{name} = {literal} (.json)", f"{name}{literal}.json",
                          with_value(name, literal).encode(), name, True, False))
        cases.append((f"{name} = NaN (.json)", f"{name}NaN.json", with_value(name, "NaN").encode(), None, True,
                      False))
    for name in ints:
        for literal in ("2147483648", "-2147483649", "18446744073709551616", "1e30", "0.5", "true", '"1"'):
            cases.append((f"{name} = {literal} (.json)", f"{name}{literal}.json",
                          with_value(name, literal).encode(), name, True, False))
    for name in rng.sample(floats + ints, 4 if env.short else 24):
        for nested in ('{"value": 1}', "[1]", "[[[[[[[[[[1]]]]]]]]]]", "null"):
            cases.append((f"{name} = {nested} (.json)", f"{name}-nested.json",
                          with_value(name, nested).encode(), name, True, False))
        cases.append((f"{name} twice (.json)", f"{name}-twice.json",
                      text.replace(f'"{name}": ', f'"{name}": {_value_of(text, name)},\n  "{name}": ', 1).encode(),
                      name, True, False))
    missing = json.loads(text)
    missing.pop(fields[len(fields) // 2]["name"])
    cases += [
        # A partial .json takes the fields it leaves out from the defaults, and says which: as a
        # value out of range, it is accepted with a line that names the field.
        ("a field missing", "missing.json", json.dumps(missing).encode(), fields[len(fields) // 2]["name"], True, True),
        ("an unknown field", "unknown.json", text.replace("{", '{\n  "sparkle": 1,', 1).encode(), "sparkle", True,
         False),
        ("the record nested in an object", "nested.json", ('{"record": ' + text + "}").encode(), None, False, False),
        ("the record in an array", "array.json", ("[" + text + "]").encode(), None, True, False),
        ("deep nesting", "deep.json", ("[" * 100000 + "]" * 100000).encode(), None, True, False),
        ("a record followed by more", "trailing.json", (text + "{}").encode(), None, True, False),
    ]

    def one(case):
        label, name, data, field, single, ranged_case = case
        d = env.case_dir("param-files", label)
        path = write(os.path.join(d, name), data)
        out, saved = os.path.join(d, "out.json"), os.path.join(d, "saved.json")
        r = run([env.program, "apply", "--params", path, "-o", out, "--save-params", saved, "--seed", "1"],
                timeout=TIME_LIMIT, env=env.environ)
        if name.endswith(".bin") and len(data) == RECORD_SIZE and all_finite(data, fields):
            found = record_of_noise(r, name, out)
        else:
            found = problems(r, name, field, single, ranged_case, out, saved)
        score.check(label, found, [r.command()], d)

    parallel(env, cases, one)
    input_kinds(env, score, text)
    return score


def input_kinds(env, score, text):
    """Input files that are not plain files of a sane size, given to each option that reads one:
    refused at once (exit 2) by name, nothing written."""
    options = [("--params", "apply", ".json"), ("--swatches", "render", ".json"), ("--dialog-script", "render", ".txt")]
    kinds = ["directory", "fifo", "device", "2 MiB file"]

    def one(case):
        option, command, ext = case[0]
        kind = case[1]
        if kind == "2 MiB file" and option == "--dialog-script":
            return  # a script has no size limit
        label = f"{option} names a {kind}"
        d = env.case_dir("param-files", label)
        path = os.path.join(d, "input" + ext)
        if kind == "directory":
            os.mkdir(path)
        elif kind == "fifo":
            os.mkfifo(path)
        elif kind == "device":
            path = "/dev/null"  # a device that reads as empty: an endless one would fill the memory
        else:  # a file the reader should not take in whole: valid up to its padding
            write(path, (text if option == "--params" else "[]" if option == "--swatches" else "page 1")
                  + " " * (2 << 20) + "\n")
        out = os.path.join(d, "out.json")
        argv = [env.program, command, option, path, "-o", out, "--seed", "1"]
        r = run(argv, timeout=KIND_TIME_LIMIT, env=env.environ)
        found = []
        if r.timed_out:
            found.append(f"hung: no answer within {KIND_TIME_LIMIT} s")
        elif (report := r.sanitizer()):
            found.append(f"sanitizer: {report}")
        else:
            if r.rc != 2:
                found.append(f"exit {r.rc}, expected 2")
            if os.path.exists(out):
                found.append("the output was written")
            if path not in r.stderr and os.path.basename(path) not in r.stderr:
                found.append("stderr does not name the file")
        score.check(label, found, [r.command()], d)

    parallel(env, [(o, k) for o in options for k in kinds], one)


def _value_of(text, name):
    rest = text.split(f'"{name}": ', 1)[1]
    return rest.split(",", 1)[0].split("\n", 1)[0]


RECORD_SIZE = 336


def all_finite(data, fields):
    """Whether every real of a record-sized .bin is finite (the reader refuses it otherwise)."""
    return all(math.isfinite(struct.unpack_from("<f", data, 4 * i)[0])
               for i, f in enumerate(fields) if f["kind"] == "float")


def record_of_noise(r, name, out):
    """Random bytes that make a record of finite reals: the reader takes it, out-of-range values
    with a warning. Drawn, it ends well (exit 0, the document written) or with the plug-in's own
    error dialog when its values overflow the host's reals (exit 1, nothing written)."""
    if r.timed_out:
        return [f"did not end within {TIME_LIMIT} s"]
    if report := r.sanitizer():
        return [f"sanitizer: {report}"]
    if r.rc == 0:
        return [] if os.path.exists(out) else ["exit 0 without the document"]
    if r.rc == 1:
        found = [] if "Plug-in Error:" in r.stderr else ["exit 1 without the plug-in's error dialog"]
        if os.path.exists(out):
            found.append("exit 1, yet the document was written")
        return found
    return [f"exit {r.rc} for a record of finite reals from {name}: {r.stderr.strip()[-200:]}"]


def problems(r, name, field, single, ranged_case, out, saved):
    if r.timed_out:
        return [f"did not end within {TIME_LIMIT} s"]
    report = r.sanitizer()
    if report:
        return [f"sanitizer: {report}"]
    lines = [ln for ln in r.stderr.splitlines() if ln.strip()]
    found = []
    if ranged_case and (not OUT_OF_RANGE_REFUSED or name == "missing.json"):
        if r.rc != 0:
            found.append(f"exit {r.rc}, expected 0 with a warning")
        if not any(field in ln for ln in lines):
            found.append(f"no warning names {field}")
        return found
    if r.rc != 2:
        found.append(f"exit {r.rc}, expected 2")
    if os.path.exists(out) or os.path.exists(saved):
        found.append("an output file was written")
    if not lines:
        found.append("nothing said on stderr")
    elif not all(name in ln for ln in lines):
        found.append(f"a line does not name the file: {next(ln for ln in lines if name not in ln)[:160]}")
    if single and len(lines) != 1:
        found.append(f"{len(lines)} lines on stderr, expected one: {' | '.join(lines)[:300]}")
    if field and lines and not any(field in ln for ln in lines):
        found.append(f"stderr does not name the field {field}: {lines[0][:160]}")
    return found
