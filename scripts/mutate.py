#!/usr/bin/env python3
"""Mutation testing of the plug-in's own sources.

Makes one small change at a time to shell/, params/, dialog/ or burst/ (an operator, a constant, a
comparison, an off-by-one, a deleted statement, two swapped arguments), rebuilds the module (and the
unit tests that compile the changed file) and runs the tests that can see the module until the first
failure. A mutant the tests notice is killed; one they do not notice survived, which means a rule
can be broken without a test failing (or that the change is equivalent: listed with its reason in
tests/mutation/equivalent.txt).

It works on copies of the tree in build-mutate/ (one per worker, each with its own build), so the
working tree is never changed and can be edited while it runs. No maintained C++ mutation tool
installs from the Debian archive, so this is a small one: it works on text, skipping comments,
string and character literals, preprocessor lines and static_asserts; a change the compiler rejects
is counted as refused, not as a survivor.

  ./run.sh mutate --all                       every mutant; report in tests/mutation/report.txt
  ./run.sh mutate [FILES...] [--sample N] [--seed S] [--budget MINUTES] [--list] [--jobs N]

Which tests run (read from ctest in each worker's build, so a test added to CMake takes part
without a change here): a test labelled `conformance`, `model` or `mutation`; a test whose command
or ENVIRONMENT names the built module (FLARIMOND_MODULE) or the built `flarimond` program; and a
unit test whose own executable compiles a plug-in source. A test labelled `no-mutation` never runs.
Unit tests that neither load the module nor compile a plug-in source cannot tell a mutant from the
original and are left out.
"""

import argparse
import bisect
import hashlib
import json
import os
import random
import re
import resource
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
from collections import OrderedDict, defaultdict
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FOLDERS = ("shell", "params", "dialog", "burst")
# The host interface headers are declarations only; a change there is a build failure or nothing.
EXCLUDED = ("shell/host/",)
WORK = ROOT / "build-mutate"
EQUIVALENT = ROOT / "tests" / "mutation" / "equivalent.txt"
FULL_REPORT = ROOT / "tests" / "mutation" / "report.txt"
HISTORY = WORK / "history.json"
MODULE_TARGET = "flarimond_plugin"
KILLER_LABELS = {"conformance", "model", "mutation"}
OPT_OUT_LABEL = "no-mutation"


# ---- finding mutants --------------------------------------------------------------------------

def code_mask(text, strings=True):
    """A copy of text with comments (and string/char literals, unless strings is False) blanked:
    same length, newlines kept."""
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
            if strings:
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
    name_mutants(text, found)
    return found


def apply_to_line(line, mutant):
    col = mutant["col"] - 1
    if mutant["kind"] == "deletion":
        return line[:col] + "{}" + line[col + len(mutant["old"]):]
    if mutant["kind"] == "swap":
        return line[:col] + mutant["new"] + line[col + len(mutant["old"]):]
    old = mutant["old"]
    if mutant["kind"] == "operator" and old not in ("++", "--"):
        # Stored without the spaces; they are still there around it in the text.
        col += 1
    assert line[col:col + len(old)] == old, (mutant, line)
    return line[:col] + mutant["new"] + line[col + len(old):]


def apply(text, mutant):
    lines = text.split("\n")
    no = mutant["line"] - 1
    lines[no] = apply_to_line(lines[no], mutant)
    return "\n".join(lines)


def describe(m):
    if m["kind"] == "deletion":
        return "deleted `%s`" % m["old"]
    return "`%s` -> `%s`" % (m["old"], m["new"])


# ---- keys that follow the text ----------------------------------------------------------------
#
# A mutant is known by its file, the definition it lies in (a function, or a variable or type at
# namespace scope, with its class: `Foo::bar`), the text of its line before and after the change
# (comments dropped, whitespace runs made one space) and, when the same pair of lines occurs more
# than once in the same definition, which occurrence it is (#2, #3, ...). Edits elsewhere in the
# file, or that only move the line, leave the key as it is.

IDENT = re.compile(r"~?[A-Za-z_]\w*(?:\s*::\s*~?[A-Za-z_]\w*)*")


def _top_level(head, ch):
    """Offset of the first `ch` in head outside (), [] and {}, or -1."""
    depth = 0
    for i, c in enumerate(head):
        if c == ch and depth == 0:
            return i
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
    return -1


def _last_ident(s):
    s = re.sub(r"(\s*\[[^\]]*\])+\s*$", "", s.strip()).strip()  # an array's extents
    found = list(IDENT.finditer(s))
    return re.sub(r"\s+", "", found[-1].group()) if found else ""


def _classify(head):
    """What a head ending at `{` or `;` opens: ('container', name or None) for a namespace, a
    linkage block or a class; ('definition', name) for anything else."""
    h = re.sub(r"__attribute__\s*\(\(.*?\)\)|alignas\s*\(.*?\)|\[\[.*?\]\]", " ", head)
    h = " ".join(h.split())
    h = re.sub(r"^template\s*<.*?>\s*", "", h)
    if re.match(r"^(inline\s+)?namespace\b", h) or h == "extern":
        return "container", None
    mm = re.match(r"^(?:struct|class|union)\s+(\w+)[^(=]*$", h)
    if mm:
        return "container", mm.group(1)
    mm = re.match(r"^enum(?:\s+class|\s+struct)?\s+(\w+)", h)
    if mm:
        return "definition", mm.group(1)
    mm = re.match(r"^(?:using|typedef)\b(.*)$", h)
    if mm:
        eq = _top_level(mm.group(1), "=")
        return "definition", _last_ident(mm.group(1)[:eq] if eq >= 0 else mm.group(1))
    eq = h.find("=")
    paren = _top_level(h, "(")
    if eq >= 0 and (paren < 0 or eq < paren) and not h[eq:].startswith("=="):
        return "definition", _last_ident(h[:eq])  # a variable and its initializer
    if paren >= 0:
        return "definition", _last_ident(h[:paren])  # a function (or a declaration of one)
    return "definition", _last_ident(h)


def definition_spans(text):
    """(start, end, name) of each definition at namespace or class scope, in order."""
    m = code_mask(text)
    # Preprocessor lines (and their continuations) belong to no definition.
    lines = m.split("\n")
    k = 0
    while k < len(lines):
        if lines[k].lstrip().startswith("#"):
            while lines[k].rstrip().endswith("\\") and k + 1 < len(lines):
                lines[k] = " " * len(lines[k])
                k += 1
            lines[k] = " " * len(lines[k])
        k += 1
    m = "\n".join(lines)
    spans, scope = [], []
    i, n, head_start = 0, len(m), 0

    def qualified(name):
        return "::".join([s for s in scope if s] + ([name] if name else []))

    def start_of(at):
        while at < n and m[at].isspace():
            at += 1
        return at

    while i < n:
        c = m[i]
        if c == ";":
            kind, name = _classify(m[head_start:i])
            if m[head_start:i].strip():
                spans.append((start_of(head_start), i, qualified(name)))
            head_start = i + 1
        elif c == "{":
            kind, name = _classify(m[head_start:i])
            if kind == "container":
                scope.append(name)
                head_start = i + 1
            else:
                depth, j = 0, i
                while j < n:
                    if m[j] == "{":
                        depth += 1
                    elif m[j] == "}":
                        depth -= 1
                        if depth == 0:
                            break
                    j += 1
                end = j
                after = start_of(j + 1)
                if after < n and m[after] == ";":  # a variable's initializer or a type's body
                    end = after
                spans.append((start_of(head_start), end, qualified(name)))
                i = end
                head_start = end + 1
        elif c == "}":
            if scope:
                scope.pop()
            head_start = i + 1
        i += 1
    return spans


def normalise(line):
    return " ".join(line.split())


def name_mutants(text, mutants):
    """Adds each mutant's definition name, line texts and occurrence index (its key)."""
    spans = definition_spans(text)
    starts = [s[0] for s in spans]
    line_starts = [0]
    for ln in text.split("\n"):
        line_starts.append(line_starts[-1] + len(ln) + 1)
    plain = code_mask(text, strings=False).split("\n")  # comments dropped, strings kept
    seen = defaultdict(int)
    for mu in sorted(mutants, key=lambda x: (x["line"], x["col"])):
        at = line_starts[mu["line"] - 1] + mu["col"] - 1
        k = bisect.bisect_right(starts, at) - 1
        mu["name"] = spans[k][2] if k >= 0 and spans[k][0] <= at <= spans[k][1] else ""
        line = plain[mu["line"] - 1]
        mu["orig"] = normalise(line)
        mu["mut"] = normalise(apply_to_line(line, mu))
        ident = (mu["name"], mu["orig"], mu["mut"])
        seen[ident] += 1
        mu["nth"] = seen[ident]


def identity(m):
    return (m["file"], m["name"], m["orig"], m["mut"], m["nth"])


def key_header(m):
    where = m["file"] + (" in " + m["name"] if m["name"] else "") + (" #%d" % m["nth"] if m["nth"] > 1 else "")
    return "%s: %s" % (where, describe(m))


def key_block(m, indent="  "):
    """The key as equivalent.txt and the report write it: a header line and the line before and
    after the change."""
    return [key_header(m), indent + "- " + m["orig"], indent + "+ " + m["mut"]]


def location(m):
    return "%s:%d:%d" % (m["file"], m["line"], m["col"])


HEADER = re.compile(r"^(?P<file>[\w./-]+?)(?: in (?P<name>\S+?))?(?: #(?P<nth>\d+))?: (?P<change>.*)$")


def load_equivalent(path=EQUIVALENT):
    """identity -> (reason, header line) of each entry of equivalent.txt.

    Entries are blocks: a header `FILE in NAME[ #N]: CHANGE` at the start of a line, then indented
    `- ` (the line as it stands), `+ ` (the line as the mutant has it) and `why: ` (the reason, which
    may go on over further indented lines). Lines starting with # are comments."""
    entries = OrderedDict()
    if not path.exists():
        return entries
    cur = None

    def close():
        if cur is None:
            return
        if cur["orig"] is None or cur["mut"] is None or not cur["why"].strip():
            sys.exit("mutate: %s: the entry `%s` needs a `- ` line, a `+ ` line and a `why:`" % (path, cur["head"]))
        ident = (cur["file"], cur["name"], cur["orig"], cur["mut"], cur["nth"])
        entries[ident] = (" ".join(cur["why"].split()), cur["head"])

    for raw in path.read_text().split("\n"):
        if raw.startswith("#") or not raw.strip():
            continue
        if not raw[0].isspace():
            close()
            mm = HEADER.match(raw.strip())
            if not mm:
                sys.exit("mutate: %s: cannot read the entry header `%s`" % (path, raw))
            cur = {"file": mm.group("file"), "name": mm.group("name") or "", "nth": int(mm.group("nth") or 1),
                   "head": raw.strip(), "orig": None, "mut": None, "why": ""}
            continue
        s = raw.strip()
        if cur is None:
            sys.exit("mutate: %s: `%s` belongs to no entry" % (path, s))
        if s.startswith("- ") and cur["orig"] is None:
            cur["orig"] = normalise(s[2:])
        elif s.startswith("+ ") and cur["mut"] is None:
            cur["mut"] = normalise(s[2:])
        elif s.startswith("why:"):
            cur["why"] = s[4:]
        elif cur["why"]:
            cur["why"] += " " + s
        else:
            sys.exit("mutate: %s: cannot read `%s` in the entry `%s`" % (path, s, cur["head"]))
    close()
    return entries


# ---- running commands -------------------------------------------------------------------------

class Ran:
    def __init__(self, code, out, cpu, wall):
        self.code, self.out, self.cpu, self.wall = code, out, cpu, wall

    @property
    def timed_out(self):
        return self.code is None


def run(cmd, cwd=None, env=None, timeout=None, on_start=None):
    """Runs cmd in a process group of its own; its CPU time (children it waited for included) comes
    from wait4. A run past its time limit loses its whole group and has code None."""
    with tempfile.TemporaryFile() as out:
        t0 = time.monotonic()
        p = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                             start_new_session=True)
        if on_start:
            on_start(p.pid)
        fired = []

        def kill():
            fired.append(True)
            try:
                os.killpg(p.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        timer = threading.Timer(timeout, kill) if timeout else None
        if timer:
            timer.start()
        try:
            _, status, usage = os.wait4(p.pid, 0)
        finally:
            if timer:
                timer.cancel()
            if on_start:
                on_start(None)
        p.returncode = os.waitstatus_to_exitcode(status)  # reaped here, not by Popen
        try:  # what the test left running (a server it started) goes with it
            os.killpg(p.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        wall = time.monotonic() - t0
        out.seek(0)
        text = out.read().decode(errors="replace")
    code = None if fired else p.returncode
    return Ran(code, text, usage.ru_utime + usage.ru_stime, wall)


# ---- the tests --------------------------------------------------------------------------------

class Test:
    """One ctest test as a worker runs it. A GoogleTest case (gtest_discover_tests) can also run
    together with other cases of its executable in one process."""

    def __init__(self, raw):
        self.name = raw["name"]
        self.argv = list(raw["command"])
        props = {p["name"]: p["value"] for p in raw.get("properties", [])}
        self.cwd = props.get("WORKING_DIRECTORY")
        self.env = [e for e in props.get("ENVIRONMENT", [])]
        self.labels = set(props.get("LABELS", []))
        self.will_fail = bool(props.get("WILL_FAIL", False))
        self.exe = os.path.basename(self.argv[0]) if self.argv else ""
        filters = [a for a in self.argv if a.startswith("--gtest_filter=")]
        self.case = filters[0][len("--gtest_filter="):] if len(filters) == 1 else None
        self.cpu = self.wall = 0.0
        # Cases that can share one process: same executable, arguments, folder and environment.
        self.group = (tuple(a for a in self.argv if not a.startswith("--gtest_filter=")), self.cwd,
                      tuple(self.env)) if self.case else None


def discover_tests(build, module, program, unit_users):
    """The tests that can tell a mutant from the original (see the module's docstring), and the
    names of those left out."""
    code, out = subprocess.getstatusoutput("ctest --test-dir %s --show-only=json-v1" % shlex.quote(str(build)))
    if code != 0:
        sys.exit("mutate: ctest cannot list the tests:\n" + out[-2000:])
    tests, left_out = [], []
    for raw in json.loads(out)["tests"]:
        if "command" not in raw:
            continue
        t = Test(raw)
        words = t.argv + t.env
        sees_module = any(str(module) in w or (program and str(program) in w) or w.startswith("FLARIMOND_MODULE=")
                          for w in words)
        if OPT_OUT_LABEL in t.labels:
            left_out.append(t.name)
        elif t.labels & KILLER_LABELS or sees_module or t.exe in unit_users:
            t.unit_target = t.exe if t.exe in unit_users else None
            tests.append(t)
        else:
            left_out.append(t.name)
    return tests, left_out


def environment(extra, tmp):
    env = dict(os.environ)
    env.pop("CCACHE_DISABLE", None)
    # Each worker's tests keep their files apart (GoogleTest's TempDir, mktemp).
    env["TMPDIR"] = env["TEST_TMPDIR"] = str(tmp)
    # A mutant is decided by its first failure: tests that run many cases (the model's records,
    # the dialog's tables) stop there instead of running the rest.
    env["FLARIMOND_FAIL_FAST"] = "1"
    for e in extra:
        k, _, v = e.partition("=")
        env[k] = v
    return env


class History:
    """Which tests killed mutants of each file, how often they ran and how long they take: the
    order in which a mutant's tests run. Kept in build-mutate/history.json between runs."""

    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        self.data = {}  # file -> test name -> [kills, runs]
        if path.exists():
            try:
                self.data = json.loads(path.read_text())
            except ValueError:
                self.data = {}

    def record(self, file, ran, killer):
        with self.lock:
            per = self.data.setdefault(file, {})
            for name in ran:
                per.setdefault(name, [0, 0])[1] += 1
            if killer:
                per.setdefault(killer, [0, 0])[0] += 1

    def rates(self, file):
        """test name -> (kills, runs) for the file and, separately, summed over its folder."""
        with self.lock:
            own = {k: tuple(v) for k, v in self.data.get(file, {}).items()}
            folder = defaultdict(lambda: [0, 0])
            for f, per in self.data.items():
                if f.split("/")[0] == file.split("/")[0]:
                    for k, v in per.items():
                        folder[k][0] += v[0]
                        folder[k][1] += v[1]
        return own, {k: tuple(v) for k, v in folder.items()}

    def save(self):
        with self.lock:
            self.path.write_text(json.dumps(self.data, sort_keys=True))


# Tests tried one at a time, by their record of killing this file's mutants, before the rest run
# together, executable by executable.
FIRST_ALONE = 6
# A test may take this many times its time on the unchanged tree (plus a second) before the
# mutant counts as timed out.
SLOWDOWN = 5.0
SLACK = 1.0


def plan(tests, own, folder):
    """The runs for one mutant, each a list of tests: the likeliest fast killers alone, then the
    others grouped by executable (fail-fast), executables most likely to kill first."""
    def rate(t, table):
        kills, runs = table.get(t.name, (0, 0))
        return kills, (kills + 1.0) / (runs + 2.0) / (t.cpu + 0.01)

    ranked = sorted((t for t in tests if own.get(t.name, (0, 0))[0] > 0), key=lambda t: -rate(t, own)[1])
    first = ranked[:FIRST_ALONE]
    runs = [[t] for t in first]
    taken = set(id(t) for t in first)
    groups = OrderedDict()
    for t in tests:
        if id(t) in taken:
            continue
        groups.setdefault(t.group or ("alone", t.name), []).append(t)

    def group_score(members):
        kills = sum(folder.get(t.name, (0, 0))[0] for t in members)
        cost = sum(t.cpu for t in members) + 0.01
        return (-kills / cost, cost)
    for members in sorted(groups.values(), key=group_score):
        runs.append(members)
    return runs


def command_of(run_tests):
    t = run_tests[0]
    if len(run_tests) == 1:
        return t.argv
    argv = []
    for a in t.argv:
        if a.startswith("--gtest_filter="):
            a = "--gtest_filter=" + ":".join(x.case for x in run_tests)
        argv.append(a)
    return argv + ["--gtest_fail_fast"]


def culprit(out, run_tests):
    """The case of a grouped run that failed: the first reported failure, else the case that was
    running when the process died."""
    by_case = {t.case: t for t in run_tests}
    started, finished = [], set()
    for line in out.split("\n"):
        mm = re.match(r"^\[ +(RUN|OK|FAILED) +\] (\S+)", line)
        if not mm:
            continue
        what, case = mm.groups()
        if what == "RUN":
            started.append(case)
        elif what == "FAILED" and case in by_case:
            return by_case[case], started
        else:
            finished.add(case)
    for case in reversed(started):
        if case not in finished and case in by_case:
            return by_case[case], started
    return None, started


# ---- the workers ------------------------------------------------------------------------------

def snapshot(src):
    """Copies the tracked and new files of the tree into src; unchanged files keep their times."""
    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT, stdout=subprocess.PIPE,
                           check=True).stdout.decode().split("\n")
    wanted = set()
    for f in files:
        if not f or not (ROOT / f).is_file():
            continue
        wanted.add(f)
        dest = src / f
        # A changed file (or one an interrupted run left mutated) is written anew and rebuilt.
        if dest.is_file() and dest.read_bytes() == (ROOT / f).read_bytes():
            continue
        dest.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(ROOT / f, dest)
    if src.exists():
        for p in src.rglob("*"):
            if p.is_file() and str(p.relative_to(src)) not in wanted:
                p.unlink()
    # A run stopped by force may have left a mutant's objects newer than the restored source:
    # the plug-in is always built afresh.
    for folder in FOLDERS:
        for p in (src / folder).rglob("*"):
            if p.is_file():
                os.utime(p)


class Worker:
    """One copy of the tree with its own build (build-mutate/wN), trying one mutant at a time."""

    def __init__(self, index, args):
        self.index = index
        self.dir = WORK / ("w%d" % index)
        self.src, self.build, self.tmp = self.dir / "src", self.dir / "build", self.dir / "tmp"
        self.args = args
        self.pid = None
        self.lock = threading.Lock()

    def log(self, msg):
        print("mutate: w%d: %s" % (self.index, msg), file=sys.stderr, flush=True)

    def set_pid(self, pid):
        with self.lock:
            self.pid = pid

    def kill(self):
        with self.lock:
            if self.pid:
                try:
                    os.killpg(self.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass

    def prepare(self):
        """Copies the tree, configures and builds everything, unoptimised and without debug
        information: each mutant costs a compile and a link, and the tests are quick either way."""
        self.dir.mkdir(parents=True, exist_ok=True)
        self.tmp.mkdir(exist_ok=True)
        snapshot(self.src)
        cfg = ["cmake", "-S", str(self.src), "-B", str(self.build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
               "-DCMAKE_CXX_FLAGS_DEBUG=-O0", "-DCMAKE_C_FLAGS_DEBUG=-O0", "-DFLARIMOND_LTO=OFF",
               "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON",
               "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        r = run(cfg)
        if r.code != 0:
            sys.exit("mutate: cmake failed in %s:\n%s" % (self.build, r.out[-4000:]))
        r = run(["cmake", "--build", str(self.build), "-j", str(os.cpu_count() or 2)])
        if r.code != 0:
            sys.exit("mutate: the unchanged tree does not build:\n" + r.out[-4000:])
        self.setup_cpu = r.cpu
        self.find_users()
        self.module = self.build / "bin" / "flarimond.so"
        self.program = self.build / "bin" / "flarimond"
        self.tests, self.left_out = discover_tests(self.build, self.module,
                                                   self.program if self.program.exists() else None, self.unit_users)
        self.headers = sorted(str(p.relative_to(self.src)) for f in FOLDERS for p in (self.src / f).rglob("*.h")
                              if not str(p.relative_to(self.src)).startswith(EXCLUDED))
        self.header_check_ok = run(self.header_check()).code == 0
        if not self.header_check_ok:
            self.log("the plug-in's headers do not compile together by themselves: no header check")

    def find_users(self):
        """Which plug-in files each module object and each unit test target depends on."""
        cc = json.loads((self.build / "compile_commands.json").read_text())
        self.compile = {}  # object (relative to the build) -> (target, source, command)
        for e in cc:
            words = shlex.split(e["command"])
            obj = e.get("output") or (words[words.index("-o") + 1] if "-o" in words else "")
            mm = re.search(r"CMakeFiles/([\w.-]+)\.dir/", obj)
            if mm:
                self.compile[obj] = (mm.group(1), e["file"], e["command"])
        # Unit test targets that compile a plug-in source of their own: rebuilt with each mutant.
        self.unit_users = set()
        for target, source, _ in self.compile.values():
            if target == MODULE_TARGET:
                continue
            try:
                rel = str(Path(source).resolve().relative_to(self.src.resolve()))
            except ValueError:
                continue
            if rel.split("/")[0] in FOLDERS:
                self.unit_users.add(target)
        # plug-in file -> targets (the module, unit users) whose objects include or compile it
        code, out = subprocess.getstatusoutput("ninja -C %s -t deps" % shlex.quote(str(self.build)))
        self.reached = defaultdict(set)
        target = None
        for line in out.split("\n"):
            if line and not line.startswith(" "):
                obj = line.split(":")[0]
                entry = self.compile.get(obj)
                target = entry[0] if entry and (entry[0] == MODULE_TARGET or entry[0] in self.unit_users) else None
            elif target and line.strip():
                dep = os.path.normpath(os.path.join(str(self.build), line.strip()))
                try:
                    rel = str(Path(dep).relative_to(self.src))
                except ValueError:
                    continue
                if rel.split("/")[0] in FOLDERS:
                    self.reached[rel].add(target)
        # The flags of a module object, for checking a header by itself.
        module_cmd = next(c for t, _, c in self.compile.values() if t == MODULE_TARGET)
        words = shlex.split(module_cmd)
        flags, skip = [], False
        for w in words[1:]:
            if skip:
                skip = False
            elif w in ("-o", "-MT", "-MF"):
                skip = True
            elif w in ("-c", "-MD") or w.endswith((".cpp", ".c")):
                continue
            else:
                flags.append(w)
        self.compiler = [words[0]] if not words[0].endswith("ccache") else [words[1]]
        if words[0].endswith("ccache"):
            flags = flags[1:]
        self.check_flags = flags

    def baseline(self, cap):
        """Runs every test on the unchanged tree: each must pass; its times set its order and
        limit."""
        failed = []
        for t in self.tests:
            r = run(t.argv, cwd=t.cwd, env=environment(t.env, self.tmp), timeout=cap)
            if (r.code != 0) != t.will_fail:
                failed.append((t, r))
            t.cpu, t.wall = r.cpu, r.wall
        return failed

    def header_check(self):
        """Every plug-in header in one translation unit, syntax only: a mutated header is checked
        with the headers that include it, whose static_asserts check its tables, at a fraction of
        a build. Used when the unchanged headers pass it."""
        cmd = self.compiler + self.check_flags + ["-fsyntax-only", "-x", "c++"]
        for rel in self.headers:
            cmd += ["-include", str(self.src / rel)]
        return cmd + ["/dev/null"]

    def try_mutant(self, m, tests_of, history, cap):
        """Builds and tests one mutant; returns the result row."""
        path = self.src / m["file"]
        original = path.read_text()
        row = dict(m, status=None, by=None, check_cpu=0.0, build_cpu=0.0, build_wall=0.0, test_cpu=0.0,
                   test_wall=0.0, runs=0)
        env = environment([], self.tmp)
        env["CCACHE_DISABLE"] = "1"  # a mutant's objects are never needed again
        try:
            path.write_text(apply(original, m))
            if m["file"].endswith(".h") and self.header_check_ok:
                r = run(self.header_check(), env=env, on_start=self.set_pid)
                row["check_cpu"] = r.cpu
                if r.code != 0:
                    row["status"] = "refused"
                    return row
            targets = sorted(self.reached.get(m["file"], {MODULE_TARGET}) | {MODULE_TARGET} | self.unit_users)
            r = run(["ninja", "-C", str(self.build), "-j1"] + targets, env=env, timeout=600, on_start=self.set_pid)
            row["build_cpu"], row["build_wall"] = r.cpu, r.wall
            if r.code != 0:
                row["status"] = "refused"
                return row
            tests = tests_of(self, m["file"])
            own, folder = history.rates(m["file"])
            ran_names = []
            killer = None
            status = "survived"
            for group in plan(tests, own, folder):
                limit = min(cap, SLOWDOWN * sum(t.wall for t in group) + SLACK)
                r = run(command_of(group), cwd=group[0].cwd, env=environment(group[0].env, self.tmp),
                        timeout=limit, on_start=self.set_pid)
                row["test_cpu"] += r.cpu
                row["test_wall"] += r.wall
                row["runs"] += 1
                if len(group) == 1:
                    ran = [group[0].name]
                    bad = group[0] if (r.code != 0) != group[0].will_fail or r.timed_out else None
                else:
                    bad, started = culprit(r.out, group)
                    by_case = {t.case: t.name for t in group}
                    ran = [by_case[c] for c in started if c in by_case]
                    if r.code == 0:
                        bad = None
                    elif bad is None:  # failed without saying which case: the executable
                        bad = group[0]
                ran_names += ran
                if r.timed_out:
                    status, killer = "timeout", bad
                    break
                if bad is not None:
                    status, killer = "killed", bad
                    break
            history.record(m["file"], ran_names, killer.name if killer and status == "killed" else None)
            row["status"] = status
            row["by"] = (killer.exe + ": " + killer.name) if killer else None
            return row
        finally:
            path.write_text(original)

    def restore_build(self):
        env = environment([], self.tmp)
        run(["ninja", "-C", str(self.build), MODULE_TARGET] + sorted(self.unit_users), env=env)


# ---- the report -------------------------------------------------------------------------------

def folder_of(rel):
    return rel.split("/")[0]


def score_text(c):
    judged = c["killed"] + c["survived"]
    return "%5.1f %%" % (100.0 * c["killed"] / judged) if judged else "    -"


def write_report(path, results, equivalent, stale, argv, started, times, complete, info):
    by_folder = OrderedDict((f, {"killed": 0, "survived": 0, "equivalent": 0, "timeout": 0, "refused": 0})
                            for f in FOLDERS)
    for r in results:
        st = r["status"]
        if st == "survived" and identity(r) in equivalent:
            st = "equivalent"
        by_folder[folder_of(r["file"])][st] += 1
    total = {k: sum(c[k] for c in by_folder.values()) for k in ("killed", "survived", "equivalent", "timeout",
                                                                  "refused")}
    lines = ["Mutation testing of the plug-in (%s)" % time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime(started)),
             "command: ./run.sh mutate %s" % " ".join(argv), "",
             "%d mutants tried%s: %.1f minutes of wall time, %.1f minutes of CPU time, %d workers%s" % (
                 len(results), "" if complete else " (not all: stopped early)", times["wall"] / 60,
                 times["cpu"] / 60, info["jobs"], " (in %d parts)" % times["parts"] if times["parts"] > 1 else ""),
             "of which building the unchanged tree and timing its tests: %.1f minutes of wall time, %.1f of CPU"
             % (times["setup_wall"] / 60, times["setup_cpu"] / 60)]
    built = [r for r in results if r["status"] != "refused"]
    if results:
        lines.append("per mutant (CPU seconds, mean): header check %.3f, compile and link %.3f (%.3f for those "
                     "the compiler refused), tests %.3f (%.3f for survivors) in %.1f runs"
                     % (sum(r["check_cpu"] for r in results) / len(results),
                        sum(r["build_cpu"] for r in built) / max(1, len(built)),
                        sum(r["build_cpu"] for r in results if r["status"] == "refused")
                        / max(1, len(results) - len(built)),
                        sum(r["test_cpu"] for r in built) / max(1, len(built)),
                        sum(r["test_cpu"] for r in built if r["status"] == "survived")
                        / max(1, sum(1 for r in built if r["status"] == "survived")),
                        sum(r["runs"] for r in built) / max(1, len(built))))
    lines += ["", "folder   killed  survived  equivalent  timed out  compiler refused  score"]
    for f, c in list(by_folder.items()) + [("all", total)]:
        lines.append("%-8s %6d  %8d  %10d  %9d  %16d  %s" % (f, c["killed"], c["survived"], c["equivalent"],
                                                              c["timeout"], c["refused"], score_text(c)))
    lines += ["",
              "score = killed / (killed + survived); equivalent mutants (tests/mutation/equivalent.txt), those",
              "that timed out and those the compiler refused are outside it.",
              "Tests run: %d (%s); left out: %d that neither load the module nor compile a plug-in source."
              % (info["tests"], info["labels"], info["left_out"])]
    for f in FOLDERS:
        rows = [r for r in results if folder_of(r["file"]) == f and r["status"] == "survived"
                and identity(r) not in equivalent]
        lines += ["", "Survived in %s/ (%d):" % (f, len(rows))]
        for r in sorted(rows, key=lambda r: (r["file"], r["line"], r["col"])):
            block = key_block(r, "    ")
            lines += ["  " + block[0] + "   [line %d]" % r["line"]] + ["  " + b for b in block[1:]]
    lines += ["", "Equivalent entries that match no mutant (%d):" % len(stale)]
    lines += ["  " + head for head in stale]
    # An entry whose mutant a test kills was wrong, or a test has since learnt to tell them apart.
    killed = [equivalent[identity(r)][1] for r in results if r["status"] == "killed" and identity(r) in equivalent]
    lines += ["", "Equivalent entries whose mutant a test kills (%d):" % len(killed)]
    lines += ["  " + head for head in killed]
    rows = [r for r in results if r["status"] == "timeout"]
    lines += ["", "Timed out (%d):" % len(rows)]
    for r in sorted(rows, key=lambda r: (r["file"], r["line"], r["col"])):
        lines.append("  %s   [line %d]" % (key_header(r), r["line"]))
    refused = defaultdict(int)
    for r in results:
        if r["status"] == "refused":
            refused[r["file"]] += 1
    lines += ["", "Compiler refused, per file (the list: %s):" % info["json"]]
    lines += ["  %-28s %d" % (f, n) for f, n in sorted(refused.items())]
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text("\n".join(lines) + "\n")
    return lines


# ---- the run ----------------------------------------------------------------------------------

def stop(signum, frame):
    raise KeyboardInterrupt


def chosen_files(args):
    if args.files:
        rels = []
        for f in args.files:
            rel = os.path.relpath(os.path.abspath(f), ROOT)
            if folder_of(rel) not in FOLDERS or rel.startswith(EXCLUDED) or not (ROOT / rel).is_file():
                sys.exit("mutate: %s is not a source of shell/, params/, dialog/ or burst/" % f)
            rels.append(rel)
        return rels
    return sorted(str(p.relative_to(ROOT)) for folder in FOLDERS for p in (ROOT / folder).rglob("*")
                  if p.suffix in (".cpp", ".h") and not str(p.relative_to(ROOT)).startswith(EXCLUDED))


def main():
    signal.signal(signal.SIGTERM, stop)
    ap = argparse.ArgumentParser(prog="./run.sh mutate", description=__doc__.split("\n\n")[0],
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("files", nargs="*", help="sources to mutate (default: every source of shell/, params/, "
                                             "dialog/ and burst/ except the host interface headers)")
    ap.add_argument("--all", action="store_true", help="every mutant of the four folders; the report goes to "
                                                       "tests/mutation/report.txt")
    ap.add_argument("--sample", type=int, metavar="N", help="try N mutants drawn at random (default: all)")
    ap.add_argument("--seed", type=int, default=1, metavar="S", help="seed of the draw (default 1)")
    ap.add_argument("--budget", type=float, metavar="MINUTES", help="stop after this many minutes and report "
                                                                     "what was tried")
    ap.add_argument("--timeout", type=float, default=180, metavar="SECONDS",
                    help="longest any one test run may take (default 180: the differential test of 500 designs takes a minute on a busy machine); each test's own limit is %g times "
                         "its time on the unchanged tree plus %g s" % (SLOWDOWN, SLACK))
    ap.add_argument("--jobs", type=int, default=(os.cpu_count() or 2) + 1, metavar="N",
                    help="workers, each with its own copy of the tree and build (default: one more than the "
                         "cores, so that one worker's tests waiting on a timer leave no core idle)")
    ap.add_argument("--resume", action="store_true",
                    help="keep the results of the last run with the same report (build-mutate/REPORT.json) for "
                         "mutants of files unchanged since, and try only the others")
    ap.add_argument("--list", action="store_true", help="list the chosen mutants and stop")
    ap.add_argument("--report", metavar="FILE", help="where the report goes (default build-mutate/report.txt, "
                                                     "with --all tests/mutation/report.txt)")
    args = ap.parse_args()
    argv = sys.argv[1:]
    if args.all and (args.files or args.sample):
        ap.error("--all tries every mutant: it takes no files and no --sample")

    rels = chosen_files(args)
    everything = []
    for rel in rels:
        everything += mutants_of(ROOT / rel, rel)
    equivalent = load_equivalent()
    known = set(identity(m) for m in everything)
    mutated_files = set(rels)
    stale = [head for ident, (_, head) in equivalent.items() if ident[0] in mutated_files and ident not in known]
    for head in stale:
        print("mutate: the equivalent entry `%s` matches no mutant" % head, file=sys.stderr)

    digest = {rel: hashlib.sha1((ROOT / rel).read_bytes()).hexdigest() for rel in rels}
    mutants = list(everything)
    rng = random.Random(args.seed)
    if args.sample and args.sample < len(mutants):
        mutants = rng.sample(mutants, args.sample)
    # File by file (a file's tests learn from its earlier mutants, and consecutive mutants of one
    # file rebuild the same objects), in line order; the files taken from the folders in turn, so
    # that a run stopped early has tried some of each.
    by_folder = OrderedDict((f, [r for r in rels if folder_of(r) == f]) for f in FOLDERS)
    turns = []
    while any(by_folder.values()):
        for f in FOLDERS:
            if by_folder[f]:
                turns.append(by_folder[f].pop(0))
    order = {rel: i for i, rel in enumerate(turns)}
    mutants.sort(key=lambda m: (order[m["file"]], m["line"], m["col"]))
    print("mutate: %d mutants in %d files" % (len(mutants), len(rels)), file=sys.stderr)
    if args.list:
        for m in mutants:
            print("%s in %s: %s" % (location(m), m["name"] or "-", describe(m)))
        return 0

    started = time.time()
    cpu0 = cpu_of_children()
    WORK.mkdir(exist_ok=True)
    for old in ("src", "build"):  # the single copy of earlier versions of this tool
        if (WORK / old).is_dir():
            shutil.rmtree(WORK / old)
    report = Path(args.report) if args.report else (FULL_REPORT if args.all else WORK / "report.txt")
    json_path = WORK / (report.stem + ".json")
    chosen = set(identity(m) for m in mutants)
    kept, before = [], {"wall": 0.0, "cpu": 0.0, "setup_wall": 0.0, "setup_cpu": 0.0, "parts": 0}
    if args.resume and json_path.exists():
        saved = json.loads(json_path.read_text())
        before = saved["times"]
        kept = [r for r in saved["results"] if r.get("digest") == digest.get(r["file"])
                and tuple(r["key"]) in chosen]
        print("mutate: %d results kept from the last run" % len(kept), file=sys.stderr)
    done = set(tuple(r["key"]) for r in kept)
    # A worker keeps to one file while it has mutants left (its build then recompiles only that
    # file's objects), then starts a file no worker has started, then helps with the largest.
    queue = OrderedDict()
    for m in mutants:
        if identity(m) not in done:
            queue.setdefault(m["file"], []).append(m)
    started_files = set()
    current = {}

    def next_mutant(w):
        rel = current.get(w.index)
        if not queue.get(rel):
            fresh = [f for f, ms in queue.items() if ms and f not in started_files]
            busy = sorted((f for f, ms in queue.items() if ms), key=lambda f: -len(queue[f]))
            rel = fresh[0] if fresh else (busy[0] if busy else None)
            if rel is None:
                return None
            started_files.add(rel)
            current[w.index] = rel
        return queue[rel].pop(0)

    jobs = max(1, args.jobs)
    workers = [Worker(i + 1, args) for i in range(jobs)]
    for w in workers:
        w.log("building the unchanged tree in %s" % w.dir)
        w.prepare()
    # Baselines side by side: every worker's build must pass; the times of the tests are averaged.
    fails = {}
    threads = [threading.Thread(target=lambda w=w: fails.__setitem__(w.index, w.baseline(args.timeout)))
               for w in workers]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for w in workers:
        for t, r in fails[w.index]:
            sys.exit("mutate: the unchanged tree fails %s (%s):\n%s" % (t.name, " ".join(t.argv), r.out[-3000:]))
    for i, t in enumerate(workers[0].tests):
        t.wall = max(w.tests[i].wall for w in workers)
        t.cpu = sum(w.tests[i].cpu for w in workers) / len(workers)
        for w in workers[1:]:
            w.tests[i].wall, w.tests[i].cpu = t.wall, t.cpu
    print("mutate: %d tests (%.1f s of CPU on the unchanged tree); %d left out" % (
        len(workers[0].tests), sum(t.cpu for t in workers[0].tests), len(workers[0].left_out)), file=sys.stderr)
    setup_wall, setup_cpu = time.time() - started, cpu_of_children() - cpu0

    def tests_of(worker, rel):
        reached = worker.reached.get(rel, set())
        return [t for t in worker.tests if t.unit_target is None or t.unit_target in reached]

    history = History(HISTORY)
    labels = sorted(set(lb for t in workers[0].tests for lb in t.labels))
    info = {"jobs": jobs, "tests": len(workers[0].tests), "labels": "labels " + ", ".join(labels),
            "left_out": len(workers[0].left_out), "json": os.path.relpath(json_path, ROOT)}
    results = list(kept)
    lock = threading.Lock()
    stop_now = threading.Event()
    budget_hit = []

    def work(w):
        while not stop_now.is_set():
            if args.budget and time.time() - started > args.budget * 60:
                budget_hit.append(True)
                return
            with lock:
                m = next_mutant(w)
                if m is None:
                    return
            t0 = time.time()
            row = w.try_mutant(m, tests_of, history, args.timeout)
            if stop_now.is_set():
                return
            row["key"] = identity(m)
            row["digest"] = digest[m["file"]]
            with lock:
                results.append(row)
                n = len(results)
            print("[%d/%d] w%d %-8s %s: %s%s %.1fs" % (n, len(mutants), w.index, row["status"], location(m),
                                                       describe(m), " (%s)" % row["by"] if row["by"] else "",
                                                       time.time() - t0), file=sys.stderr, flush=True)

    def times():
        return {"wall": before["wall"] + time.time() - started, "cpu": before["cpu"] + cpu_of_children() - cpu0,
                "setup_wall": before["setup_wall"] + setup_wall, "setup_cpu": before["setup_cpu"] + setup_cpu,
                "parts": before["parts"] + 1}

    def save(complete):
        with lock:
            rows = sorted(results, key=lambda r: (order[r["file"]], r["line"], r["col"]))
        t = times()
        json_path.write_text(json.dumps({"times": t, "results": rows}, indent=1))
        return write_report(report, rows, equivalent, stale, argv, started, t, complete, info)

    threads = [threading.Thread(target=work, args=(w,), daemon=True) for w in workers]
    for t in threads:
        t.start()
    interrupted = False
    try:
        last = time.time()
        while any(t.is_alive() for t in threads):
            for t in threads:
                t.join(timeout=1.0)
            if time.time() - last > 60:
                last = time.time()
                history.save()
                save(False)
    except KeyboardInterrupt:
        interrupted = True
        stop_now.set()
        for w in workers:
            w.kill()
        for t in threads:
            t.join(timeout=30)
    history.save()
    for w in workers:
        w.restore_build()
    complete = not interrupted and not budget_hit and len(results) == len(mutants)
    lines = save(complete)
    print("\n".join(lines[:14]))
    print("report: %s" % report)
    return 130 if interrupted else 0


def cpu_of_children():
    u = resource.getrusage(resource.RUSAGE_CHILDREN)
    return u.ru_utime + u.ru_stime


if __name__ == "__main__":
    sys.exit(main())
