"""The shipped XSLT 1.0 state file: it loads silently, accepts correct XSLT 1.0 in all its
forms, and goes on checking inside an element that stands where it may not."""
import os
import subprocess
import unittest

PROGRAM = os.environ["STYLEWARDEN"]
STATES = os.path.join(os.environ["STYLEWARDEN_ROOT"], "data", "xslt10-states.xml")
XSL = 'xmlns:xsl="http://www.w3.org/1999/XSL/Transform"'


def check(stylesheet):
    result = subprocess.run([PROGRAM, STATES], input=stylesheet.encode(), capture_output=True,
                            timeout=60)
    return result


def records(stylesheet):
    result = check(stylesheet)
    return [line for line in result.stdout.decode().splitlines()]


def stylesheet(top_level):
    return '<xsl:stylesheet version="1.0" %s>%s</xsl:stylesheet>' % (XSL, top_level)


def template(body):
    return stylesheet('<xsl:template match="/">%s</xsl:template>' % body)


class LoadingTest(unittest.TestCase):
    def test_state_file_loads_without_any_message(self):
        result = check(stylesheet(""))
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stderr, b"")
        self.assertEqual(result.stdout, b"")


class CorrectStylesheetsTest(unittest.TestCase):
    def assertAccepted(self, text):
        self.assertEqual(records(text), [])

    def test_every_top_level_element_after_imports(self):
        self.assertAccepted(stylesheet(
            '<xsl:import href="a.xsl"/><xsl:import href="b.xsl"/>'
            '<xsl:include href="c.xsl"/><xsl:strip-space elements="*"/>'
            '<xsl:preserve-space elements="pre"/>'
            '<xsl:output method="html" indent="yes" omit-xml-declaration="no" standalone="yes"'
            ' encoding="UTF-8" doctype-public="p" doctype-system="s" media-type="text/html"'
            ' cdata-section-elements="c" version="4.0"/>'
            '<xsl:key name="k" match="a|b" use="@id"/>'
            '<xsl:decimal-format name="d" decimal-separator="," grouping-separator="."'
            ' NaN="-" infinity="i" minus-sign="m" percent="p" per-mille="m" zero-digit="0"'
            ' digit="#" pattern-separator=";"/>'
            '<xsl:namespace-alias xmlns:a="urn:a" stylesheet-prefix="a" result-prefix="xsl"/>'
            '<xsl:attribute-set name="s" use-attribute-sets="t">'
            '<xsl:attribute name="a">1</xsl:attribute></xsl:attribute-set>'
            '<xsl:variable name="v" select="1"/><xsl:param name="p">x</xsl:param>'
            '<xsl:template name="t" match="*" mode="m" priority="2"/>'
            '<doc:note xmlns:doc="urn:doc"><any><xsl:template/></any></doc:note>'))

    def test_transform_is_a_synonym_of_stylesheet(self):
        self.assertAccepted('<xsl:transform version="1.0" id="t" %s'
                            ' xmlns:a="urn:a" xmlns:b="urn:b"'
                            ' exclude-result-prefixes="a" extension-element-prefixes="b"/>' % XSL)

    def test_every_instruction_in_a_template(self):
        self.assertAccepted(template(
            '<xsl:param name="a"/><xsl:param name="b" select="1"/>'
            '<xsl:apply-templates select="*" mode="m">'
            '<xsl:sort select="." order="{$dir}" case-order="{$c}" data-type="{$t}" lang="{$l}"/>'
            '<xsl:with-param name="p" select="1"/></xsl:apply-templates>'
            '<xsl:call-template name="t"><xsl:with-param name="p">x</xsl:with-param>'
            '</xsl:call-template><xsl:apply-imports/>'
            '<xsl:for-each select="*"><xsl:sort/><xsl:sort select="@a"/><p/></xsl:for-each>'
            '<xsl:value-of select="." disable-output-escaping="yes"/><xsl:copy-of select="."/>'
            '<xsl:number level="multiple" count="a|b" from="/" format="{$f}" lang="en"'
            ' letter-value="traditional" grouping-separator="," grouping-size="3"/>'
            '<xsl:number value="3"/>'
            '<xsl:choose><xsl:when test="1">a</xsl:when><xsl:when test="2"/>'
            '<xsl:otherwise><b/></xsl:otherwise></xsl:choose>'
            '<xsl:if test="1"><xsl:text disable-output-escaping="no">t</xsl:text></xsl:if>'
            '<xsl:copy use-attribute-sets="s"><xsl:variable name="v">x</xsl:variable></xsl:copy>'
            '<xsl:message terminate="no">m</xsl:message>'
            '<xsl:processing-instruction name="{$pi}">d</xsl:processing-instruction>'
            '<xsl:comment>c</xsl:comment>'
            '<xsl:element name="{$n}" namespace="{$ns}" use-attribute-sets="s">'
            '<xsl:attribute name="{$a}" namespace="urn:x">v</xsl:attribute></xsl:element>'))

    def test_literal_and_extension_elements_with_their_xslt_attributes(self):
        self.assertAccepted(template(
            '<html xmlns:a="urn:a" xmlns:e="urn:ext" lang="en" xsl:use-attribute-sets="s"'
            ' xsl:exclude-result-prefixes="a"'
            ' xsl:extension-element-prefixes="e" xsl:version="1.0" xml:space="preserve">'
            '<e:do xmlns:e="urn:ext" anything="1"><xsl:fallback><p/></xsl:fallback></e:do>'
            '</html>'))

    def test_simplified_stylesheet(self):
        self.assertAccepted('<html xsl:version="1.0" %s><body><xsl:value-of select="."/>'
                            '</body></html>' % XSL)

    def test_elements_of_later_versions_in_forwards_compatible_places(self):
        self.assertAccepted(
            '<xsl:stylesheet version="2.0" %s><xsl:character-map name="m">'
            '<xsl:output-character character="a" string="b"/></xsl:character-map>'
            '<xsl:template match="/"><xsl:document href="x"><xsl:value-of select="1"/>'
            '<xsl:fallback/></xsl:document></xsl:template></xsl:stylesheet>' % XSL)


class MisplacedElementsTest(unittest.TestCase):
    def test_content_of_a_misplaced_element_is_still_checked(self):
        found = records(stylesheet('<xsl:for-each select="*"><xsl:value-of/></xsl:for-each>'))
        self.assertEqual(len(found), 2)
        self.assertIn('The element "xsl:for-each" is not valid in this context', found[0])
        self.assertIn('missing the required attribute "select"', found[1])

    def test_misplaced_choose_still_needs_a_when(self):
        found = records(stylesheet('<xsl:choose/>'))
        self.assertEqual(len(found), 2)
        self.assertIn('[4]', found[0])
        self.assertIn('"xsl:choose" is missing a required child element', found[1])

    def test_unknown_xslt_element_is_reported_once(self):
        found = records(template('<xsl:value-off select="."><p/></xsl:value-off>'))
        self.assertEqual(len(found), 1)
        self.assertIn('The element "xsl:value-off" is not valid in this context', found[0])

    def test_import_after_include_is_reported(self):
        found = records(stylesheet('<xsl:include href="a"/><xsl:import href="b"/>'))
        self.assertEqual(len(found), 1)
        self.assertIn('"xsl:import" is not valid', found[0])

    def test_later_version_elements_are_not_accepted_everywhere(self):
        found = records(template('<xsl:apply-templates><xsl:sequence select="1"/>'
                                 '</xsl:apply-templates>'))
        self.assertEqual(len(found), 1)
        self.assertIn('"xsl:sequence" is not valid', found[0])


if __name__ == "__main__":
    unittest.main()
