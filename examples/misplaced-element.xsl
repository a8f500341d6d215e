<?xml version="1.0" encoding="UTF-8"?>
<!-- Code 4: xsl:otherwise may only stand inside xsl:choose. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:if test="count(//item) = 0">
      <p>No items.</p>
    </xsl:if>
    <xsl:otherwise>
      <p>Some items.</p>
    </xsl:otherwise>
  </xsl:template>
</xsl:stylesheet>
