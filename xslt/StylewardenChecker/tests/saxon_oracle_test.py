"""SaxonJS as the oracle of the XSLT 2.0 and 3.0 state files. Every stylesheet in saxon/cases
is compiled by SaxonJS (npm xslt3, pinned in saxon/package-lock.json) and checked by
stylewarden with the shipped set of state files, which picks the rules of the stylesheet's
version (2.0, 3.0, above 3.0 as 3.0 forwards-compatibly): each one Saxon rejects with a structural
static error must get a record, each one it accepts none. The few cases where SaxonJS is not
a faithful oracle (features it lacks, errors the Recommendation names that it lets through)
are listed below with the verdict the Recommendation gives. Prints the figures and each state
file's coverage of its Recommendation's elements."""
import concurrent.futures
import json
import os
import re
import subprocess
import sys
import unittest

PROGRAM = os.environ["STYLEWARDEN"]
ROOT = os.environ["STYLEWARDEN_ROOT"]
HERE = os.path.join(os.environ["STYLEWARDEN_TESTS"], "saxon")
CASES = os.path.join(HERE, "cases")
DATA = os.path.join(ROOT, "data")
STATES = {"2.0": os.path.join(ROOT, "data", "xslt20-states.xml"),
          "3.0": os.path.join(ROOT, "data", "xslt30-states.xml")}

# Errors about which elements and attributes stand where and what values the attributes
# take: what a state file describes. XPST0003 is the syntax error of a sequence type in `as`.
STRUCTURAL = {
    "XTSE0010", "XTSE0020", "XTSE0090", "XTSE0120", "XTSE0200", "XTSE0260", "XTSE0500",
    "XTSE0620", "XTSE0740", "XTSE0840", "XTSE0870", "XTSE0880", "XTSE0910", "XTSE0940",
    "XTSE0530", "XTSE0550", "XTSE1015", "XTSE1080", "XTSE1130", "XTSE3185", "XTSE3200",
    "XTSE3280", "XTSE3350", "XPST0003",
}

# Where the Recommendation and SaxonJS part: True means the Recommendation names a static
# error here, False that the stylesheet is correct.
NOT_LIKE_SAXON = {
    # SaxonJS does not implement xsl:use-package (XTSE3000) nor xsl:expose, and is not
    # schema-aware (XTSE1650, XTSE1660).
    "accept.valid": False,
    "accept.no-visibility": True,      # visibility is required
    "accept.with-child": True,         # xsl:accept is empty
    "expose.hidden-visibility": True,  # "hidden" is only for xsl:accept
    "expose.unnamed-mode": True,       # the unnamed mode is private (XTSE0020)
    "expose.valid": False,
    "expose.bad-component": True,      # "key" is no component kind
    "override.valid": False,
    "override.bad-child": True,        # xsl:key cannot be overridden
    "override.use-when": False,        # the standard attributes are on every XSLT element
    "package.valid": False,
    "use-package.valid": False,
    "use-package.all-attributes": False,
    "import-schema.valid": False,
    "import-schema.bad-attribute": True,  # the attribute is schema-location
    "copy.bad-validation": True,       # validation is strict, lax, preserve or strip
    "document.bad-validation": True,
    # Static errors SaxonJS lets through.
    "accumulator-rule.bad-phase": True,           # phase is start or end
    "accumulator-rule.select-and-content": True,  # XTSE3350
    "catch.before-body": True,         # nothing but xsl:catch and xsl:fallback after xsl:catch
    "copy-of.no-select": True,         # select is required
    "function.bad-visibility": True,   # "hidden" is only for xsl:accept
    "merge-source.no-key": True,       # at least one xsl:merge-key
    "package.bad-declared-modes": True,  # input-type-annotations="loose"
    "perform-sort.no-sort": True,      # at least one xsl:sort
    "template.visibility-without-name": True,  # XTSE0500
    "value.all-not-alone": True,       # #all stands alone
    "value.bad-on-multiple-match": True,  # use-last or fail
    "value.eqname-without-local": True,   # Q{uri} needs a local name
    "try.no-catch": True,              # at least one xsl:catch
}

# The elements of each Recommendation, for the coverage figure.
ELEMENTS_20 = """analyze-string apply-imports apply-templates attribute attribute-set call-template
character-map choose comment copy copy-of decimal-format document element fallback for-each
for-each-group function if import import-schema include key matching-substring message
namespace namespace-alias next-match non-matching-substring number otherwise output
output-character param perform-sort preserve-space processing-instruction result-document
sequence sort strip-space stylesheet template text transform value-of variable when
with-param""".split()
ELEMENTS_30 = ELEMENTS_20 + """accept accumulator accumulator-rule assert break catch
context-item evaluate expose fork global-context-item iterate map map-entry merge
merge-action merge-key merge-source mode next-iteration on-completion on-empty on-non-empty
override package source-document try use-package where-populated""".split()


def saxon_verdicts(files):
    result = subprocess.run(["node", os.path.join(HERE, "compile_all.js")] + files,
                            cwd=HERE, capture_output=True, timeout=600)
    if result.returncode != 0:
        raise AssertionError("SaxonJS did not run (run scripts/install-deps.sh): "
                             + result.stderr.decode(errors="replace"))
    return {os.path.basename(entry["file"])[:-len(".xsl")]: entry
            for entry in map(json.loads, result.stdout.decode().splitlines())}


def stylewarden_records(path):
    result = subprocess.run([PROGRAM, DATA, path], capture_output=True, timeout=60)
    if result.returncode != 0:
        raise AssertionError("%s: status %d %s" % (path, result.returncode,
                                                   result.stdout.decode()))
    return result.stdout.decode().splitlines()


def covered_elements(states):
    with open(states, encoding="utf-8") as text:
        return set(re.findall(r'element-name="([^"]+)"', text.read()))


class SaxonOracleTest(unittest.TestCase):
    def test_stylewarden_agrees_with_saxon(self):
        missing = [path for path in STATES.values() if not os.path.exists(path)]
        if missing:
            self.skipTest("no state file " + ", ".join(missing))
        names = sorted(name[:-len(".xsl")] for name in os.listdir(CASES)
                       if name.endswith(".xsl"))
        saxon = saxon_verdicts([os.path.join(CASES, name + ".xsl") for name in names])
        self.assertEqual(sorted(saxon), names)
        self.assertEqual([name for name in NOT_LIKE_SAXON if name not in saxon], [])
        figures = {"saxon accepts": 0, "saxon rejects, structural": 0,
                   "saxon rejects, other": 0, "caught": 0, "clean": 0}
        wrong = []
        with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
            found = dict(zip(names, pool.map(
                stylewarden_records, [os.path.join(CASES, name + ".xsl") for name in names])))
        for name in names:
            records = found[name]
            verdict = saxon[name]
            if verdict["status"] == 0:
                figures["saxon accepts"] += 1
            elif verdict["code"] in STRUCTURAL:
                figures["saxon rejects, structural"] += 1
            else:
                figures["saxon rejects, other"] += 1
            if name in NOT_LIKE_SAXON:
                expect_error = NOT_LIKE_SAXON[name]
            elif verdict["status"] == 0:
                expect_error = False
            elif verdict["code"] in STRUCTURAL:
                expect_error = True
            else:
                continue  # not a question of structure
            figures["caught" if expect_error else "clean"] += bool(records) == expect_error
            if bool(records) != expect_error:
                wrong.append("%s: SaxonJS %s %s; stylewarden %s" % (
                    name, verdict["status"], verdict["message"] or "accepts",
                    records or "no record"))
        print("\n%d cases: %s" % (len(names), figures), file=sys.stderr)
        for version, elements in (("2.0", ELEMENTS_20), ("3.0", ELEMENTS_30)):
            covered = covered_elements(STATES[version])
            absent = [element for element in elements if element not in covered]
            print("xslt%s-states.xml covers %d of %d elements%s" % (
                version.replace(".", ""), len(elements) - len(absent), len(elements),
                "; missing: " + " ".join(absent) if absent else ""), file=sys.stderr)
        tested = {name.split(".")[0] for name in names}
        self.assertEqual([e for e in ELEMENTS_30 if e not in tested], [],
                         "every 3.0 element has cases")
        self.assertEqual(wrong, [], "\n".join(wrong))


if __name__ == "__main__":
    unittest.main()
