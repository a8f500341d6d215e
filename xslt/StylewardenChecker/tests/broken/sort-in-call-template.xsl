<?xml version="1.0"?>
<!-- xsl:sort in xsl:call-template -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:call-template name="t">
      <xsl:sort/>
    </xsl:call-template>
  </xsl:template>
  <xsl:template name="t">
  </xsl:template>
</xsl:stylesheet>
