"""The shipped XSLT 1.0 state file: it loads silently, accepts correct XSLT 1.0 in all its
forms, goes on checking inside an element that stands where it may not, relaxes exactly what
forwards-compatible processing allows, and finds text and names where XSLT forbids them."""
import os
import re
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


def stylesheet(top_level, version="1.0"):
    return '<xsl:stylesheet version="%s" %s>%s</xsl:stylesheet>' % (version, XSL, top_level)


def template(body, version="1.0"):
    return stylesheet('<xsl:template match="/">%s</xsl:template>' % body, version)


def codes(text):
    return [int(re.search(r'\[(\d+)\] @', line).group(1)) for line in records(text)]


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

    def test_import_after_top_level_data_is_reported(self):
        found = records(stylesheet('<d:data xmlns:d="urn:d"/><xsl:import href="b"/>'))
        self.assertEqual(len(found), 1)
        self.assertIn('"xsl:import" is not valid', found[0])

    def test_top_level_element_needs_a_namespace_in_every_mode(self):
        for version in ("1.0", "2.0"):
            found = records(stylesheet('<data><xsl:value-of select="."/></data>', version))
            self.assertEqual(len(found), 1, version)
            self.assertIn('"data" is not valid', found[0])

    def test_text_ends_the_leading_params_and_sorts(self):
        self.assertEqual(records(template(' <!-- c --> <xsl:param name="p"/>x<p/>')), [])
        for body in ('x<xsl:param name="p"/>',
                     '<xsl:for-each select="*"><![CDATA[x]]><xsl:sort/></xsl:for-each>'):
            with self.subTest(body):
                found = records(template(body))
                self.assertEqual(len(found), 1)
                self.assertIn("is not valid in this context", found[0])

    def test_import_after_include_is_reported(self):
        found = records(stylesheet('<xsl:include href="a"/><xsl:import href="b"/>'))
        self.assertEqual(len(found), 1)
        self.assertIn('"xsl:import" is not valid', found[0])

    def test_later_version_elements_are_not_accepted_everywhere(self):
        found = records(template('<xsl:apply-templates><xsl:sequence select="1"/>'
                                 '</xsl:apply-templates>'))
        self.assertEqual(len(found), 1)
        self.assertIn('"xsl:sequence" is not valid', found[0])



# The example of forwards-compatible processing in the XSLT 1.0 Recommendation (section 2.5).
RECOMMENDATION_EXAMPLE = """<xsl:stylesheet version="1.1" %s>
  <xsl:template match="/">
    <xsl:choose>
      <xsl:when test="system-property('xsl:version') >= 1.1">
        <xsl:exciting-new-1.1-feature/>
      </xsl:when>
      <xsl:otherwise>
        <html>
        <head>
          <title>XSLT 1.1 required</title>
        </head>
        <body>
          <p>Sorry, this stylesheet requires XSLT 1.1.</p>
        </body>
        </html>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
""" % XSL


class ForwardsCompatibleTest(unittest.TestCase):
    def assertOnlyIn10(self, build, *found):
        """`build(version)` is clean in versions 1.1 to 3.0 but has records of the codes
        `found` in version 1.0 (written 1, 1.0 and 1.00)."""
        for version in ("1.1", "2.0", "3.0"):
            self.assertEqual(records(build(version)), [], version)
        for version in ("1", "1.0", "1.00"):
            self.assertEqual(codes(build(version)), list(found), version)

    def test_unknown_attribute_on_variable(self):
        self.assertOnlyIn10(lambda v: stylesheet(
            '<xsl:variable name="v" as="xs:integer" select="1"/>', v), 7)

    def test_use_character_maps_on_output(self):
        self.assertOnlyIn10(lambda v: stylesheet(
            '<xsl:output method="xml" use-character-maps="m"/>', v), 7)

    def test_recommendations_own_example(self):
        self.assertEqual(records(RECOMMENDATION_EXAMPLE), [])
        found = records(RECOMMENDATION_EXAMPLE.replace('version="1.1"', 'version="1.0"'))
        self.assertEqual(len(found), 1)
        self.assertIn('"xsl:exciting-new-1.1-feature" is not valid in this context""" [4] @ (5, 9)',
                      found[0])

    def test_new_instruction_with_fallback_in_a_template(self):
        self.assertOnlyIn10(lambda v: template(
            '<xsl:exciting-new-1.1-feature with="anything"><xsl:fallback>'
            '<xsl:value-of select="1"/></xsl:fallback></xsl:exciting-new-1.1-feature>', v), 4)

    def test_fallback_content_is_still_checked(self):
        found = records(template('<xsl:exciting-new-1.1-feature><xsl:fallback><xsl:value-of/>'
                                 '</xsl:fallback></xsl:exciting-new-1.1-feature>', "1.1"))
        self.assertEqual(len(found), 1)
        self.assertIn('missing the required attribute "select"', found[0])

    def test_new_top_level_element_with_its_content(self):
        self.assertOnlyIn10(lambda v: stylesheet(
            '<xsl:function name="f:f" xmlns:f="urn:f"><xsl:value-of/>text</xsl:function>',
            v), 4, 6)

    def test_simplified_stylesheet_with_a_later_version(self):
        def build(version):
            return ('<html xsl:version="%s" xsl:default-collation="c" %s><body>'
                    '<xsl:value-of select="." separator=","/></body></html>' % (version, XSL))
        self.assertEqual(records(build("2.0")), [])
        self.assertEqual(codes(build("1.0")), [7, 7])

    def test_later_version_on_a_literal_element_covers_its_content_only(self):
        found = records(template('<out xsl:version="2.0"><xsl:sequence select="1"/></out>'
                                 '<xsl:sequence select="1"/>'))
        self.assertEqual(len(found), 1)
        self.assertIn("(1, 159) => (1, 185)", found[0])

    def test_xslt_10_elements_keep_their_rules(self):
        found = codes(stylesheet(
            'text<xsl:output indent="maybe"/><xsl:template match="/"><xsl:value-of/>'
            '<xsl:sort/><xsl:apply-templates><xsl:sequence/></xsl:apply-templates>'
            '<xsl:template/></xsl:template>', "2.0"))
        self.assertEqual(found, [9, 8, 6, 4, 4, 4])

    def test_later_elements_in_a_version_10_stylesheet_are_reported(self):
        self.assertEqual(codes(stylesheet(
            '<xsl:script/><xsl:template match="/"><xsl:document href="x"/>'
            '<xsl:for-each-group select="a"/></xsl:template>')), [4, 4, 4])


class TextTest(unittest.TestCase):
    PLACES = {
        "top level": stylesheet("%s"),
        "xsl:choose": template('<xsl:choose><xsl:when test="1"/>%s</xsl:choose>'),
        "xsl:apply-templates": template("<xsl:apply-templates>%s</xsl:apply-templates>"),
        "xsl:call-template": template('<xsl:call-template name="t">%s</xsl:call-template>'),
        "xsl:attribute-set": stylesheet('<xsl:attribute-set name="s">%s</xsl:attribute-set>'),
        "xsl:value-of": template('<xsl:value-of select=".">%s</xsl:value-of>'),
        "xsl:sort": template('<xsl:for-each select="*"><xsl:sort>%s</xsl:sort></xsl:for-each>'),
        "xsl:output": stylesheet("<xsl:output>%s</xsl:output>"),
    }

    def test_text_is_reported_where_xslt_allows_none(self):
        for place, text in self.PLACES.items():
            with self.subTest(place):
                found = records(text % "\n  some <![CDATA[text]]> &#65;&amp;\n")
                self.assertEqual(len(found), 1)
                self.assertIn('The text "some text A&" is not valid in this context""" [9]',
                              found[0])

    def test_whitespace_in_any_form_stays_allowed(self):
        for place, text in self.PLACES.items():
            with self.subTest(place):
                self.assertEqual(records(text % " \n\t<![CDATA[ ]]>&#10;<!-- c --> "), [])

    def test_text_stays_allowed_in_templates_and_xsl_text(self):
        self.assertEqual(records(template(
            'a<xsl:text>b</xsl:text><p>c</p><xsl:if test="1">d</xsl:if>'
            '<xsl:variable name="v">e</xsl:variable>')), [])


class NamesTest(unittest.TestCase):
    DECLARED = 'xmlns:p="urn:p"'

    def assertValuesIn(self, places, good, bad):
        """Each place, a top-level element with %s for the value, in a stylesheet that
        declares the prefix p."""
        for place in places:
            with self.subTest(place):
                self.assertValues(
                    lambda v: '<xsl:stylesheet version="1.0" %s %s>%s</xsl:stylesheet>'
                    % (XSL, self.DECLARED, place % v), good, bad)

    def assertValues(self, build, good, bad):
        for value in good:
            with self.subTest(value=value):
                self.assertEqual(records(build(value)), [])
        for value in bad:
            with self.subTest(value=value):
                found = records(build(value))
                self.assertEqual(len(found), 1)
                self.assertIn('cannot have the value "%s" in this context.""" [8]' % value,
                              found[0])

    def test_qualified_names(self):
        places = [
            '<xsl:template name="%s"/>', '<xsl:template match="a" mode="%s"/>',
            '<xsl:key name="%s" match="a" use="b"/>', '<xsl:decimal-format name="%s"/>',
            '<xsl:attribute-set name="%s"/>', '<xsl:variable name="%s"/>',
            '<xsl:param name="%s"/>', '<xsl:output method="%s"/>',
            '<xsl:template name="t"><xsl:call-template name="%s"/></xsl:template>',
            '<xsl:template name="t"><xsl:apply-templates mode="%s"/></xsl:template>',
            '<xsl:template name="t"><xsl:call-template name="u">'
            '<xsl:with-param name="%s"/></xsl:call-template></xsl:template>',
        ]
        self.assertValuesIn(places, ["a", "p:a", "a.b-c_d"], ["1a", "q:a", "a b", "{$n}", "p:"])

    def test_lists_of_qualified_names(self):
        places = [
            '<xsl:attribute-set name="s" use-attribute-sets="%s"/>',
            '<xsl:output cdata-section-elements="%s"/>',
            '<xsl:template name="t"><xsl:copy use-attribute-sets="%s"/></xsl:template>',
            '<xsl:template name="t"><xsl:element name="e" use-attribute-sets="%s"/>'
            '</xsl:template>',
            '<xsl:template name="t"><out xsl:use-attribute-sets="%s"/></xsl:template>',
        ]
        self.assertValuesIn(places, ["", "a", " a\tp:b "], ["a q:b", "a,b"])

    def test_name_tests_of_space_stripping(self):
        self.assertValuesIn(['<xsl:strip-space elements="%s"/>',
                             '<xsl:preserve-space elements="%s"/>'],
                            ["*", "p:* a p:b"], ["q:*", "*:a", "a|b"])

    def test_attribute_value_templates_are_not_names(self):
        self.assertEqual(records(template(
            '<xsl:element name="{$n}"><xsl:attribute name="{$a}">v</xsl:attribute>'
            '</xsl:element><xsl:processing-instruction name="{$p}"/>')), [])

    def test_prefix_lists_need_declared_prefixes(self):
        def on_stylesheet(attribute):
            return lambda v: '<xsl:stylesheet version="1.0" %s %s %s="%s"/>' % (
                XSL, self.DECLARED, attribute, v)

        def on_literal(attribute):
            return lambda v: template('<out %s xsl:%s="%s"/>' % (self.DECLARED, attribute, v))
        for attribute in ("exclude-result-prefixes", "extension-element-prefixes"):
            for build in (on_stylesheet(attribute), on_literal(attribute)):
                with self.subTest(attribute):
                    self.assertValues(build, ["p", "p xsl", ""], ["q", "p q", "#default", "p:a"])

    def test_default_prefix_names_the_default_namespace(self):
        self.assertEqual(records('<xsl:stylesheet version="1.0" %s xmlns="urn:d"'
                                 ' exclude-result-prefixes="#default"/>' % XSL), [])
        self.assertEqual(codes('<xsl:stylesheet version="1.0" %s xmlns="urn:d">'
                               '<xsl:template match="/"><out xmlns="" '
                               'xsl:exclude-result-prefixes="#default"/></xsl:template>'
                               '</xsl:stylesheet>' % XSL), [8])

    def test_namespace_alias_prefixes(self):
        self.assertValuesIn(['<xsl:namespace-alias stylesheet-prefix="%s" result-prefix="p"/>'],
                            ["p", "#default"], ["q", "p q"])


if __name__ == "__main__":
    unittest.main()
