<?xml version="1.0"?>
<!-- xsl:sort after an instruction in xsl:for-each -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:for-each select="*">
      <xsl:value-of select="."/>
      <xsl:sort select="."/>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
