<?xml version="1.0"?>
<!-- xsl:import after another top-level element -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
  </xsl:template>
  <xsl:import href="other.xsl"/>
</xsl:stylesheet>
