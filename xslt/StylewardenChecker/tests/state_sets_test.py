"""A folder of state files: each stylesheet is checked by the file of its version, and the
format parts the 2.0 and 3.0 files use (attribute groups, states chosen by an attribute,
included transitions, base attribute sets, shadow attributes, typed values) behave as the
README says. One state file still checks every stylesheet by itself."""
import os
import re
import subprocess
import tempfile
import unittest

PROGRAM = os.environ["STYLEWARDEN"]
DATA = os.path.join(os.environ["STYLEWARDEN_ROOT"], "data")
XSL = 'xmlns:xsl="http://www.w3.org/1999/XSL/Transform"'


def run(states, stylesheet):
    return subprocess.run([PROGRAM, states], input=stylesheet.encode(), capture_output=True,
                          timeout=60)


def records(states, stylesheet):
    result = run(states, stylesheet)
    return result.stdout.decode().splitlines()


def codes(states, stylesheet):
    return [int(re.search(r"\[(\d+)\] @", line).group(1)) for line in records(states, stylesheet)]


def sheet(body, version="3.0"):
    return '<xsl:stylesheet version="%s" %s>%s</xsl:stylesheet>' % (version, XSL, body)


def template(body, version="3.0"):
    return sheet('<xsl:template match="/">%s</xsl:template>' % body, version)


class VersionSelectionTest(unittest.TestCase):
    def test_each_version_gets_its_rules(self):
        grouping = template('<xsl:for-each-group select="*" group-by="@a"/>', "%s")
        iterate = template('<xsl:iterate select="1"><xsl:break/></xsl:iterate>', "%s")
        # 1.0 rules see a later element: forwards-compatible in a 2.0 stylesheet only.
        self.assertEqual(codes(DATA, grouping % "1.0"), [4])
        self.assertEqual(codes(DATA, grouping % "2.0"), [])
        self.assertEqual(codes(DATA, iterate % "2.0"), [4, 4])   # a 3.0 element in 2.0
        self.assertEqual(codes(DATA, iterate % "2.5"), [])       # forwards-compatible
        self.assertEqual(codes(DATA, iterate % "3.0"), [])
        self.assertEqual(codes(DATA, iterate % "4.0"), [])
        unknown = template('<xsl:for-each-item select="1"><xsl:fallback/></xsl:for-each-item>',
                           "%s")
        self.assertEqual(codes(DATA, unknown % "3.0"), [4])
        self.assertEqual(codes(DATA, unknown % "4.0"), [])       # forwards-compatible above 3.0

    def test_packages_and_simplified_stylesheets_name_their_version(self):
        package = ('<xsl:package version="3.0" name="urn:p" %s><xsl:expose component="*"'
                   ' names="*" visibility="public"/><xsl:mode name="m"/></xsl:package>' % XSL)
        self.assertEqual(records(DATA, package), [])
        self.assertEqual(codes(DATA.rstrip("/") + "/xslt10-states.xml", package), [4, 4, 4])
        simplified = '<out xsl:version="3.0" %s><xsl:break/></out>' % XSL
        self.assertEqual(codes(DATA, simplified), [4])  # xsl:break outside xsl:iterate

    def test_a_version_that_is_no_number_gets_the_lowest_rules(self):
        self.assertEqual(codes(DATA, template('<xsl:sequence select="1"/>', "x")), [])
        self.assertEqual(codes(DATA, '<xsl:stylesheet %s/>' % XSL), [6])

    def test_one_state_file_checks_every_version_as_before(self):
        states = os.path.join(DATA, "xslt10-states.xml")
        self.assertEqual(codes(states, template('<xsl:sequence select="1"/>')), [])
        self.assertEqual(codes(states, template('<xsl:sequence select="1"/>', "1.0")), [4])


class LaterRulesTest(unittest.TestCase):
    def expect(self, body, expected, version="3.0"):
        self.assertEqual(records(DATA, sheet(body, version)), expected)

    def test_attribute_groups(self):
        self.expect('<xsl:template match="/"><xsl:for-each-group select="*"/></xsl:template>',
                    ['Error #: """The element is missing the required attribute "group-by",'
                     ' "group-adjacent", "group-starting-with" or "group-ending-with""""'
                     ' [6] @ (1, 104) => (1, 136)'])
        self.assertEqual(codes(DATA, template(
            '<xsl:for-each-group select="*" group-by="a" group-adjacent="b"/>')), [7])
        self.assertEqual(codes(DATA, template(
            '<xsl:for-each-group select="*" group-starting-with="a" collation="c"/>')), [7])
        self.assertEqual(records(DATA, sheet('<xsl:template mode="m" name="t"/>'))[0][:78],
                         'Error #: """The attribute "mode" is not allowed without the attribute'
                         ' "match".')

    def test_select_excludes_content_but_xsl_fallback(self):
        self.assertEqual(codes(DATA, template(
            '<xsl:variable name="v" select="1"><xsl:fallback/></xsl:variable>')), [])
        self.assertEqual(codes(DATA, template(
            '<xsl:sequence select="1"><xsl:text/></xsl:sequence>x')), [4])
        self.assertEqual(codes(DATA, template('<xsl:variable name="v" _select="1">x</xsl:variable>')),
                         [9])

    def test_typed_values(self):
        accepted = template(
            '<xsl:variable name="Q{urn:v}v" as=" xs:string* " static="true" select="1"/>'
            '<xsl:apply-templates mode="#current"/><xsl:message terminate="{1}"/>')
        self.assertEqual(codes(DATA, accepted), [])
        for wrong in ['<xsl:variable name="v" as="xs:string**"/>',
                      '<xsl:apply-templates mode="#all"/>',
                      '<xsl:message terminate="maybe"/>',
                      '<xsl:param name="p" required="perhaps"/>']:
            self.assertEqual(codes(DATA, template(wrong)), [8], wrong)
        self.assertEqual(codes(DATA, sheet('<xsl:template match="*" mode="#all #default"/>')), [8])
        self.assertEqual(codes(DATA, sheet('<xsl:function name="f"/>')), [8])
        self.assertEqual(codes(DATA, sheet('<xsl:strip-space elements="*:p Q{urn:x}* Q{urn:x}q"/>')),
                         [])

    def test_shadow_attributes_stand_for_their_attribute_in_3_0_only(self):
        self.assertEqual(codes(DATA, sheet('<xsl:template _match="{$m}"/>')), [])
        self.assertEqual(codes(DATA, sheet('<xsl:template _match="{$m}"/>', "2.0")), [7])


class FormatPartsTest(unittest.TestCase):
    """A hand-made pair of state files: the parts load, and their mistakes are reported."""

    MACHINE = """<state-machine xslt-version="%s">
  <element-state identifier="ELEMENTSTATE_ROOT" endable="TRUE">
    <attribute-set ref="none"/><literal-state ref="ELEMENTSTATE_INVALID"/>
    <children-states ref="root"/></element-state>
  <element-state identifier="ELEMENTSTATE_DEFAULT" endable="TRUE">
    <attribute-set ref="none"/><literal-state ref="ELEMENTSTATE_DEFAULT"/>
    <children-states ref="root"/></element-state>
  <element-state identifier="top" endable="TRUE">
    <attribute-set ref="top-attributes"/><literal-state ref="ELEMENTSTATE_INVALID"/>
    <children-states ref="top"/><when-attribute name="empty" state="empty"/></element-state>
  <element-state identifier="empty" endable="TRUE" text-allowed="FALSE">
    <attribute-set ref="top-attributes"/><literal-state ref="ELEMENTSTATE_INVALID"/>
    <children-states ref="none"/></element-state>
  <children-states identifier="root"><child-state element-name="stylesheet"
    parent-state="ELEMENTSTATE_UNCHANGED" state="top"/></children-states>
  <children-states identifier="top" includes="%s"/>
  <children-states identifier="none"/>
  <attribute-set identifier="none"/>
  <attribute-set identifier="standard"><attribute required="FALSE"><name>version</name>
    </attribute></attribute-set>
  <attribute-set identifier="top-attributes" base="%s">
    <attribute required="FALSE"><name>empty</name></attribute>
    <attribute required="FALSE"><name>a</name></attribute>
    <attribute required="FALSE"><name>b</name></attribute>
    <exactly-one-of><name>a</name><name>b</name></exactly-one-of></attribute-set>
</state-machine>"""

    def folder(self, includes="root", base="standard", version="1.0"):
        folder = tempfile.mkdtemp()
        self.addCleanup(lambda: [os.remove(os.path.join(folder, name))
                                 for name in os.listdir(folder)] and os.rmdir(folder))
        with open(os.path.join(folder, "only-states.xml"), "w") as states:
            states.write(self.MACHINE % (version, includes, base))
        return folder

    def test_parts_load_and_check(self):
        folder = self.folder()
        self.assertEqual(codes(folder, '<xsl:stylesheet version="1" a="1" %s/>' % XSL), [])
        # The included transitions: a nested xsl:stylesheet is allowed.
        self.assertEqual(codes(folder, '<xsl:stylesheet a="1" %s><xsl:stylesheet a="1"/>'
                                       '</xsl:stylesheet>' % XSL), [])
        self.assertEqual(codes(folder, '<xsl:stylesheet empty="" a="1" %s><xsl:stylesheet'
                                       ' a="1"/></xsl:stylesheet>' % XSL), [4])
        self.assertEqual(codes(folder, '<xsl:stylesheet version="1" %s/>' % XSL), [6])
        self.assertEqual(codes(folder, '<xsl:stylesheet a="1" b="2" %s/>' % XSL), [7])
        self.assertEqual(codes(folder, '<xsl:stylesheet a="1" c="2" %s/>' % XSL), [7])

    def test_mistakes_in_the_parts_fail_the_load(self):
        for folder, message in [
                (self.folder(includes="missing"), b'The children states named by "includes"'),
                (self.folder(includes="top"), b'go round in a circle'),
                (self.folder(base="missing"), b'The attribute set named by "base"'),
                (self.folder(version=""), b'does not name the XSLT version')]:
            result = run(folder, '<xsl:stylesheet %s/>' % XSL)
            self.assertEqual(result.returncode, 3, message)
            self.assertEqual(result.stdout, b"Bad initialization\n")
            self.assertIn(message, result.stderr)
        empty = tempfile.mkdtemp()
        self.addCleanup(os.rmdir, empty)
        self.assertEqual(run(empty, "<a/>").returncode, 3)


class CompiledCopiesTest(unittest.TestCase):
    """The shipped files are compiled into the program, and a folder's copy of one is taken
    from there only when its bytes are the same: an edited copy is read and checked as any
    other state file."""

    def copy_of_data(self, edit=None):
        folder = tempfile.mkdtemp()
        self.addCleanup(lambda: [os.remove(os.path.join(folder, name))
                                 for name in os.listdir(folder)] and os.rmdir(folder))
        for name in os.listdir(DATA):
            with open(os.path.join(DATA, name), "rb") as source:
                content = source.read()
            if edit and name == "xslt30-states.xml":
                content = edit(content)
            with open(os.path.join(folder, name), "wb") as copy:
                copy.write(content)
        return folder

    def test_an_edited_copy_is_read_from_the_file(self):
        iterate = template('<xsl:iterate select="1"><xsl:break/></xsl:iterate>')
        self.assertEqual(codes(self.copy_of_data(), iterate), [])
        # xsl:iterate taken out of the 3.0 rules: only the file can say so.
        unlisted = self.copy_of_data(
            lambda content: re.sub(rb'<child-state element-name="iterate"[^>]*>', b"", content))
        self.assertEqual(codes(unlisted, iterate), [4])
        broken = self.copy_of_data(lambda content: content.replace(b"</state-machine>", b""))
        result = run(broken, iterate)
        self.assertEqual((result.returncode, result.stdout), (3, b"Bad initialization\n"))

    def test_parallel_checks_of_every_version_build_each_machine_once(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(lambda: [os.remove(os.path.join(folder, name))
                                 for name in os.listdir(folder)] and os.rmdir(folder))
        grouping = '<xsl:for-each-group select="*" group-by="@a"/>'
        expected = {"1.0": 1, "2.0": 0, "3.0": 0}
        for i in range(24):
            version = list(expected)[i % 3]
            with open(os.path.join(folder, "s%02d-%s.xsl" % (i, version)), "w") as out:
                out.write(template(grouping, version))
        result = subprocess.run([PROGRAM, "--jobs", "4", DATA, folder], capture_output=True,
                                timeout=60)
        found = {}
        for line in result.stdout.decode().splitlines():
            found[line.split(":")[0]] = found.get(line.split(":")[0], 0) + 1
        for i in range(24):
            version = list(expected)[i % 3]
            name = os.path.join(folder, "s%02d-%s.xsl" % (i, version))
            self.assertEqual(found.get(name, 0), expected[version], name)


if __name__ == "__main__":
    unittest.main()
