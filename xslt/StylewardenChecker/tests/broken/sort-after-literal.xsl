<?xml version="1.0"?>
<!-- xsl:sort after a literal result element in xsl:for-each -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:for-each select="*">
      <p/>
      <xsl:sort select="."/>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
