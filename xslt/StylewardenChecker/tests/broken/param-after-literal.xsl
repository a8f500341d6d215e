<?xml version="1.0"?>
<!-- xsl:param after a literal result element -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <p/>
    <xsl:param name="p"/>
  </xsl:template>
</xsl:stylesheet>
