"""The generation against the reference model of tests/model, on thousands of random records.

tests/model/differential.py draws seeded records that reach every shape, burst type, scaling row,
colour mode, pattern, shadow and sketch option and random flag, under varied host options, draws
each with `flarimond apply` and with the model (Python with numpy's float32, so it runs under
Debian's /usr/bin/python3), and compares every art bit for bit. Unlike the other probes this one
takes a fresh seed on every run, printed with the table, so that each run tries records no run
tried before; `--model-seed N` runs the same records again. It uses the uninstrumented build: the
fixed set of the test suite (ctest model_differential) runs in the sanitised one too.
"""

import json
import os
import random
import shlex
import shutil

from validate_lib import Score, run

PYTHON = "/usr/bin/python3"


def probe(env):
    score = Score("model differential")
    seed = env.model_seed or random.SystemRandom().randrange(1, 2 ** 31)
    count = 300 if env.short else 2000
    work = env.case_dir("model", f"seed {seed}")
    summary = os.path.join(work, "summary.json")
    script = os.path.join(env.root, "tests", "model", "differential.py")
    argv = [PYTHON, script, "--program", env.plain_program, "--count", str(count), "--seed", str(seed),
            "--jobs", str(env.jobs), "--work", work, "--summary", summary]
    again = f"./run.sh validate --only model --model-seed {seed}" + (" --short" if env.short else "")
    score.notes.append(f"seed {seed} ({again} runs the same records)")
    if not os.path.exists(PYTHON):
        score.failed("setup", f"{PYTHON} is missing (Debian python3 with python3-numpy)", [again])
        return score
    r = run(argv, timeout=40 * 60, env=env.environ)
    if r.rc not in (0, 1) or not os.path.exists(summary):
        score.failed("run", f"the differential test ended with {r.rc}: {r.stderr.strip()[-400:]}", [r.command()])
        return score
    with open(summary) as f:
        result = json.load(f)
    for failure in result["failures"]:
        art, quantity, model, host = failure["problems"][0]
        where = "the document" if art is None else f"art {art}"
        more = len(failure["problems"]) - 1
        score.failed(f"record #{failure['index']} of seed {seed}",
                     f"{where}: {quantity}: model {model}, plug-in {host}" + (f" (and {more} more)" if more else ""),
                     [failure["command"], shlex.join(argv[:-4])])
    for _ in range(result["cases"] - len(result["failures"])):
        score.passed()
    if not result["failures"]:
        shutil.rmtree(work, ignore_errors=True)
    return score
