#!/usr/bin/env python3
"""Counts, with callgrind, the instructions of one check of a small stylesheet by
stylewarden (given the XSLT 1.0 state file, and with --shipped) beside `xmllint --noout` and
xsltproc compiling and running the same stylesheet, and prints the ratios to xsltproc and
whether the start-up goal is met. All counts come from this run; instruction counts do not
depend on the machine's load."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

GOAL = 2.5


def instructions(argv):
    """The instructions callgrind counts for one run of `argv`, from exec to exit."""
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "callgrind.out")
        run = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out] + argv,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        found = re.search(r"Collected : (\d+)", run.stderr)
        if not found:
            sys.exit("callgrind gave no count for %s:\n%s" % (" ".join(argv), run.stderr))
        return int(found.group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--stylewarden", required=True)
    parser.add_argument("--states", required=True, help="the XSLT 1.0 state file")
    parser.add_argument("--stylesheet", required=True, help="a stylesheet of about 1 KB")
    args = parser.parse_args()
    for tool in ("valgrind", "xmllint", "xsltproc"):
        if shutil.which(tool) is None:
            sys.exit("%s is needed; run scripts/install-deps.sh" % tool)
    sheet = os.path.realpath(args.stylesheet)
    runs = [
        ("xmllint --noout F", ["xmllint", "--noout", sheet]),
        ("xsltproc F F", ["xsltproc", "--output", os.devnull, sheet, sheet]),
        ("stylewarden <1.0 state file> F", [args.stylewarden, args.states, sheet]),
        ("stylewarden --shipped F", [args.stylewarden, "--shipped", sheet]),
    ]
    counts = [(label, instructions(argv)) for label, argv in runs]
    baseline = counts[1][1]
    print("One check of %s (%d bytes), callgrind instructions:" % (sheet, os.path.getsize(sheet)))
    met = True
    for label, count in counts:
        ratio = count / baseline
        if label.startswith("stylewarden"):
            met = met and ratio <= GOAL
        print("  %-32s %12d  %6.2f x xsltproc" % (label, count, ratio))
    print("goal (stylewarden <= %.1f x xsltproc): %s" % (GOAL, "met" if met else "NOT met"))


if __name__ == "__main__":
    main()
