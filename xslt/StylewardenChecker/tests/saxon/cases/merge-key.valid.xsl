<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:merge><xsl:merge-source select="*"><xsl:merge-key select="@a" lang="en"/><xsl:merge-key data-type="number"><xsl:sequence select="@b"/></xsl:merge-key></xsl:merge-source><xsl:merge-action/></xsl:merge>
  </xsl:template>
</xsl:stylesheet>
