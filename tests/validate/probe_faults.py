"""Every host operation a run calls, failing at its 1st, 2nd, middle and last call.

Three runs are probed: a default render, a rich render (shadow, pattern, sketch, unique elements,
every random option) and `apply` of the rich record. A plain run with a never-firing fault on every
operation tells which operations the run calls and how often. Then each (operation, call) fails
once, in the sanitised build, over an existing output file. A case passes when the run ends in
time, sanitizer-clean; exits 1 with the error dialog, or 0 with a whole document of finite numbers
(a failure the plug-in does not test); never shows the error dialog with exit 0; leaves the old
output untouched unless it exits 0; and releases every suite it acquired.
"""

import os
import shutil

from validate_lib import (Score, call_counts, count_flags, operations, parallel, read_bytes,
                          record_json, run, bad_numbers, write)

OLD = b"the previous document\n"
RICH = {
    "uniqueElements": 1, "dropShadow": 1, "halfFillShadow": 1, "pattern": 3, "sketchRepeats": 2,
    "sketchColor": 3, "sketchWeight": 20, "sketchShift": 10, "starCount": 2, "burstCount": 8,
    "fillColor": 3, "strokeColor": 4, "fillSteps": 5, "strokeSteps": 5, "scaling": 5, "shapeOption": 2,
    "reverseOption": 3, "applyToStars": 1, "randomSketchWeight": 1, "randomSketchShift": 1,
}
RANDOM_FLAGS = ("randomInitialGap", "randomSpread", "randomShape", "randomBurstType", "randomScale",
                "randomStyle", "randomBurstCount", "randomAngle", "randomLength", "randomCenter",
                "randomHeight", "randomApply", "randomOpacity", "randomWidth", "randomShadowScaling",
                "randomShadowDirection", "randomShadowOpacity")
VALGRIND_EXIT = 87
TIME_LIMIT = 120  # seconds; the largest of these runs takes well under one in the sanitised build


def rich_record(env):
    rec = env.defaults()
    rec.update(RICH)
    rec.update({f: 1 for f in RANDOM_FLAGS})
    return rec


def calls_of(n):
    return sorted({c for c in (1, 2, (n + 1) // 2, n) if 1 <= c <= n})


def probe(env):
    score = Score("host faults")
    setup = env.case_dir("faults", "setup")
    rich = write(os.path.join(setup, "rich.json"), record_json(rich_record(env), env.fields()))
    scenarios = {
        "default render": ["render", "--seed", "7"],
        "rich render": ["render", "--seed", "7", "--params", rich],
        "apply": ["apply", "--seed", "7", "--params", rich],
    }
    if env.short:
        scenarios.pop("rich render")
    ops = operations(env)
    cases = []
    for name, args in scenarios.items():
        found = run([env.program, *args, "-o", os.path.join(setup, "count.json"), *count_flags(ops)],
                    timeout=TIME_LIMIT, env=env.environ)
        counts = {op: n for op, n in call_counts(found.stderr).items() if n > 0}
        if found.rc != 0 or not counts:
            score.failed(f"{name}: counting calls", f"exit {found.rc}: {found.stderr.strip()[-300:]}",
                         [found.command()])
            continue
        for op in sorted(counts):
            calls = calls_of(counts[op])
            if env.short:
                calls = calls[:1] + calls[-1:] if len(calls) > 1 else calls
            cases += [(name, args, op, n) for n in calls]

    def one(case):
        name, args, op, n = case
        label = f"{name}: {op}@{n}"
        d = env.case_dir("faults", label)
        out = write(os.path.join(d, "out.json"), OLD)
        argv = [env.program, *args, "-o", out, "--fail", f"{op}@{n}",
                *count_flags(["basic.acquireSuite", "basic.releaseSuite"])]
        r = run(argv, timeout=TIME_LIMIT, env=env.environ)
        score.check(label, problems(r, op, n, out), [r.command()], d)

    parallel(env, cases, one)
    memcheck(env, score, ops)
    return score


def memcheck(env, score, ops):
    """The first failing call of operations of a default render under valgrind (in the
    uninstrumented build): a failing operation must leave nothing undefined for the plug-in to use."""
    setup = env.case_dir("faults", "memcheck-setup")
    found = run([env.plain_program, "render", "--seed", "7", "-o", os.path.join(setup, "count.json"),
                 *count_flags(ops)], timeout=TIME_LIMIT, env=env.environ)
    called = sorted(op for op, n in call_counts(found.stderr).items() if n > 0)
    # What a failing operation leaves unwritten is the plug-in's to notice: the real math, whose
    # results come back through pointers, and (in full) every operation that reads something back.
    reads = ("math.", ".get", ".count", "user.textToReal", "view.viewPointTo", "view.artworkPointTo")
    called = [op for op in called if op.startswith("math.") or not env.short and any(r in op for r in reads)]

    def one(op):
        label = f"valgrind, default render: {op}@1"
        d = env.case_dir("faults", label)
        argv = ["valgrind", "-q", f"--error-exitcode={VALGRIND_EXIT}", env.plain_program, "render", "--seed", "7",
                "-o", os.path.join(d, "out.json"), "--fail", f"{op}@1"]
        r = run(argv, timeout=TIME_LIMIT, env=env.environ)
        if r.timed_out:
            why = [f"did not end within {TIME_LIMIT} s"]
        elif r.rc == VALGRIND_EXIT:
            first = next((ln for ln in r.stderr.splitlines() if ln.startswith("==") and ln.count("==") >= 2
                          and not ln.rstrip().endswith("==")), "an error")
            why = ["valgrind: " + first.split("== ", 1)[-1].strip()]
        else:
            why = []
        score.check(label, why, [r.command()], d)

    if shutil.which("valgrind"):
        parallel(env, called, one)
    else:
        score.notes.append("valgrind is not installed: the memcheck cases were skipped")
    shutil.rmtree(setup, ignore_errors=True)


def problems(r, op, n, out):
    found = []
    if r.timed_out:
        return [f"did not end within {TIME_LIMIT} s"]
    report = r.sanitizer()
    if report:
        return [f"sanitizer: {report}"]
    dialog = "Plug-in Error:" in r.stderr
    now = read_bytes(out)
    if r.rc == 1:
        # Before the plug-in holds its dialog suites it cannot show the dialog: the host says so,
        # as it does when a failed string lookup leaves the filter without a category.
        host_word = ("flarimond: the plug-in answered" in r.stderr
                     or "flarimond: the plug-in registered no filter" in r.stderr)
        if not dialog and not host_word:
            found.append("exit 1 without the error dialog or the host's word on the failure")
    elif r.rc == 0:
        if dialog:
            found.append("the error dialog was shown but the exit is 0")
        if now == OLD:
            found.append("exit 0 but the output was not written")
        elif now is not None and (why := bad_numbers(now.decode(errors="replace"))):
            found.append(f"the document {why}")
    else:
        found.append(f"exit {r.rc}: {r.stderr.strip()[-200:]}")
    if r.rc != 0 and now != OLD:
        found.append("the old output file was changed by a failed run")
    # A release the host refuses stops the plug-in's release walk (the rest stay held, by design),
    # so only other faults must leave the suites balanced.
    if op != "basic.releaseSuite":
        counts = call_counts(r.stderr)
        fired = f"--fail {op}@{n} never fired" not in r.stderr
        acquired = counts.get("basic.acquireSuite", 0) - (1 if op == "basic.acquireSuite" and fired else 0)
        released = counts.get("basic.releaseSuite", 0)
        if acquired != released:
            found.append(f"suites unbalanced: {acquired} acquired, {released} released")
    return found
