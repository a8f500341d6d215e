#!/usr/bin/env python3
"""A real editor's LSP client: Neovim (headless) opens a broken stylesheet with
stylewarden-ls attached and must hold exactly the program's findings as its diagnostics.
Skipped (exit 77) when nvim is not installed."""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
SERVER = os.environ["STYLEWARDEN_LS"]
PROGRAM = os.environ["STYLEWARDEN"]
ROOT = os.environ["STYLEWARDEN_ROOT"]
STATES = os.path.join(ROOT, "data", "xslt10-states.xml")
HERE = os.path.dirname(os.path.abspath(__file__))
RECORD = re.compile(r'^Error #: """(.*)""" \[(\d+)\] @ \((\d+), (\d+)\) => \((\d+), (\d+)\)$')
# One element out of place and one missing attribute, after non-ASCII text.
STYLESHEET = """<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <p>été</p><xsl:template/>
    <xsl:value-of/>
  </xsl:template>
</xsl:stylesheet>
"""


def byte_column(line, units):
    """Neovim keeps byte columns: the UTF-8 length of the line's first `units` UTF-16 units."""
    prefix = line.encode("utf-16-le")[:2 * units].decode("utf-16-le")
    return len(prefix.encode("utf-8"))


def program_findings(path):
    """The program's records as Neovim holds diagnostics: 0-based lines, byte columns,
    severity 1 error, 2 warning."""
    lines = STYLESHEET.split("\n")
    output = subprocess.run([PROGRAM, STATES, path], capture_output=True, text=True, check=True)
    findings = []
    for line in output.stdout.splitlines():
        match = RECORD.match(line)
        assert match, line
        message, code, l1, c1, l2, c2 = match.groups()
        start, end = int(l1) - 1, int(l2) - 1
        findings.append({"lnum": start, "col": byte_column(lines[start], int(c1) - 1),
                         "end_lnum": end, "end_col": byte_column(lines[end], int(c2) - 1),
                         "severity": 2 if code == "1" else 1,
                         "source": "stylewarden", "message": message})
    return findings


def main():
    nvim = shutil.which("nvim")
    if nvim is None:
        print("nvim is not installed: skipped")
        return SKIP
    with tempfile.TemporaryDirectory() as scratch:
        stylesheet = os.path.join(scratch, "broken.xsl")
        with open(stylesheet, "w", encoding="utf-8") as out:
            out.write(STYLESHEET)
        expected = program_findings(stylesheet)
        assert [d["message"] for d in expected] == [
            'The element "xsl:template" is not valid in this context',
            'The element is missing the required attribute "select"',
        ], expected
        result_file = os.path.join(scratch, "diagnostics.json")
        env = dict(os.environ, DIAGNOSTICS_OUT=result_file, HOME=scratch,
                   XDG_CONFIG_HOME=scratch, XDG_DATA_HOME=scratch, XDG_STATE_HOME=scratch)
        subprocess.run([nvim, "--headless", "--clean", "-n", stylesheet,
                        "-c", "luafile " + os.path.join(HERE, "nvim_diagnostics.lua")],
                       cwd=scratch, env=env, stdin=subprocess.DEVNULL, timeout=120, check=True)
        with open(result_file, encoding="utf-8") as result:
            held = json.load(result)
    assert held["attached"] and held["published"], held
    assert held["diagnostics"] == expected, (held["diagnostics"], expected)
    print("ok: Neovim holds the %d diagnostics of the program" % len(expected))
    return 0


if __name__ == "__main__":
    sys.exit(main())
