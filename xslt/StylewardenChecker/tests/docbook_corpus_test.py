"""No false alarms: the shipped XSLT 1.0 state file finds no structural error in any
stylesheet of Debian's docbook-xsl package. Parser reports (codes 1 to 3) are listed, since
a file may not be well-formed on its own, but do not fail the test."""
import concurrent.futures
import glob
import os
import re
import subprocess
import sys
import unittest

PROGRAM = os.environ["STYLEWARDEN"]
STATES = os.path.join(os.environ["STYLEWARDEN_ROOT"], "data", "xslt10-states.xml")
DOCBOOK_ROOT = "/usr/share/xml/docbook/stylesheet"
RECORD = re.compile(r'^Error #: """.*""" \[(\d+)\] @ \(-?\d+, -?\d+\) => \(-?\d+, -?\d+\)$')


def docbook_folder():
    """The package's folder; the others there are links to it."""
    for name in sorted(os.listdir(DOCBOOK_ROOT)):
        path = os.path.join(DOCBOOK_ROOT, name)
        if name.startswith("docbook-xsl") and os.path.isdir(path) and not os.path.islink(path):
            return path
    return None


def check(path):
    result = subprocess.run([PROGRAM, STATES, path], capture_output=True, timeout=60)
    return path, result


class DocbookCorpusTest(unittest.TestCase):
    def test_no_structural_error_in_any_docbook_stylesheet(self):
        folder = docbook_folder()
        self.assertIsNotNone(folder, "docbook-xsl is not installed (scripts/install-deps.sh)")
        # Sorted as the program walks a tree: entry by entry, by name.
        files = sorted(glob.glob(os.path.join(folder, "**", "*.xsl"), recursive=True),
                       key=lambda path: os.path.relpath(path, folder).split(os.sep))
        self.assertGreater(len(files), 300, "the corpus looks incomplete")

        structural, parser_reports, failures = [], [], []
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            runs = []
            for path, result in pool.map(check, files):
                runs.append(result)
                name = os.path.relpath(path, folder)
                if result.returncode != 0:
                    failures.append("%s: exit %d %s" % (name, result.returncode,
                                                        result.stdout.decode(errors="replace")))
                    continue
                for line in result.stdout.decode("utf-8", errors="replace").splitlines():
                    match = RECORD.match(line)
                    if match is None:
                        failures.append("%s: unexpected output %r" % (name, line))
                    elif int(match.group(1)) >= 4:
                        structural.append("%s: %s" % (name, line))
                    else:
                        parser_reports.append("%s: %s" % (name, line))

        # One run over the whole folder: the same files, in sorted order, each with the lines
        # of its own run prefixed by its path.
        per_file = []
        for path, result in zip(files, runs):
            per_file += ["%s: %s" % (path, line) for line in
                         result.stdout.decode("utf-8", errors="replace").splitlines()]
        batch = subprocess.run([PROGRAM, "--jobs", "2", STATES, folder], capture_output=True,
                               timeout=120)
        self.assertEqual(batch.returncode, 4 if per_file else 0)
        self.assertEqual(batch.stdout.decode("utf-8", errors="replace").splitlines(), per_file)

        print("%d files, %d records of codes 4 to 8, %d parser reports"
              % (len(files), len(structural), len(parser_reports)), file=sys.stderr)
        for line in parser_reports:
            print("parser report: " + line, file=sys.stderr)
        self.assertEqual(failures[:20], [], "%d runs went wrong" % len(failures))
        self.assertEqual(structural[:20], [], "%d structural records" % len(structural))


if __name__ == "__main__":
    unittest.main()
