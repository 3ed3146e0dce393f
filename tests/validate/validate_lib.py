"""What every probe of the validate suite shares: running the program, recognising sanitizer
reports, reading the host's call counts, writing records, and keeping score.

A probe is a function probe(env) -> Score. A case that fails keeps its work folder and records the
command lines that reproduce it; a case that passes removes its folder.
"""

import json
import math
import os
import random
import re
import shlex
import shutil
import struct
import subprocess
import threading
import time
from concurrent.futures import ThreadPoolExecutor

# A call number no run reaches: a fault there never fires, and the host's note about it tells how
# often the operation was called ("was called N times").
NEVER = 2000000000
COUNT_NOTE = re.compile(r"never fired \((\S+) was called (\d+) times?\)")
SANITIZER_EXIT = 86
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "SUMMARY: UndefinedBehaviorSanitizer", "==ERROR:")


class Env:
    """Where the builds are and how the suite runs."""

    def __init__(self, root, build, asan, fuzz, short, jobs, work):
        self.root = root
        self.build = build
        self.asan = asan
        self.fuzz = fuzz
        self.short = short
        self.jobs = jobs
        self.work = work
        self.program = os.path.join(asan, "bin", "flarimond")          # sanitised program and module
        self.plain_program = os.path.join(build, "bin", "flarimond")   # for valgrind and speed
        self.environ = dict(os.environ)
        supp = os.path.join(root, "tests", "lsan.supp")
        self.environ.update({
            "ASAN_OPTIONS": f"detect_leaks=1:exitcode={SANITIZER_EXIT}:abort_on_error=0",
            "UBSAN_OPTIONS": f"print_stacktrace=1:halt_on_error=1:exitcode={SANITIZER_EXIT}",
            "LSAN_OPTIONS": f"suppressions={supp}:exitcode={SANITIZER_EXIT}",
        })
        self.environ.pop("FLARIMOND_MODULE", None)
        self.model_seed = 0  # the model probe's seed; 0: a fresh one
        self._fields = None
        self._defaults = None
        self._lock = threading.RLock()
        self._cases = 0

    def fields(self):
        """The record's fields in order: name, kind, range, min, max (from the field table)."""
        if self._fields is None:
            out = subprocess.run([os.path.join(self.build, "bin", "field_table")], check=True,
                                 capture_output=True, text=True).stdout
            self._fields = json.loads(out)
        return self._fields

    def defaults(self):
        """The record a plain confirmed render leaves, as a dict of field values."""
        with self._lock:
            if self._defaults is None:
                d = self.case_dir("setup", "defaults")
                r = run([self.plain_program, "render", "-o", os.path.join(d, "d.json"), "--seed", "1",
                         "--save-params", os.path.join(d, "p.json")], timeout=60, env=self.environ)
                if r.rc != 0:
                    raise RuntimeError("a default render failed: " + r.stderr)
                with open(os.path.join(d, "p.json")) as f:
                    self._defaults = json.load(f)
                shutil.rmtree(d, ignore_errors=True)
            return dict(self._defaults)

    def case_dir(self, probe, name):
        """A fresh folder for one case, named after it (numbered: two labels may read alike)."""
        with self._lock:
            self._cases += 1
            n = self._cases
        d = os.path.join(self.work, probe, f"{n:05d}-" + re.sub(r"[^A-Za-z0-9_.@=-]+", "_", name)[:80])
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        return d


class Run:
    def __init__(self, argv, rc, stdout, stderr, seconds, timed_out):
        self.argv, self.rc, self.stdout, self.stderr = argv, rc, stdout, stderr
        self.seconds, self.timed_out = seconds, timed_out

    def sanitizer(self):
        """The first line of a sanitizer report in stderr, or None."""
        if self.rc == SANITIZER_EXIT or self.rc < 0 and not self.timed_out:
            for line in self.stderr.splitlines():
                if any(m in line for m in SANITIZER_MARKS):
                    return line.strip()
            return f"exit {self.rc} (a signal or the sanitizers' exit status)"
        for line in self.stderr.splitlines():
            if any(m in line for m in SANITIZER_MARKS):
                return line.strip()
        return None

    def command(self):
        return " ".join(shlex.quote(a) for a in self.argv)


def run(argv, timeout, env=None, stdin_data=None, cwd=None):
    """Runs a program to its end or to the time limit (then kills it); never raises for either."""
    start = time.monotonic()
    p = subprocess.Popen(argv, stdin=subprocess.PIPE if stdin_data is not None else subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, cwd=cwd,
                         start_new_session=True)
    try:
        out, err = p.communicate(stdin_data, timeout=timeout)
        timed_out = False
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, 9)
        out, err = p.communicate()
        timed_out = True
    return Run(argv, p.returncode, out.decode(errors="replace"), err.decode(errors="replace"),
               time.monotonic() - start, timed_out)


def call_counts(stderr):
    """The host's call counts that the never-firing faults reported."""
    return {op: int(n) for op, n in COUNT_NOTE.findall(stderr)}


def count_flags(ops):
    return [x for op in ops for x in ("--fail", f"{op}@{NEVER}")]


def operations(env):
    out = subprocess.run([env.program, "info"], capture_output=True, text=True, env=env.environ, check=True).stdout
    lines = out.split("host operations for --fail", 1)[1].splitlines()[1:]
    return [ln.strip() for ln in lines if ln.strip()]


def float32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def float_text(x):
    """The shortest text that reads back as the same single-precision float."""
    x = float32(x)
    if math.isnan(x) or math.isinf(x):
        raise ValueError("not finite")
    for digits in range(1, 10):
        t = f"{x:.{digits}g}"
        if float32(float(t)) == x:
            return t
    return repr(x)


def record_json(record, fields):
    """A record dict as the program's JSON parameter file, in record order."""
    parts = []
    for f in fields:
        v = record[f["name"]]
        parts.append(f'  "{f["name"]}": ' + (float_text(v) if f["kind"] == "float" else str(int(v))))
    return "{\n" + ",\n".join(parts) + "\n}\n"


def record_bin(record, fields):
    return b"".join(struct.pack("<f", v) if f["kind"] == "float" else struct.pack("<i", int(v))
                    for f, v in ((f, record[f["name"]]) for f in fields))


def random_record(rng, fields, swatches=28):
    """Every field uniform in its control's range; dialog bounds anywhere in 32 bits."""
    rec = {}
    for f in fields:
        lo, hi = f["min"], f["max"]
        if f["range"] == "swatches":
            lo, hi = 0, swatches
        elif f["range"] == "unchecked":
            lo, hi = -2**31, 2**31 - 1
        if f["kind"] == "float":
            rec[f["name"]] = float32(rng.uniform(lo, hi))
        else:
            rec[f["name"]] = rng.randint(int(lo), int(hi))
    return rec


def bad_numbers(text):
    """Why a JSON document of the program is not all finite numbers, or None. A large document is
    scanned as text: the exporter writes a non-finite number as null, and only an art style may
    be null."""
    if len(text) > 8 << 20:
        nulls, styles = text.count("null"), text.count('"artStyle":null')
        if nulls != styles:
            return f"holds null ({nulls - styles} times)"
        return "holds NaN or infinity" if re.search(r"[:,\[]-?(nan|inf)", text, re.I) else None
    trouble = []

    def constant(name):
        trouble.append(name)
        return 0.0

    try:
        doc = json.loads(text, parse_constant=constant)
    except ValueError as e:
        return f"not JSON: {e}"
    if trouble:
        return f"holds {trouble[0]}"
    # Every number must be finite; null stands only where a value may be absent (an art style).
    stack = [("document", doc)]
    while stack:
        key, v = stack.pop()
        if v is None and key != "artStyle":
            return f"holds null for {key}"
        if isinstance(v, dict):
            stack.extend(v.items())
        elif isinstance(v, list):
            stack.extend((key, x) for x in v)
        elif isinstance(v, float) and not math.isfinite(v):
            return f"holds {v}"
    return None


class Score:
    """Cases and failures of one probe; thread-safe."""

    def __init__(self, name):
        self.name = name
        self.cases = 0
        self.failures = []  # (case, why, reproduction lines)
        self.notes = []
        self._lock = threading.Lock()

    def passed(self, folder=None):
        with self._lock:
            self.cases += 1
        if folder:
            shutil.rmtree(folder, ignore_errors=True)

    def failed(self, case, why, repro):
        with self._lock:
            self.cases += 1
            self.failures.append((case, why, list(repro)))

    def check(self, case, problems, repro, folder=None):
        """One case: passes when `problems` is empty, else fails with them joined. A failing case
        keeps its inputs; outputs past a megabyte go (the reproduction makes them again)."""
        if problems:
            self.failed(case, "; ".join(problems), repro)
            for name in os.listdir(folder) if folder else []:
                path = os.path.join(folder, name)
                if os.path.isfile(path) and os.path.getsize(path) > 1 << 20:
                    os.remove(path)
        else:
            self.passed(folder)


def parallel(env, items, fn):
    """fn(item) for every item, env.jobs at a time, in order of the items."""
    with ThreadPoolExecutor(max_workers=env.jobs) as pool:
        return list(pool.map(fn, items))


def seeded(name):
    """A random generator whose draws depend only on the probe's name."""
    return random.Random(f"flarimond-validate-{name}")


def write(path, data):
    mode = "wb" if isinstance(data, bytes) else "w"
    with open(path, mode) as f:
        f.write(data)
    return path


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None
