#!/usr/bin/env python3
"""Loads regexshim through xpcomhost with and without a usable implementation library.

Arguments: xpcomhost, the shim, then the folders holding the full implementation, one
lacking a symbol, and none.
"""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "xpcom",
                                "testing"))
from hostrun import exported_symbols, run_host  # noqa: E402

HOST, SHIM, IMPL_DIR, MISSING_SYMBOL_DIR, EMPTY_DIR = sys.argv[1:6]
MANAGER = "@brightwater.example/quRxEvalManager;1"
BOUND_SYMBOLS = {
    "_ZN15quRxEvalManagerC1Ev",
    "_ZN15quRxEvalManager13GetStateCountEPj",
    "_ZN15quRxEvalManager14GetRunFinishedEPi",
    "_ZN15quRxEvalManager8InitEvalEPKcS1_S1_",
    "_ZN15quRxEvalManager9GetNodeAtEjPPcPjS2_S2_S2_PS2_",
    "_ZN15quRxEvalManager13SetBreakpointEPKc",
    "_ZN15quRxEvalManager16RemoveBreakpointEPKc",
    "_ZN15quRxEvalManager19SetTargetBreakpointEj",
    "_ZN15quRxEvalManager22RemoveTargetBreakpointEj",
    "_ZN15quRxEvalManager25RunForwardUntilBreakpointEjPj",
    "_ZN15quRxEvalManager26RunBackwardUntilBreakpointEjPj",
    "_ZN13quRxRegexInfoC2Ev",
    "_ZN13quRxRegexInfo12GetNodeRangeEPKcS1_S1_jPjS2_Pi",
    "_ZN13quRxRegexInfo18GetChildNodesRangeEPKcS1_S1_PjS2_Pi",
    "_ZN13quRxRegexInfo15GetMatchingNodeEPKcS1_S1_PPc",
    "_ZN13quRxRegexInfo8GetGroupEPKcS1_S1_Pj",
    "_ZN13quRxRegexInfo10NodeExistsEPKcS1_jPi",
    "_ZN13quRxRegexInfo9GetNodeIdEPKcS1_jPPc",
    "_ZN13quRxRegexInfo17GetNodeLevelCountEPKcS1_jPj",
    "_ZN13quRxRegexInfo19GetInsertableTokensEPKcS1_jjPjPPiS3_",
    "_ZN13quRxRegexInfo12GetAllTokensEPjPPPcS3_S0_PS0_Pi",
    "_ZN13quRxRegexInfo10GetNodeTipEPKcS1_S1_PPc",
    "_ZN13quRxRegexInfo9EvalRegexEPKcS1_S1_PjS2_PS2_PPcPi",
    "_ZN13quRxRegexInfo12IsValidRegexEPKcS1_PPcPi",
}
LOAD_FAILURE = re.compile(r"build/release/Rx2/autoshim:(\d+): (.*)\n")


def host(library_dir, *args):
    return run_host(HOST, SHIM, library_dir, *args)


class LoadFailure(unittest.TestCase):
    def expect_one_line_and_status_1(self, library_dir):
        run = host(library_dir)
        self.assertEqual(run.returncode, 1)
        self.assertEqual(run.stdout, "")
        match = LOAD_FAILURE.fullmatch(run.stderr)
        self.assertIsNotNone(match, run.stderr)
        return int(match.group(1)), match.group(2)

    def test_missing_library_ends_the_process_after_one_line(self):
        _, error = self.expect_one_line_and_status_1(EMPTY_DIR)
        self.assertIn("libqurximpl.so", error)

    def test_missing_symbol_ends_the_process_after_one_line_naming_it(self):
        symbol_line, error = self.expect_one_line_and_status_1(MISSING_SYMBOL_DIR)
        self.assertIn("_ZN13quRxRegexInfo10GetNodeTipEPKcS1_S1_PPc", error)
        open_line, _ = self.expect_one_line_and_status_1(EMPTY_DIR)
        self.assertGreater(symbol_line, open_line)


class TestImplementation(unittest.TestCase):
    def test_exports_exactly_the_bound_symbols(self):
        self.assertEqual(exported_symbols(os.path.join(IMPL_DIR, "libqurximpl.so")), BOUND_SYMBOLS)

    def test_shim_exports_only_its_module(self):
        self.assertEqual(exported_symbols(SHIM), {"NSGetModule"})


class Host(unittest.TestCase):
    def test_lists_each_component_with_its_identifiers(self):
        run = host(IMPL_DIR)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.splitlines(), [
            "Regular Expression Evaluation Engine Manager Component",
            "  class ID:    {6b6b51b3-b860-49d8-b125-a1afc9319279}",
            "  contract ID: " + MANAGER,
            "Regular Expression Info Component",
            "  class ID:    {bb75b570-39bb-42bd-b2e1-c34e19ab2634}",
            "  contract ID: @brightwater.example/quRxRegexInfo;1",
        ])

    def test_shows_the_interfaces_a_component_answers(self):
        run = host(IMPL_DIR, "create", "{bb75b570-39bb-42bd-b2e1-c34e19ab2634}")
        self.assertEqual(run.returncode, 0, run.stderr)
        names = [line.split()[0] for line in run.stdout.splitlines()]
        self.assertEqual(names, ["nsISupports", "quIRxNodeHighlighter", "quIRxNodeTipGenerator",
                                 "quIRxRegexEvaluator"])

    def test_calls_methods_in_turn_and_shows_their_results(self):
        run = host(IMPL_DIR, "call", MANAGER, "quIRxEvalManager", "GetStateCount", "--",
                   "SetTargetBreakpoint", "3")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "GetStateCount\n  out 1: 7\n  result: 0x00000000\n"
                                     "SetTargetBreakpoint\n  result: 0x00000000\n")

    def test_refuses_arguments_that_do_not_fit(self):
        for args in (["SetTargetBreakpoint", "-1"], ["SetTargetBreakpoint"],
                     ["InitEval", "a", "b"], ["NoSuchMethod"]):
            run = host(IMPL_DIR, "call", MANAGER, "quIRxEvalManager", *args)
            self.assertEqual(run.returncode, 1, args)
            self.assertNotIn("result:", run.stdout)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
