<?xml version="1.0"?>
<!-- disable-output-escaping must be yes or no -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:value-of select="1" disable-output-escaping="true"/>
  </xsl:template>
</xsl:stylesheet>
