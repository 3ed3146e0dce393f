"""A short run of every libFuzzer target from build-fuzz, each from a copy of its seed corpus in
tests/validate/corpus (the repository's corpus is never written). A crash, a leak, a sanitizer
report or a broken promise of the target fails the case; the input is kept as the reproduction.
"""

import os
import shutil

from validate_lib import Score, parallel, run

TARGETS = ["param_json_fuzz", "param_bin_fuzz", "dialog_script_fuzz", "swatch_file_fuzz", "design_file_fuzz",
           "serve_event_fuzz"]


def probe(env):
    score = Score("fuzzers")
    # The short form is part of the test run, and a test run must give the same answer each time:
    # a fixed number of inputs from a fixed seed. The long form searches for a while from a new one.
    seconds = 30
    budget = ["-seed=1", "-runs=20000"] if env.short else [f"-max_total_time={seconds}"]

    def one(target):
        program = os.path.join(env.fuzz, "bin", target)
        label = f"{target}, " + ("20000 inputs" if env.short else f"{seconds} s")
        if not os.path.exists(program):
            score.failed(label, "not built (./run.sh validate builds build-fuzz with clang)", [])
            return
        d = env.case_dir("fuzz", target)
        corpus = os.path.join(d, "corpus")
        shutil.copytree(os.path.join(env.root, "tests", "validate", "corpus", target), corpus)
        argv = [program, *budget, "-timeout=10", "-rss_limit_mb=2048", "-max_len=65536",
                f"-artifact_prefix={d}/", "-print_final_stats=1", corpus]
        r = run(argv, timeout=600, env=env.environ)
        found = []
        artifacts = sorted(f for f in os.listdir(d) if f.split("-")[0] in ("crash", "leak", "timeout", "oom", "slow"))
        if r.timed_out:
            found.append("did not stop in time")
        elif r.rc != 0 or artifacts:
            line = next((ln for ln in r.stderr.splitlines() if "ERROR:" in ln or "fuzz target:" in ln
                         or "runtime error:" in ln), f"exit {r.rc}")
            found.append(line.strip())
        runs = next((ln.split(":")[-1].strip() for ln in r.stderr.splitlines() if "stat::number_of_executed_units" in ln),
                    "?")
        score.notes.append(f"{target}: {runs} inputs")
        repro = [f"{program} {os.path.join(d, a)}" for a in artifacts] or [" ".join(argv)]
        score.check(label, found, repro, None if found else d)

    parallel(env, TARGETS, one)
    return score
