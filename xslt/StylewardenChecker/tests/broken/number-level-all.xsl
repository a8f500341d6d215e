<?xml version="1.0"?>
<!-- level of xsl:number must be single, multiple or any -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:number level="all"/>
  </xsl:template>
</xsl:stylesheet>
