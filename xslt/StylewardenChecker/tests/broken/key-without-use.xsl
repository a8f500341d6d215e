<?xml version="1.0"?>
<!-- xsl:key without use -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:key name="k" match="*"/>
  <xsl:template match="/">
  </xsl:template>
</xsl:stylesheet>
