#!/usr/bin/env python3
"""Loads perldbgshim through xpcomhost with complete, partial and missing implementations.

Arguments: xpcomhost, the shim, then the folders holding the full implementation, one without
shim_term, one without shim_destruct and shim_docommand, and none.
"""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "xpcom",
                                "testing"))
from hostrun import exported_symbols, run_host  # noqa: E402

HOST, SHIM, IMPL_DIR, WITHOUT_TERM_DIR, PARTIAL_DIR, EMPTY_DIR = sys.argv[1:7]
LISTENER = "@brightwater.example/quPerlDebuggerListener;1"
ENTRY_POINTS = {"shim_construct", "shim_destruct", "shim_init", "shim_term", "shim_docommand"}
REPORT = re.compile(r"build/release/perldbg-listener/qupdbgl:(\d+): (.*)")
NOT_AVAILABLE = "0x80040111"


def host(library_dir, *args):
    return run_host(HOST, SHIM, library_dir, *args)


class MissingLibrary(unittest.TestCase):
    def test_is_reported_without_a_line_end_and_loading_goes_on(self):
        run = host(EMPTY_DIR)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn("libqupdbglImpl.so", run.stderr)
        self.assertFalse(run.stderr.endswith("\n"), run.stderr)
        self.assertNotIn("qupdbgl:", run.stderr)
        self.assertIn(LISTENER, run.stdout)

    def test_leaves_the_listener_unavailable(self):
        run = host(EMPTY_DIR, "create", LISTENER)
        self.assertEqual(run.returncode, 2)
        self.assertIn(NOT_AVAILABLE, run.stderr)


class MissingEntryPoints(unittest.TestCase):
    def test_each_is_reported_on_its_own_line_and_loading_goes_on(self):
        run = host(PARTIAL_DIR)
        self.assertEqual(run.returncode, 0, run.stderr)
        reports = [REPORT.fullmatch(line) for line in run.stderr.splitlines()]
        self.assertTrue(all(reports), run.stderr)
        self.assertEqual(len(reports), 2)
        self.assertIn("shim_destruct", reports[0].group(2))
        self.assertIn("shim_docommand", reports[1].group(2))
        self.assertLess(int(reports[0].group(1)), int(reports[1].group(1)))
        self.assertIn(LISTENER, run.stdout)

    def test_leave_the_listener_unavailable(self):
        run = host(PARTIAL_DIR, "call", LISTENER, "quIPerlDbgListener", "DoCommand", "s")
        self.assertEqual(run.returncode, 2)
        self.assertIn(NOT_AVAILABLE, run.stderr)
        self.assertEqual(run.stdout, "")

    def test_missing_term_is_reported_but_the_listener_works(self):
        run = host(WITHOUT_TERM_DIR, "call", LISTENER, "quIPerlDbgListener", "Init", "perl5db.pl",
                   "--", "DoCommand", "n", "--", "Term")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(len(run.stderr.splitlines()), 1)
        self.assertIn("shim_term", run.stderr)
        self.assertEqual(run.stdout.count("result: 0x00000000"), 3)


class TestImplementation(unittest.TestCase):
    def test_exports_exactly_the_entry_points(self):
        self.assertEqual(exported_symbols(os.path.join(IMPL_DIR, "libqupdbglImpl.so")), ENTRY_POINTS)

    def test_shim_exports_only_its_module(self):
        self.assertEqual(exported_symbols(SHIM), {"NSGetModule"})


class Host(unittest.TestCase):
    def test_calls_the_listener_in_turn(self):
        run = host(IMPL_DIR, "call", LISTENER, "quIPerlDbgListener", "Init", "perl5db.pl", "--",
                   "DoCommand", "n", "--", "Term")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stderr, "")
        self.assertEqual(run.stdout, "Init\n  out 2: 0\n  result: 0x00000000\n"
                                     "DoCommand\n  out 2: null\n  result: 0x00000000\n"
                                     "Term\n  out 1: 0\n  result: 0x00000000\n")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
