"""The W3C suite runner over a six-case catalog in the suite's layout: principal stylesheets
found in the test (a stylesheet or a principal package) and in a catalog environment, dependencies that leave cases out, and the
figures printed for what stylewarden catches and where it raises a false alarm."""
import os
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
RUNNER = os.path.join(HERE, "..", "w3c_suite.py")


class W3cSuiteTest(unittest.TestCase):
    def test_sample_catalog_figures(self):
        result = subprocess.run(
            [sys.executable, RUNNER, "--suite", os.path.join(HERE, "w3c-sample"),
             "--stylewarden", os.environ["STYLEWARDEN"]],
            capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        self.assertEqual(result.stdout.decode().splitlines(), [
            "6 test cases; 2 left out (another XSLT version: 1, needs schema_aware: 1); of the "
            "rest 2 expect a structural static error, 2 expect no static error, 0 neither",
            "stylewarden: structural static errors caught: 1 of 2 (50.0%)",
            "stylewarden: false alarms on cases expecting success: 1 of 2 (50.0%)",
            "stylewarden: missed, by expected code: XTSE0630 1",
            '  false alarm basic-004: Error #: """The element "xsl:choose" is missing a required '
            'child element""" [5] @ (2, 63) => (2, 63)',
        ])


if __name__ == "__main__":
    unittest.main()
