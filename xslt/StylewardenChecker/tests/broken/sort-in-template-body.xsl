<?xml version="1.0"?>
<!-- xsl:sort outside xsl:for-each and xsl:apply-templates -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:sort select="."/>
  </xsl:template>
</xsl:stylesheet>
