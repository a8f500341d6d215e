<?xml version="1.0"?>
<!-- xsl:namespace-alias without result-prefix -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:namespace-alias stylesheet-prefix="#default"/>
  <xsl:template match="/">
  </xsl:template>
</xsl:stylesheet>
