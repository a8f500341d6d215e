<?xml version="1.0"?>
<!-- xsl:if without test -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:if>x</xsl:if>
  </xsl:template>
</xsl:stylesheet>
