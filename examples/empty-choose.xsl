<?xml version="1.0" encoding="UTF-8"?>
<!-- Code 5: xsl:choose needs at least one xsl:when. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="item">
    <xsl:choose>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
