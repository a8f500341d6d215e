<?xml version="1.0"?>
<!-- xsl:import without href -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import/>
  <xsl:template match="/">
  </xsl:template>
</xsl:stylesheet>
