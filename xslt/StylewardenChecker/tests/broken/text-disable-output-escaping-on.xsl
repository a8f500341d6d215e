<?xml version="1.0"?>
<!-- disable-output-escaping of xsl:text must be yes or no -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:text disable-output-escaping="on">x</xsl:text>
  </xsl:template>
</xsl:stylesheet>
