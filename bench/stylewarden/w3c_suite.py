#!/usr/bin/env python3
"""Measures stylewarden on the W3C XSLT 3.0 test suite (a checkout of w3c/xslt30-test): reads
catalog.xml and its test-set files, checks each test case's principal stylesheet with the
shipped state files (one multi-file run), and prints how many of the cases that expect a
structural static error (XTSE codes only) get a record, and how many of the cases that expect
no static error get one anyway (false alarms). Cases whose dependencies need what stylewarden
does not have (schema awareness, streamability analysis) or another XSLT version than 3.0 are
left out and counted. With --saxon, SaxonJS (the npm package pinned for the oracle test)
compiles the same stylesheets as a baseline."""
import argparse
import collections
import json
import os
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

NS = "{http://www.w3.org/2012/10/xslt-test-catalog}"
HERE = os.path.dirname(os.path.abspath(__file__))
SAXON = os.path.join(HERE, "..", "..", "xslt", "StylewardenChecker", "tests", "saxon")
# Features a case may need that a structural checker cannot stand in for: their errors come
# from schema types or from the streamability rules.
UNSUPPORTED_FEATURES = {"schema_aware", "streaming"}
# Spec tokens a case may name that include XSLT 3.0.
SPEC_30 = {"XSLT10+", "XSLT20+", "XSLT30", "XSLT30+"}
STATIC_PREFIXES = ("XTSE", "XPST", "XQST")
# Files passed to one run of the program.
BATCH = 400


class Case:
    def __init__(self, name, stylesheet, verdict, skipped, codes):
        self.name = name
        # The error codes the result names.
        self.codes = codes
        self.stylesheet = stylesheet
        # "error": every outcome the case accepts is an XTSE error; "success": it accepts no
        # static error; None: neither (other static errors, or a choice of both).
        self.verdict = verdict
        self.skipped = skipped


def dependency_problem(dependencies):
    """Why the dependencies leave the case out, or None."""
    for element in dependencies:
        for dependency in element:
            tag = dependency.tag[len(NS):]
            values = set(dependency.get("value", "").split())
            wanted = dependency.get("satisfied", "true") != "false"
            if tag == "spec" and not values & SPEC_30:
                return "another XSLT version"
            if tag == "feature" and wanted and values & UNSUPPORTED_FEATURES:
                return "needs " + " ".join(sorted(values & UNSUPPORTED_FEATURES))
    return None


def error_codes(result):
    """The codes of the errors a result allows, and whether it also allows a success."""
    codes = []
    success = False
    for element in result:
        tag = element.tag[len(NS):]
        if tag == "error":
            codes.append(element.get("code", ""))
        elif tag == "any-of":
            inner, inner_success = error_codes(element)
            codes += inner
            success = success or inner_success
        else:
            # An assertion about the output (assert, assert-xml, all-of, ...): it succeeds.
            success = True
    return codes, success


def verdict_of(result):
    if result is None:
        return None
    codes, success = error_codes(result)
    if any(code in ("", "*") for code in codes):
        return None  # any error at all
    static = [code for code in codes if code.startswith(STATIC_PREFIXES)]
    if not static:
        return "success"
    if not success and all(code.startswith("XTSE") for code in codes):
        return "error"
    return None


def principal_stylesheet(holders, folder):
    """A stylesheet, principal unless its role says otherwise, or a package that the role
    names the principal one (the package tests name their packages so)."""
    for holder in holders:
        if holder is None:
            continue
        for element in holder:
            tag = element.tag[len(NS):]
            role = element.get("role", "principal" if tag == "stylesheet" else "secondary")
            if tag in ("stylesheet", "package") and role == "principal" and element.get("file"):
                return os.path.abspath(os.path.join(folder, element.get("file")))
    return None


def read_cases(suite):
    catalog = ElementTree.parse(os.path.join(suite, "catalog.xml")).getroot()
    shared = {env.get("name"): (env, suite) for env in catalog.findall(NS + "environment")}
    cases = []
    for entry in catalog.findall(NS + "test-set"):
        path = os.path.join(suite, entry.get("file"))
        folder = os.path.dirname(path)
        test_set = ElementTree.parse(path).getroot()
        environments = dict(shared)
        environments.update({env.get("name"): (env, folder)
                             for env in test_set.findall(NS + "environment")})
        set_dependencies = test_set.findall(NS + "dependencies")
        for case in test_set.findall(NS + "test-case"):
            name = case.get("name")
            skipped = dependency_problem(set_dependencies + case.findall(NS + "dependencies"))
            stylesheet = principal_stylesheet([case.find(NS + "test")], folder)
            if stylesheet is None:
                for reference in case.findall(NS + "environment"):
                    environment, base = environments.get(reference.get("ref"), (reference, folder))
                    stylesheet = stylesheet or principal_stylesheet([environment], base)
            if skipped is None and (stylesheet is None or not os.path.isfile(stylesheet)):
                skipped = "no stylesheet file"
            result = case.find(NS + "result")
            codes = sorted(set(error_codes(result)[0])) if result is not None else []
            cases.append(Case(name, stylesheet, verdict_of(result), skipped, codes))
    return cases


def stylewarden_findings(program, files):
    """The files that get at least one record, from the prefixed lines of multi-file runs."""
    flagged = {}
    for start in range(0, len(files), BATCH):
        batch = files[start:start + BATCH]
        result = subprocess.run([program, "--shipped", "--"] + batch, capture_output=True)
        if result.returncode not in (0, 4):
            sys.exit("stylewarden failed with status %d: %s" % (
                result.returncode, result.stderr.decode(errors="replace")))
        by_length = sorted(batch, key=len, reverse=True)
        for line in result.stdout.decode(errors="replace").splitlines():
            for path in by_length:
                if line.startswith(path + ": "):
                    flagged.setdefault(path, line[len(path) + 2:])
                    break
    return flagged


def saxon_findings(files):
    result = subprocess.run(["node", os.path.join(SAXON, "compile_all.js")] + files,
                            cwd=SAXON, capture_output=True)
    # Its exit status may be that of the last compilation; one line per file says it ran.
    lines = result.stdout.decode().splitlines()
    if len(lines) != len(files):
        sys.exit("SaxonJS did not run (scripts/install-deps.sh installs it): "
                 + result.stderr.decode(errors="replace"))
    flagged = {}
    for line in lines:
        entry = json.loads(line)
        if entry["status"] != 0:
            flagged[os.path.abspath(entry["file"])] = entry["message"]
    return flagged


def report(label, cases, flagged, out, examples):
    expecting_error = [case for case in cases if case.verdict == "error"]
    expecting_success = [case for case in cases if case.verdict == "success"]
    caught = [case for case in expecting_error if case.stylesheet in flagged]
    alarms = [case for case in expecting_success if case.stylesheet in flagged]

    def share(part, whole):
        return "%d of %d (%.1f%%)" % (len(part), len(whole),
                                      100.0 * len(part) / len(whole) if whole else 0.0)

    print("%s: structural static errors caught: %s" % (label, share(caught, expecting_error)),
          file=out)
    print("%s: false alarms on cases expecting success: %s" % (
        label, share(alarms, expecting_success)), file=out)
    missed = collections.Counter(" ".join(case.codes) for case in expecting_error
                                 if case.stylesheet not in flagged)
    if missed:
        print("%s: missed, by expected code: %s" % (label, ", ".join(
            "%s %d" % item for item in missed.most_common(examples))), file=out)
    for case in alarms[:examples]:
        print("  false alarm %s: %s" % (case.name, flagged[case.stylesheet]), file=out)
    return len(caught), len(alarms)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--suite", required=True, help="the folder holding catalog.xml")
    parser.add_argument("--stylewarden", required=True, help="the stylewarden program")
    parser.add_argument("--saxon", action="store_true", help="also compile with SaxonJS")
    parser.add_argument("--examples", type=int, default=20,
                        help="false alarms listed (default 20)")
    arguments = parser.parse_args()

    cases = read_cases(arguments.suite)
    skipped = collections.Counter(case.skipped for case in cases if case.skipped)
    kept = [case for case in cases if not case.skipped]
    verdicts = collections.Counter(case.verdict or "neither" for case in kept)
    print("%d test cases; %d left out (%s); of the rest %d expect a structural static error, "
          "%d expect no static error, %d neither" % (
              len(cases), sum(skipped.values()),
              ", ".join("%s: %d" % item for item in sorted(skipped.items())) or "none",
              verdicts["error"], verdicts["success"], verdicts["neither"]))
    files = sorted({case.stylesheet for case in kept if case.verdict})
    report("stylewarden", kept, stylewarden_findings(arguments.stylewarden, files), sys.stdout,
           arguments.examples)
    if arguments.saxon:
        report("SaxonJS", kept, saxon_findings(files), sys.stdout, 0)


if __name__ == "__main__":
    main()
