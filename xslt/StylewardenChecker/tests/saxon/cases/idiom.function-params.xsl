<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:function name="f:add" as="xs:integer" streamability="unclassified"><xsl:param name="a" as="xs:integer"/><xsl:param name="b" as="xs:integer"/><xsl:sequence select="$a + $b"/></xsl:function>
</xsl:stylesheet>
