#!/usr/bin/env python3
"""./run.sh validate [--short] [--only PROBE,...]: the probes that a plug-in validator would run,
kept as a suite. Prints one table (probe, cases, failures) and, for every failing case, the
command lines that reproduce it; exits 1 when any case failed.
"""

import argparse
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import probe_dialogs  # noqa: E402
import probe_faults  # noqa: E402
import probe_output_paths  # noqa: E402
import probe_fuzz  # noqa: E402
import probe_model  # noqa: E402
import probe_param_files  # noqa: E402
import probe_records  # noqa: E402
import probe_server  # noqa: E402
from validate_lib import Env  # noqa: E402

PROBES = {
    "faults": probe_faults.probe,
    "records": probe_records.probe,
    "dialogs": probe_dialogs.probe,
    "param-files": probe_param_files.probe,
    "output-paths": probe_output_paths.probe,
    "fuzz": probe_fuzz.probe,
    "model": probe_model.probe,
    "server": probe_server.probe,
}


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--short", action="store_true", help="a fixed subset of every probe (about 3 minutes)")
    ap.add_argument("--only", default="", help="comma-separated probes: " + ", ".join(PROBES))
    ap.add_argument("--build", default=os.path.join(root, "build"))
    ap.add_argument("--asan", default=os.path.join(root, "build-asan"))
    ap.add_argument("--fuzz", default=os.path.join(root, "build-fuzz"))
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    ap.add_argument("--model-seed", type=int, default=0,
                    help="seed of the model probe's records (default: a fresh one, printed)")
    args = ap.parse_args()
    names = [n for n in args.only.split(",") if n] or list(PROBES)
    unknown = [n for n in names if n not in PROBES]
    if unknown:
        ap.error("unknown probe " + ", ".join(unknown) + " (expected " + ", ".join(PROBES) + ")")
    work = os.path.join(args.build, "validate")
    shutil.rmtree(work, ignore_errors=True)
    env = Env(root, args.build, args.asan, args.fuzz, args.short, max(1, args.jobs), work)
    env.model_seed = args.model_seed

    scores = []
    for name in names:
        start = time.monotonic()
        print(f"validate: {name} ...", file=sys.stderr, flush=True)
        score = PROBES[name](env)
        score.seconds = time.monotonic() - start
        scores.append(score)

    width = max(len(s.name) for s in scores)
    print(f"{'probe':<{width}}  {'cases':>6}  {'failures':>8}  {'seconds':>7}")
    for s in scores:
        print(f"{s.name:<{width}}  {s.cases:>6}  {len(s.failures):>8}  {s.seconds:>7.0f}")
    failed = [s for s in scores if s.failures]
    for s in failed:
        print(f"\n== {s.name}: {len(s.failures)} failing")
        for case, why, repro in s.failures:
            print(f"- {case}: {why}")
            for line in repro:
                print(f"    {line}")
    for s in scores:
        for note in s.notes:
            print(f"note ({s.name}): {note}")
    if failed:
        print(f"\nvalidate: failing cases keep their files under {work}", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
