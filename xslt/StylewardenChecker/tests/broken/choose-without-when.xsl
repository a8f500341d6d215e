<?xml version="1.0"?>
<!-- xsl:choose without xsl:when -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:choose>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
