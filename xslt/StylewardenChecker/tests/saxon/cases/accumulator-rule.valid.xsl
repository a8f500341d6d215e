<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:accumulator name="depth" initial-value="0">
    <xsl:accumulator-rule match="*" phase="start" select="$value + 1"/>
    <xsl:accumulator-rule match="*" phase="end"><xsl:sequence select="$value - 1"/></xsl:accumulator-rule>
  </xsl:accumulator>
</xsl:stylesheet>
