<?xml version="1.0"?>
<!-- terminate of xsl:message must be yes or no -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:message terminate="true">x</xsl:message>
  </xsl:template>
</xsl:stylesheet>
