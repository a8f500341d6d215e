<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template name="main"><xsl:sequence select="1"/></xsl:template>
</xsl:stylesheet>
