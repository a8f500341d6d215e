<?xml version="1.0"?>
<!-- xsl:when directly in xsl:if -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:if test="1">
      <xsl:when test="2"/>
    </xsl:if>
  </xsl:template>
</xsl:stylesheet>
