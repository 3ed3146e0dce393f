#!/usr/bin/env python3
"""The mutation tool's keys: they follow a mutant's text, not where it stands, and an entry of
equivalent.txt that no longer matches is found."""

import os
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent.parent / "scripts"))
import mutate  # noqa: E402

SOURCE = """\
// A file as the plug-in's are written.
#include "x.h"

namespace fl {

struct Counter {
  int32_t start = 1;  // where counting begins
  int32_t value() const { return start + 2; }
};

inline constexpr int32_t kRows[3][2] = {{1, 2}, {3, 4}, {5, 6}};

namespace {

HostErr step(State& s) {
  if (s.n > 0) s.n = s.n - 1;
  s.total += 1;
  s.total += 1;
  return 0;
}

}  // namespace

extern "C" FL_EXPORT HostErr PluginMain(const char* caller, const char* selector, void* message) {
  return route(caller, selector, message);
}

}  // namespace fl
"""


def mutants(text):
    with tempfile.TemporaryDirectory() as d:
        path = Path(d) / "x.cpp"
        path.write_text(text)
        return mutate.mutants_of(path, "burst/x.cpp")


def by_change(found, old, new, name):
    return [m for m in found if m["old"] == old and m["new"] == new and m["name"] == name]


class Keys(unittest.TestCase):
    def test_each_mutant_is_named_by_the_definition_it_lies_in(self):
        found = mutants(SOURCE)
        names = {m["name"] for m in found}
        self.assertTrue({"Counter::start", "Counter::value", "kRows", "step", "PluginMain"} <= names, names)
        [m] = by_change(found, "1", "2", "Counter::start")
        self.assertEqual(m["orig"], "int32_t start = 1;")  # the comment is not part of the key
        self.assertEqual(m["mut"], "int32_t start = 2;")

    def test_the_same_line_twice_in_one_definition_is_told_apart_by_its_occurrence(self):
        found = by_change(mutants(SOURCE), "+=", "-=", "step")
        self.assertEqual(sorted(m["nth"] for m in found), [1, 2])
        self.assertEqual(mutate.key_header(max(found, key=lambda m: m["nth"])),
                         "burst/x.cpp in step #2: `+=` -> `-=`")

    def test_keys_stay_when_lines_move_comments_change_or_whitespace_changes(self):
        before = set(mutate.identity(m) for m in mutants(SOURCE))
        edited = SOURCE.replace("// A file as", "// Lines added above.\n\n// A file as") \
                       .replace("// where counting begins", "// counting starts here") \
                       .replace("if (s.n > 0) s.n", "if (s.n  >  0)  s.n")
        after = set(mutate.identity(m) for m in mutants(edited))
        self.assertEqual(before, after)

    def test_a_changed_line_moves_its_keys_and_leaves_the_others(self):
        before = set(mutate.identity(m) for m in mutants(SOURCE))
        after = set(mutate.identity(m) for m in mutants(SOURCE.replace("s.n - 1", "s.n - 2")))
        gone = before - after
        self.assertTrue(gone)
        self.assertTrue(all("s.n - 1" in ident[2] for ident in gone), gone)


class EquivalentFile(unittest.TestCase):
    def load(self, text):
        with tempfile.TemporaryDirectory() as d:
            path = Path(d) / "equivalent.txt"
            path.write_text(text)
            return mutate.load_equivalent(path)

    def test_an_entry_reads_back_as_the_mutant_it_was_written_from(self):
        found = mutants(SOURCE)
        m = by_change(found, "+=", "-=", "step")[1]
        entries = self.load("# comment\n\n" + "\n".join(mutate.key_block(m)) +
                            "\n  why: the total is\n    never read\n")
        self.assertEqual(list(entries), [mutate.identity(m)])
        self.assertEqual(entries[mutate.identity(m)][0], "the total is never read")

    def test_an_entry_without_a_reason_is_refused(self):
        m = mutants(SOURCE)[0]
        with self.assertRaises(SystemExit):
            self.load("\n".join(mutate.key_block(m)) + "\n")

    def test_the_committed_entries_all_match_a_mutant(self):
        entries = mutate.load_equivalent()
        files = sorted(set(ident[0] for ident in entries))
        known = set()
        for rel in files:
            known |= set(mutate.identity(m) for m in mutate.mutants_of(mutate.ROOT / rel, rel))
        stale = [head for ident, (_, head) in entries.items() if ident not in known]
        self.assertEqual(stale, [])


if __name__ == "__main__":
    os.chdir(mutate.ROOT)
    unittest.main()
