<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:for-each-group select="*" group-by="@a, @b" composite="yes" collation="http://www.w3.org/2005/xpath-functions/collation/codepoint"><xsl:sort select="current-grouping-key()[1]"/><xsl:copy-of select="current-group()"/></xsl:for-each-group>
  </xsl:template>
</xsl:stylesheet>
