<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:merge><xsl:merge-source name="a" select="*" sort-before-merge="yes"><xsl:merge-key select="@k" order="ascending"/></xsl:merge-source><xsl:merge-action><xsl:sequence select="current-merge-group()"/></xsl:merge-action></xsl:merge>
  </xsl:template>
</xsl:stylesheet>
