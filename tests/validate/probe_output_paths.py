"""Awkward output paths: two outputs, or an output and an input, that are one file under two
spellings; a symbolic link as -o; a read-only -o (when not run as root, who may write it); and a
record that claims a valid preview, read from a file into a new document.
"""

import os

from validate_lib import Score, parallel, read_bytes, record_json, run, write

TIME_LIMIT = 60


def probe(env):
    score = Score("output paths")
    record = record_json(env.defaults(), env.fields())

    def same_file(r, kept):
        found = []
        if r.rc != 2:
            found.append(f"exit {r.rc}, expected 2 (one file named twice)")
        for path, content in kept.items():
            if read_bytes(path) != content:
                found.append(f"{os.path.basename(path)} was changed")
        return found

    def outputs_alike(d):
        out = os.path.join(d, "d.json")
        r = run([env.program, "render", "-o", out, "--save-params", os.path.join(d, ".", "d.json"), "--seed", "1"],
                timeout=TIME_LIMIT, env=env.environ)
        found = [] if r.rc == 2 else [f"exit {r.rc}, expected 2 (one file named twice)"]
        if os.path.exists(out):
            found.append("a file was written")
        return r, found

    def output_over_params(d):
        params = write(os.path.join(d, "p.json"), record)
        os.makedirs(os.path.join(d, "sub"))
        r = run([env.program, "apply", "--params", params, "-o", os.path.join(d, "sub", "..", "p.json"), "--seed", "1"],
                timeout=TIME_LIMIT, env=env.environ)
        return r, same_file(r, {params: record.encode()})

    def output_over_script(d):
        script = write(os.path.join(d, "s.json"), "page 2\n")
        r = run([env.program, "render", "--dialog-script", script, "-o", os.path.join(d, ".", "s.json"), "--seed", "1"],
                timeout=TIME_LIMIT, env=env.environ)
        return r, same_file(r, {script: b"page 2\n"})

    def symlink_output(d):
        target = write(os.path.join(d, "target.json"), "old\n")
        link = os.path.join(d, "link.json")
        os.symlink("target.json", link)
        r = run([env.program, "render", "-o", link, "--seed", "1"], timeout=TIME_LIMIT, env=env.environ)
        found = [] if r.rc == 0 else [f"exit {r.rc}"]
        if not os.path.islink(link):
            found.append("the link was replaced by a plain file")
        if read_bytes(target) in (None, b"old\n"):
            found.append("the link's target was not written")
        return r, found

    def read_only_output(d):
        out = write(os.path.join(d, "ro.json"), "old\n")
        os.chmod(out, 0o444)
        r = run([env.program, "render", "-o", out, "--seed", "1"], timeout=TIME_LIMIT, env=env.environ)
        found = [] if r.rc == 2 else [f"exit {r.rc}, expected 2 (a file the user may not write)"]
        if read_bytes(out) != b"old\n":
            found.append("the read-only file was replaced")
        return r, found

    def preview_valid_from_file(d):
        # A record saved while a preview stood is run state of that document; in a new one it must
        # still draw the design.
        plain = write(os.path.join(d, "plain.json"), record)
        claimed = write(os.path.join(d, "claimed.json"), record.replace('"previewValid": 0', '"previewValid": 1'))
        a, b = os.path.join(d, "a.json"), os.path.join(d, "b.json")
        ra = run([env.program, "apply", "--params", plain, "-o", a, "--seed", "1"], timeout=TIME_LIMIT, env=env.environ)
        r = run([env.program, "apply", "--params", claimed, "-o", b, "--seed", "1"], timeout=TIME_LIMIT, env=env.environ)
        found = [] if ra.rc == 0 and r.rc == 0 else [f"exit {ra.rc} / {r.rc}"]
        if not found and read_bytes(a) != read_bytes(b):
            found.append("apply of a record with previewValid 1 drew another document (nothing?)")
        return r, found

    cases = [("-o and --save-params name one file", outputs_alike),
             ("-o names the --params file", output_over_params),
             ("-o names the --dialog-script file", output_over_script),
             ("-o is a symbolic link", symlink_output),
             ("previewValid 1 in a record file", preview_valid_from_file)]
    if os.geteuid() != 0:
        cases.append(("-o is read-only", read_only_output))
    else:
        score.notes.append("run as root, who may write a read-only file: that case was skipped")

    def one(case):
        label, fn = case
        d = env.case_dir("output-paths", label)
        r, found = fn(d)
        if r.timed_out:
            found = [f"did not end within {TIME_LIMIT} s"]
        elif report := r.sanitizer():
            found = [f"sanitizer: {report}"]
        score.check(label, found, [r.command()], d)

    parallel(env, cases, one)
    return score
