"""The shipped sample stylesheets, checked with the shipped XSLT 1.0 state file: the correct
one prints nothing, each other one prints exactly the record of its one error."""
import os
import subprocess
import unittest

PROGRAM = os.environ["STYLEWARDEN"]
ROOT = os.environ["STYLEWARDEN_ROOT"]
STATES = os.path.join(ROOT, "data", "xslt10-states.xml")

EXPECTED = {
    "correct.xsl": [],
    "misplaced-element.xsl": [
        'Error #: """The element "xsl:otherwise" is not valid in this context""" [4] @ '
        '(8, 5) => (8, 20)'],
    "empty-choose.xsl": [
        'Error #: """The element "xsl:choose" is missing a required child element""" [5] @ '
        '(6, 5) => (6, 18)'],
    "missing-attribute.xsl": [
        'Error #: """The element is missing the required attribute "select"""" [6] @ '
        '(5, 8) => (5, 23)'],
    "unknown-attribute.xsl": [
        'Error #: """The attribute "mod" is not allowed in this context.""" [7] @ '
        '(5, 9) => (5, 58)'],
    "bad-attribute-value.xsl": [
        'Error #: """The attribute "indent" cannot have the value "true" in this context.""" '
        '[8] @ (4, 3) => (4, 43)'],
}


def check(*args, stdin=b""):
    result = subprocess.run([PROGRAM, STATES, *args], input=stdin, capture_output=True,
                            timeout=60)
    return result.returncode, result.stdout.decode().splitlines()


class ExamplesTest(unittest.TestCase):
    def test_every_shipped_example_is_covered_here(self):
        self.assertEqual(sorted(f for f in os.listdir(os.path.join(ROOT, "examples"))
                                if f.endswith(".xsl")), sorted(EXPECTED))

    def test_each_example_prints_exactly_its_records(self):
        for name, lines in EXPECTED.items():
            with self.subTest(example=name):
                self.assertEqual(check(os.path.join(ROOT, "examples", name)), (0, lines))

    def test_standard_input_gives_the_same_records_as_the_file(self):
        for name, lines in EXPECTED.items():
            with self.subTest(example=name):
                with open(os.path.join(ROOT, "examples", name), "rb") as stylesheet:
                    self.assertEqual(check(stdin=stylesheet.read()), (0, lines))


if __name__ == "__main__":
    unittest.main()
