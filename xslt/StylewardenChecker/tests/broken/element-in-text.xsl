<?xml version="1.0"?>
<!-- an element in xsl:text -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:text>a<b/>c</xsl:text>
  </xsl:template>
</xsl:stylesheet>
