"""Catches real errors: each stylesheet under broken/ has one structural error that xsltproc
rejects, and name.expected holds the record stylewarden prints for it. An empty .expected
marks an error the state machine cannot express; the share of the others is printed."""
import glob
import os
import shutil
import subprocess
import sys
import unittest

PROGRAM = os.environ["STYLEWARDEN"]
STATES = os.path.join(os.environ["STYLEWARDEN_ROOT"], "data", "xslt10-states.xml")
BROKEN = os.path.join(os.environ["STYLEWARDEN_TESTS"], "broken")
INPUT = os.path.join(BROKEN, "input.xml")


def cases():
    return sorted(glob.glob(os.path.join(BROKEN, "*.xsl")))


def expected_output(stylesheet):
    with open(stylesheet[:-len(".xsl")] + ".expected", "rb") as expected:
        return expected.read()


class BrokenStylesheetsTest(unittest.TestCase):
    def test_suite_has_cases_each_with_expected_output(self):
        self.assertGreater(len(cases()), 30)
        for stylesheet in cases():
            self.assertTrue(os.path.exists(stylesheet[:-len(".xsl")] + ".expected"), stylesheet)

    def test_xsltproc_rejects_each_stylesheet(self):
        xsltproc = shutil.which("xsltproc")
        self.assertIsNotNone(xsltproc, "xsltproc is not installed (scripts/install-deps.sh)")
        for stylesheet in cases():
            with self.subTest(os.path.basename(stylesheet)):
                result = subprocess.run([xsltproc, stylesheet, INPUT], capture_output=True,
                                        cwd=BROKEN, timeout=60)
                messages = result.stderr.decode(errors="replace")
                self.assertTrue(result.returncode != 0 or "error" in messages,
                                "xsltproc accepted it")

    def test_each_stylesheet_yields_its_expected_record(self):
        caught = 0
        for stylesheet in cases():
            with self.subTest(os.path.basename(stylesheet)):
                result = subprocess.run([PROGRAM, STATES, stylesheet], capture_output=True,
                                        timeout=60)
                self.assertEqual(result.returncode, 0)
                expected = expected_output(stylesheet)
                self.assertEqual(result.stdout, expected)
                if expected and result.stdout == expected:
                    caught += 1
        total = len(cases())
        print("caught %d of %d broken stylesheets (%.0f%%)" % (caught, total, 100.0 * caught / total),
              file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
