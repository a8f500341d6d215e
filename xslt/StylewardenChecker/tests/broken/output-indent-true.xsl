<?xml version="1.0"?>
<!-- indent of xsl:output must be yes or no -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output indent="true"/>
  <xsl:template match="/">
  </xsl:template>
</xsl:stylesheet>
