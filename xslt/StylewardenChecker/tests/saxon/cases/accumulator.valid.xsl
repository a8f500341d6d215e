<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:accumulator name="count" initial-value="0" as="xs:integer">
    <xsl:accumulator-rule match="*" select="$value + 1"/>
  </xsl:accumulator>
</xsl:stylesheet>
