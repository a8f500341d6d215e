<xsl:package name="urn:p" version="2.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template name="t"><xsl:sequence select="1"/></xsl:template>
</xsl:package>
