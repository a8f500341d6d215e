<?xml version="1.0"?>
<!-- an XSLT element that does not exist -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:foreach select="*"/>
  </xsl:template>
</xsl:stylesheet>
