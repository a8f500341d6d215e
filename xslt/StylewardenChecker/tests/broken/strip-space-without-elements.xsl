<?xml version="1.0"?>
<!-- xsl:strip-space without elements -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:strip-space/>
  <xsl:template match="/">
  </xsl:template>
</xsl:stylesheet>
