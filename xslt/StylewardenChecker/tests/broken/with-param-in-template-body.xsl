<?xml version="1.0"?>
<!-- xsl:with-param outside xsl:apply-templates and xsl:call-template -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:with-param name="p"/>
  </xsl:template>
</xsl:stylesheet>
