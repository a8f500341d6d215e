<?xml version="1.0"?>
<!-- xsl:template inside a template -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:template name="inner"/>
  </xsl:template>
</xsl:stylesheet>
