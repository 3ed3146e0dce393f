#!/usr/bin/env python3
"""Mutation testing of the plug-in's own sources.

Makes one small change at a time to shell/, params/, dialog/ or burst/ (an operator, a constant, a
comparison, an off-by-one, a deleted statement, two swapped arguments), rebuilds the module (and the
unit tests whose own sources include the changed file) and runs the Linux unit and conformance tests
until the first failure. A mutant the tests notice is killed; one they do not notice survived,
which means a rule can be broken without a test failing (or that the change is equivalent: listed
with its reason in tests/mutation/equivalent.txt).

It works on a copy of the tree in build-mutate/, so the working tree is never changed and can be
edited while it runs. No maintained C++ mutation tool installs from the Debian archive, so this is
a small one: it works on text, skipping comments, string and character literals, preprocessor lines
and static_asserts; a change the compiler rejects is counted as a build failure, not a survivor.

  ./run.sh mutate [FILES...] [--sample N] [--seed S] [--budget MINUTES] [--list]
"""

import argparse
import json
import os
import random
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
from collections import OrderedDict
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FOLDERS = ("shell", "params", "dialog", "burst")
# The host interface headers are declarations only; a change there is a build failure or nothing.
EXCLUDED = ("shell/host/",)
WORK = ROOT / "build-mutate"
CONFORMANCE = ("generate_test", "paint_test", "effects_test", "geometry_test", "shell_test",
               "get_parameters_test", "dialog_test", "presets_test")
UNIT = ("burst_tables_test", "param_file_test", "resources_test", "dialogs_test", "document_test",
        "host_geometry_test", "export_test")
EQUIVALENT = ROOT / "tests" / "mutation" / "equivalent.txt"


# ---- finding mutants --------------------------------------------------------------------------

def code_mask(text):
    """A copy of text with comments and string/char literals blanked (same length, newlines kept)."""
    out = list(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j):
                out[k] = " "
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                if out[k] != "\n":
                    out[k] = " "
            i = j
        elif c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):
            # A literal to its closing quote (the plug-in has no raw strings); ' after a digit or
            # letter is a digit separator, not a character literal.
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            for k in range(i, min(j + 1, n)):
                out[k] = " "
            i = j + 1
        else:
            i += 1
    return "".join(out)


def skipped_lines(masked_lines):
    """Line numbers (0-based) never mutated: preprocessor lines, static_asserts (to their end) and
    the bodies of `constexpr bool` functions, which are compile-time checks of tables: a change
    there fails the build or checks less, and changes nothing the module does."""
    skip = set()
    depth = None
    check_depth = None
    for no, line in enumerate(masked_lines):
        s = line.strip()
        if check_depth is None and re.match(r"^(static |inline )?constexpr bool \w+\(", s):
            check_depth = 0
        if check_depth is not None:
            skip.add(no)
            check_depth += s.count("{") - s.count("}")
            if check_depth <= 0 and "}" in s:
                check_depth = None
            continue
        if depth is not None or s.startswith("static_assert") or "FL_CHECK_OFFSET" in s:
            skip.add(no)
            if depth is None:
                depth = 0
            depth += s.count("(") - s.count(")")
            if depth <= 0 and s.endswith(";"):
                depth = None
            continue
        if s.startswith("#") or s.startswith("template") or s.startswith("namespace") or s.startswith("extern"):
            skip.add(no)
            if s.startswith("#define"):  # a macro continued over lines
                k = no
                while k < len(masked_lines) and masked_lines[k].rstrip().endswith("\\"):
                    k += 1
                    skip.add(k)
    return skip


BINARY = [  # (operator as written with spaces around it, replacements)
    (" + ", [" - "]), (" - ", [" + "]), (" * ", [" / "]), (" / ", [" * "]), (" % ", [" / "]),
    (" < ", [" <= ", " > "]), (" <= ", [" < "]), (" > ", [" >= ", " < "]), (" >= ", [" > "]),
    (" == ", [" != "]), (" != ", [" == "]), (" && ", [" || "]), (" || ", [" && "]),
    (" & ", [" | "]), (" | ", [" & "]), (" += ", [" -= "]), (" -= ", [" += "]),
    (" *= ", [" /= "]), (" /= ", [" *= "]), (" << ", [" >> "]), (" >> ", [" << "]),
]
NUMBER = re.compile(r"(?<![\w.])(\d+\.\d*(?:e[-+]?\d+)?f?|\d+(?:e[-+]?\d+)?f|0x[0-9a-fA-F]+|\d+)(?![\w.])")
CALL = re.compile(r"\b([A-Za-z_]\w*)\(")
DECLARATION_START = re.compile(
    r"^(return|break|continue|case|default|goto|using|typedef|struct|class|enum|namespace|extern|static|"
    r"const|constexpr|inline|auto|void|bool|char|int|float|double|unsigned|signed|long|short|"
    r"u?int\d+_t|size_t|Host\w*|if|for|while|switch|else|do|public|private|protected)\b")
NO_SWAP = {"min", "max", "fmin", "fmax", "if", "for", "while", "switch", "return", "sizeof", "static_cast",
           "reinterpret_cast", "offsetof", "defined"}


def float_changes(lit):
    """Replacements for a real literal: the same digits in double precision (when that is another
    value), and a nearby value."""
    body = lit[:-1] if lit.endswith("f") else lit
    try:
        v = float(body)
    except ValueError:
        return []
    out = []
    if lit.endswith("f"):
        single = struct.unpack("f", struct.pack("f", v))[0]
        if single != v:
            out.append(body)  # computed in double
    if v == 0:
        out.append("1.0f" if lit.endswith("f") else "1.0")
    else:
        mant, _, exp = body.partition("e")
        digits = [i for i, ch in enumerate(mant) if ch.isdigit()]
        last = digits[-1]
        d = int(mant[last])
        bumped = mant[:last] + str((d + 1) % 10 if d != 9 else 8) + mant[last + 1:]
        out.append(bumped + ("e" + exp if exp else "") + ("f" if lit.endswith("f") else ""))
    return out


def int_changes(lit):
    if lit.startswith("0x"):
        v = int(lit, 16)
        return [hex(v + 1), hex(v - 1) if v else "0x1"]
    v = int(lit)
    return [str(v + 1)] + ([str(v - 1)] if v > 0 else [])


def split_args(inside):
    """The top-level comma-separated arguments of a call's text (commas inside brackets stay)."""
    args, depth, cur = [], 0, ""
    for ch in inside:
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            depth -= 1
        if ch == "," and depth == 0:
            args.append(cur)
            cur = ""
        else:
            cur += ch
    args.append(cur)
    return args


def mutants_of(path, rel):
    text = path.read_text()
    masked = code_mask(text)
    lines = text.split("\n")
    mlines = masked.split("\n")
    skip = skipped_lines(mlines)
    found = []

    def add(no, col, old, new, kind):
        found.append({"file": rel, "line": no + 1, "col": col + 1, "old": old, "new": new, "kind": kind})

    for no, (line, m) in enumerate(zip(lines, mlines)):
        if no in skip or not m.strip():
            continue
        # Operators, written with a space on each side (a binary operator in this code base).
        for op, news in BINARY:
            start = 0
            while True:
                at = m.find(op, start)
                if at < 0:
                    break
                start = at + 1
                # "a < b" inside a template argument list would not compile; "->" is no minus.
                if op.strip() in ("<", ">") and ("<<" in m[at - 1:at + 3] or ">>" in m[at - 1:at + 3]):
                    continue
                for new in news:
                    add(no, at, op.strip(), new.strip(), "operator")
        # Unary minus and logical not.
        for mm in re.finditer(r"(?<=[(=,\[?:] )-(?=[\w(])|(?<=[(\[])-(?=[\w(])|(?<=return )-(?=[\w(])", m):
            add(no, mm.start(), "-", "", "negation")
        for mm in re.finditer(r"!(?!=)", m):
            add(no, mm.start(), "!", "", "logical")
        for mm in re.finditer(r"\+\+|--", m):
            add(no, mm.start(), mm.group(), "--" if mm.group() == "++" else "++", "operator")
        for mm in re.finditer(r"\b(true|false)\b", m):
            add(no, mm.start(), mm.group(), "false" if mm.group() == "true" else "true", "constant")
        # Constants.
        for mm in NUMBER.finditer(m):
            lit = mm.group()
            news = float_changes(lit) if ("." in lit or lit.endswith("f")) and not lit.startswith("0x") \
                else int_changes(lit)
            for new in news:
                add(no, mm.start(), lit, new, "constant")
        # Swapped neighbouring arguments of a call written on one line.
        for mm in CALL.finditer(m):
            if mm.group(1) in NO_SWAP:
                continue
            open_at = mm.end() - 1
            depth, close_at = 0, None
            for k in range(open_at, len(m)):
                if m[k] == "(":
                    depth += 1
                elif m[k] == ")":
                    depth -= 1
                    if depth == 0:
                        close_at = k
                        break
            if close_at is None:
                continue
            inside = m[open_at + 1:close_at]
            args = split_args(inside)
            if len(args) < 2 or len(args) > 5 or any(not a.strip() for a in args):
                continue
            # Declarations ("int a, float b") are no calls.
            if any(re.match(r"^\s*[\w:<>*&]+\s+[*&]?\w+\s*$", a) for a in args):
                continue
            real = split_args(line[open_at + 1:close_at])
            if len(real) != len(args):
                continue
            for k in range(len(args) - 1):
                a, b = real[k].strip(), real[k + 1].strip()
                if a == b:
                    continue
                swapped = list(real)
                lead_a = real[k][:len(real[k]) - len(real[k].lstrip())]
                lead_b = real[k + 1][:len(real[k + 1]) - len(real[k + 1].lstrip())]
                swapped[k] = lead_a + b + real[k][len(real[k].rstrip()):]
                swapped[k + 1] = lead_b + a + real[k + 1][len(real[k + 1].rstrip()):]
                add(no, open_at + 1, line[open_at + 1:close_at], ",".join(swapped), "swap")
        # Deleted statements: a whole one-line statement that is no declaration and no return.
        s = m.strip()
        if (s.endswith(";") and not DECLARATION_START.match(s) and s.count("(") == s.count(")")
                and not re.match(r"^[\w:<>]+[*&]?\s+[*&]?\w+\s*(=|;|\(|\{|\[)", s)
                and line.startswith("  ") and not s.startswith("}")
                and (no == 0 or not mlines[no - 1].rstrip().endswith((",", "(", "=", "&&", "||", "?", ":", "+", "-")))):
            indent = len(line) - len(line.lstrip())
            add(no, indent, line.strip(), "{}", "deletion")
    return found


def apply(text, mutant):
    lines = text.split("\n")
    no = mutant["line"] - 1
    line = lines[no]
    col = mutant["col"] - 1
    if mutant["kind"] == "deletion":
        lines[no] = line[:col] + "{}" + line[col + len(mutant["old"]):]
    elif mutant["kind"] == "swap":
        lines[no] = line[:col] + mutant["new"] + line[col + len(mutant["old"]):]
    else:
        old = mutant["old"]
        if mutant["kind"] == "operator" and old not in ("++", "--"):
            # Stored without the spaces; they are still there around it in the text.
            col += 1
        assert line[col:col + len(old)] == old, (mutant, line)
        lines[no] = line[:col] + mutant["new"] + line[col + len(old):]
    return "\n".join(lines)


def describe(m):
    if m["kind"] == "deletion":
        return "deleted `%s`" % m["old"]
    return "`%s` -> `%s`" % (m["old"], m["new"])


def key(m):
    return "%s:%d:%d %s" % (m["file"], m["line"], m["col"], describe(m))


# ---- building and testing ---------------------------------------------------------------------

def run(cmd, timeout=None, cwd=None):
    try:
        p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)
        return p.returncode, p.stdout.decode(errors="replace")
    except subprocess.TimeoutExpired as e:
        return None, (e.stdout or b"").decode(errors="replace")


def snapshot():
    """Copies the tracked and new files of the tree into build-mutate/src."""
    src = WORK / "src"
    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT, stdout=subprocess.PIPE,
                           check=True).stdout.decode().split("\n")
    wanted = set()
    for f in files:
        if not f or not (ROOT / f).is_file():
            continue
        wanted.add(f)
        dest = src / f
        # Unchanged files keep their times, so the copy's build stays up to date; a changed one
        # (or one an interrupted run left mutated) is written anew and rebuilt.
        if dest.is_file() and dest.read_bytes() == (ROOT / f).read_bytes():
            continue
        dest.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(ROOT / f, dest)
    if src.exists():
        for p in src.rglob("*"):
            if p.is_file() and str(p.relative_to(src)) not in wanted:
                p.unlink()
    # A run stopped by force may have left a mutant's objects newer than the restored source:
    # the plug-in is always built afresh (the compiler cache makes that quick).
    for folder in FOLDERS:
        for p in (src / folder).rglob("*"):
            if p.is_file():
                os.utime(p)
    return src


def configure(src):
    build = WORK / "build"
    # Unoptimised: each mutant costs a compile and a link, and the tests are quick either way.
    code, out = run(["cmake", "-S", str(src), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                     "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"])
    if code != 0:
        sys.exit("mutate: cmake failed:\n" + out)
    code, out = run(["cmake", "--build", str(build), "-j", str(os.cpu_count() or 2)])
    if code != 0:
        sys.exit("mutate: the unchanged tree does not build:\n" + out[-4000:])
    return build


def unit_targets_including(build, src):
    """For each source file, the unit-test targets whose own objects compile or include it."""
    code, out = run(["ninja", "-C", str(build), "-t", "deps"])
    users = {}
    target = None
    for line in out.split("\n"):
        if line and not line.startswith(" "):
            obj = line.split(":")[0]
            mm = re.search(r"tests/CMakeFiles/(\w+)\.dir/", obj)
            target = mm.group(1) if mm and mm.group(1) in UNIT else None
        elif target and line.strip():
            dep = os.path.normpath(os.path.join(str(build), line.strip()))
            try:
                rel = str(Path(dep).relative_to(src))
            except ValueError:
                continue
            users.setdefault(rel, set()).add(target)
    return users


def test_commands(build, src):
    bin_ = build / "bin"
    cmds = [[str(bin_ / t), "--gtest_fail_fast", "--gtest_brief=1"] for t in CONFORMANCE + UNIT]
    cmds.append(["bash", str(src / "tests" / "cli" / "cli_test.sh"), str(bin_ / "flarimond")])
    cmds.append([sys.executable, str(src / "tests" / "tables" / "dialog_tables_test.py"), str(bin_ / "flarimond"),
                 "--failfast"])
    if (bin_ / "serve_test").exists():
        cmds.append([str(bin_ / "serve_test"), "--gtest_fail_fast", "--gtest_brief=1"])
    return cmds


def run_tests(cmds, timeouts):
    """'killed', 'survived' or 'timeout', and the test program that decided."""
    for cmd, limit in zip(cmds, timeouts):
        code, _ = run(cmd, timeout=limit)
        name = Path(cmd[1] if cmd[0] in ("bash", sys.executable) else cmd[0]).name
        if code is None:
            return "timeout", name
        if code != 0:
            return "killed", name
    return "survived", None


# ---- the run ----------------------------------------------------------------------------------

def load_equivalent():
    keys = OrderedDict()
    if EQUIVALENT.exists():
        for line in EQUIVALENT.read_text().split("\n"):
            if not line.strip() or line.startswith("#"):
                continue
            k, _, reason = line.partition(" | ")
            keys[k.strip()] = reason.strip()
    return keys


def folder_of(rel):
    return rel.split("/")[0]


def write_report(path, results, equivalent, args, started, complete):
    by_folder = OrderedDict((f, {"killed": 0, "survived": 0, "equivalent": 0, "timeout": 0, "build": 0})
                            for f in FOLDERS)
    for r in results:
        st = r["status"]
        if st == "survived" and key(r) in equivalent:
            st = "equivalent"
        by_folder[folder_of(r["file"])][st] += 1
    lines = ["Mutation testing of the plug-in (%s)" % time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime(started)),
             "command: ./run.sh mutate %s" % " ".join(args), "",
             "%d mutants tried%s in %.0f minutes" % (len(results), "" if complete else " (stopped at the time budget)",
                                                      (time.time() - started) / 60), "",
             "folder   killed  survived  equivalent  timed out  build failures  score (killed / non-equivalent)"]
    for f, c in by_folder.items():
        judged = c["killed"] + c["survived"] + c["timeout"]
        score = "%5.1f %%" % (100.0 * (c["killed"] + c["timeout"]) / judged) if judged else "   -"
        lines.append("%-8s %6d  %8d  %10d  %9d  %14d  %s" % (f, c["killed"], c["survived"], c["equivalent"],
                                                               c["timeout"], c["build"], score))
    lines += ["", "Timed-out mutants count as killed (the tests noticed something: an endless loop).", "",
              "Survived (not listed as equivalent):"]
    for r in results:
        if r["status"] == "survived" and key(r) not in equivalent:
            lines.append("  " + key(r))
    lines += ["", "Survived, listed as equivalent:"]
    for r in results:
        if r["status"] == "survived" and key(r) in equivalent:
            lines.append("  %s  (%s)" % (key(r), equivalent[key(r)]))
    lines += ["", "Timed out:"] + ["  " + key(r) for r in results if r["status"] == "timeout"]
    lines += ["", "Build failures:"] + ["  " + key(r) for r in results if r["status"] == "build"]
    path.write_text("\n".join(lines) + "\n")
    (path.with_suffix(".json")).write_text(json.dumps(results, indent=1))
    return lines


def stop(signum, frame):
    # Unwinds through the mutant's `finally`, which puts the source back.
    raise KeyboardInterrupt


def main():
    signal.signal(signal.SIGTERM, stop)
    ap = argparse.ArgumentParser(prog="./run.sh mutate", description=__doc__.split("\n\n")[0],
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("files", nargs="*", help="sources to mutate (default: every source of shell/, params/, "
                                             "dialog/ and burst/ except the host interface headers)")
    ap.add_argument("--sample", type=int, metavar="N", help="try N mutants drawn at random (default: all)")
    ap.add_argument("--seed", type=int, default=1, metavar="S", help="seed of the draw and of the order (default 1)")
    ap.add_argument("--budget", type=float, metavar="MINUTES", help="stop after this many minutes and report "
                                                                     "what was tried")
    ap.add_argument("--timeout", type=float, default=60, metavar="SECONDS",
                    help="longest a mutant's tests may run before it counts as timed out (default 60)")
    ap.add_argument("--list", action="store_true", help="list the chosen mutants and stop")
    ap.add_argument("--report", default=str(WORK / "report.txt"), metavar="FILE",
                    help="where the report goes (default build-mutate/report.txt; a .json beside it)")
    args = ap.parse_args()
    argv = sys.argv[1:]

    if args.files:
        rels = []
        for f in args.files:
            rel = os.path.relpath(os.path.abspath(f), ROOT)
            if folder_of(rel) not in FOLDERS or rel.startswith(EXCLUDED) or not (ROOT / rel).is_file():
                sys.exit("mutate: %s is not a source of shell/, params/, dialog/ or burst/" % f)
            rels.append(rel)
    else:
        rels = sorted(str(p.relative_to(ROOT)) for folder in FOLDERS for p in (ROOT / folder).rglob("*")
                      if p.suffix in (".cpp", ".h") and not str(p.relative_to(ROOT)).startswith(EXCLUDED))
    mutants = []
    for rel in rels:
        mutants += mutants_of(ROOT / rel, rel)
    rng = random.Random(args.seed)
    if args.sample and args.sample < len(mutants):
        mutants = rng.sample(mutants, args.sample)
    else:
        rng.shuffle(mutants)
    print("mutate: %d mutants in %d files" % (len(mutants), len(rels)), file=sys.stderr)
    if args.list:
        for m in mutants:
            print(key(m))
        return 0

    started = time.time()
    WORK.mkdir(exist_ok=True)
    src = snapshot()
    build = configure(src)
    users = unit_targets_including(build, src)
    # Only tests that compile a plug-in source file of their own are rebuilt with a mutant; a test
    # that merely includes a plug-in header (or links a library that does) keeps the original.
    unit_users = sorted({t for rel, ts in users.items() if folder_of(rel) in FOLDERS and rel.endswith(".cpp")
                         for t in ts})
    cmds = test_commands(build, src)
    # The unchanged tree must pass; its times set each program's time limit.
    timeouts = []
    for cmd in cmds:
        t0 = time.time()
        code, out = run(cmd, timeout=args.timeout)
        if code != 0:
            sys.exit("mutate: the unchanged tree fails %s:\n%s" % (" ".join(cmd), out[-3000:]))
        timeouts.append(min(args.timeout, 10 + 5 * (time.time() - t0)))
    equivalent = load_equivalent()
    results = []
    complete = True
    report = Path(args.report)
    for i, m in enumerate(mutants):
        if args.budget and time.time() - started > args.budget * 60:
            complete = False
            break
        path = src / m["file"]
        original = path.read_text()
        t0 = time.time()
        # Every unit test that compiles a plug-in source, so that one a previous mutant changed is
        # rebuilt from the restored file; ninja rebuilds only what a change reaches.
        targets = ["flarimond_plugin"] + unit_users
        try:
            path.write_text(apply(original, m))
            code, out = run(["ninja", "-C", str(build)] + targets, timeout=600)
            if code != 0:
                status, by = "build", None
            else:
                status, by = run_tests(cmds, timeouts)
        finally:
            path.write_text(original)
        results.append(dict(m, status=status, by=by))
        print("[%d/%d] %-8s %s%s %.0fs" % (i + 1, len(mutants), status, key(m), " (%s)" % by if by else "",
                                           time.time() - t0),
              file=sys.stderr, flush=True)
        if i % 20 == 19:
            write_report(report, results, equivalent, argv, started, False)
    # Leave the copy's build as the unchanged tree.
    run(["ninja", "-C", str(build), "flarimond_plugin"] + unit_users)
    lines = write_report(report, results, equivalent, argv, started, complete)
    print("\n".join(lines[:14]))
    print("report: %s" % report)
    return 0


if __name__ == "__main__":
    sys.exit(main())
