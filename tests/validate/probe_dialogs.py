"""Random dialog sessions: page tabs, values typed into spin edits, check boxes, popups (the
preset list among them), Tumble, Shuffle and picks, each drawn from the controls the dialog shows
at that moment (a `dialog --dump` after the actions so far).

Each session is played twice through `render`:
- ended by Cancel: the document and the held record must be byte for byte those of a plain
  `render --cancel` with the same seed;
- ended by OK: the document must equal `apply` of the record the host then holds, with the same
  draws. The random source gives the same number to every draw of both runs (--draws, one value
  per session), so the design the dialog drew does not depend on how many draws came before it.
Spin edits that multiply the design's size (stars, bursts, sketch repeats) are typed within a
small part of their range, so every run takes a second or two; TIME_LIMIT marks a hang.
"""

import json
import os

from validate_lib import Score, call_counts, count_flags, parallel, read_bytes, run, seeded, write

TIME_LIMIT = 60
DRAWS = 20000             # explicit draws per run: far more than a session of this size takes
SIZE_CAPS = {4: 5, 5: 40, 28: 3}  # spin edit id -> largest value typed (stars, bursts, sketch repeats)
PRESET_POPUP = 123
SKIPPED_BUTTONS = {2}     # Cancel ends the session; the probe ends it itself


def actions_for(dump, rng):
    """Every action the dialog's visible, enabled controls allow now, one drawn per kind."""
    items = [i for i in dump["items"] if i.get("visible") and i.get("enabled")]
    choices = [lambda: f"page {rng.randint(1, 7)}"]
    for it in items:
        kind, iid = it["kind"], it["id"]
        if kind == "ADM Spin Edit Type" and it.get("min") is not None and it.get("max") is not None:
            lo, hi = it["min"], min(it["max"], SIZE_CAPS.get(iid, it["max"]))
            decimals = it.get("decimals", 0)
            choices.append(lambda iid=iid, lo=lo, hi=hi, d=decimals: f"set {iid} {round(rng.uniform(lo, hi), d):.{d}f}")
        elif kind == "ADM Text Check Box Type":
            choices.append(lambda iid=iid: f"check {iid} {rng.randint(0, 1)}")
        elif kind == "ADM Popup List Type" and it.get("entries"):
            n = len(it["entries"])
            weight = 3 if iid == PRESET_POPUP else 1
            choices += [lambda iid=iid, n=n: f"choose {iid} {rng.randrange(n)}"] * weight
        elif kind == "ADM Text Push Button Type" and iid not in SKIPPED_BUTTONS:
            choices += [lambda iid=iid: f"press {iid}"] * 2
        elif kind == "ADM Picture Push Button Type":
            choices.append(lambda iid=iid: f"pick {iid} {rng.uniform(-100, 700):.1f} {rng.uniform(-100, 900):.1f}")
    return choices


def make_session(env, rng, index, seed, length):
    """A script of `length` actions that the dialog accepts, grown one action at a time."""
    d = env.case_dir("dialogs", f"make-{index}")
    script = []
    for _ in range(length * 3):
        if len(script) == length:
            break
        dump_path = os.path.join(d, "dump.json")
        script_path = write(os.path.join(d, "script.txt"), "".join(a + "\n" for a in script))
        r = run([env.plain_program, "dialog", "--dialog-script", script_path, "--dump", dump_path, "--seed", str(seed)],
                timeout=TIME_LIMIT, env=env.environ)
        if r.rc != 0:
            # The last action was refused (a pick button that takes no pick, say): drop it.
            if not script:
                return None, r
            script.pop()
            continue
        with open(dump_path) as f:
            dump = json.load(f)
        script.append(rng.choice(actions_for(dump, rng))())
    return script, None


def probe(env):
    score = Score("dialog sessions")
    rng = seeded("dialogs")
    count = 8 if env.short else 100
    plans = [(i, rng.randrange(1, 2**31), rng.randint(2, 8), rng.choice(["0", "0.5", "0.25", "0.75", "0.9"]))
             for i in range(count)]
    plans = [(i, seed, length, value, seeded(f"dialogs-{i}")) for i, seed, length, value in plans]

    def one(plan):
        i, seed, length, value, session_rng = plan
        script, failure = make_session(env, session_rng, i, seed, length)
        if script is None:
            score.failed(f"session #{i}: making it", f"the empty script is refused: {failure.stderr.strip()[:200]}",
                         [failure.command()])
            return
        cancelled(env, score, i, seed, script)
        confirmed(env, score, i, seed, value, script)

    parallel(env, plans, one)
    return score


def render(env, d, name, seed, extra):
    out, rec = os.path.join(d, name + ".json"), os.path.join(d, name + ".bin")
    r = run([env.program, "render", "-o", out, "--save-params", rec, "--seed", str(seed), *extra],
            timeout=TIME_LIMIT, env=env.environ)
    return r, document_of(out), read_bytes(rec)


def document_of(path):
    """The document a JSON output holds, without the description of the design that made it
    (which names the draws the session took before Go)."""
    data = read_bytes(path)
    if data is None:
        return None
    doc = json.loads(data)
    doc.pop("design", None)
    return doc


def run_problems(r, what):
    if r.timed_out:
        return [f"{what}: no end within {TIME_LIMIT} s"]
    if report := r.sanitizer():
        return [f"{what}: sanitizer: {report}"]
    if r.rc != 0:
        return [f"{what}: exit {r.rc}: {r.stderr.strip()[-200:]}"]
    return []


def cancelled(env, score, i, seed, script):
    label = f"session #{i} cancelled: " + "; ".join(script)
    d = env.case_dir("dialogs", f"cancel-{i}")
    path = write(os.path.join(d, "script.txt"), "".join(a + "\n" for a in script + ["cancel"]))
    plain, plain_doc, plain_rec = render(env, d, "plain", seed, ["--cancel"])
    r, doc, rec = render(env, d, "session", seed, ["--dialog-script", path])
    found = run_problems(plain, "plain cancel") + run_problems(r, "session")
    if not found:
        if doc != plain_doc:
            found.append("the document differs from a plain cancel's")
        if rec != plain_rec:
            found.append("the held record differs from a plain cancel's")
    score.check(label, found, [plain.command(), r.command()], d)


def confirmed(env, score, i, seed, value, script):
    label = f"session #{i} confirmed (draws {value}): " + "; ".join(script)
    d = env.case_dir("dialogs", f"confirm-{i}")
    path = write(os.path.join(d, "script.txt"), "".join(a + "\n" for a in script + ["confirm"]))
    draws = ",".join([value] * DRAWS)
    out, rec = os.path.join(d, "session.json"), os.path.join(d, "session-record.json")
    r = run([env.program, "render", "-o", out, "--save-params", rec, "--seed", str(seed), "--draws", draws,
             "--dialog-script", path, *count_flags(["random.floatRandom"])], timeout=TIME_LIMIT, env=env.environ)
    found = run_problems(r, "session")
    applied = None
    if not found:
        used = call_counts(r.stderr).get("random.floatRandom", 0)
        if used > DRAWS:
            score.notes.append(f"session #{i} took {used} draws, more than the {DRAWS} given: not compared")
            score.passed(d)
            return
        again = os.path.join(d, "apply.json")
        applied = run([env.program, "apply", "--params", rec, "-o", again, "--seed", str(seed), "--draws", draws],
                      timeout=TIME_LIMIT, env=env.environ)
        found = run_problems(applied, "apply of the confirmed record")
        if not found and document_of(out) != document_of(again):
            found.append("the document differs from apply of the confirmed record")
    repro = [r.command()] + ([applied.command()] if applied else [])
    # The draw lists make the command lines long: show them with a placeholder.
    repro = [c.replace(draws, f"$(printf '{value},%.0s' $(seq {DRAWS}) | sed 's/,$//')") for c in repro]
    score.check(label, found, repro, d)
