<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:accumulator name="depth" initial-value="0">
    <xsl:accumulator-rule match="*" select="$value + 1"><xsl:sequence select="1"/></xsl:accumulator-rule>
  </xsl:accumulator>
</xsl:stylesheet>
