<?xml version="1.0"?>
<!-- xsl:param after an instruction in a template -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:value-of select="1"/>
    <xsl:param name="p"/>
  </xsl:template>
</xsl:stylesheet>
