<?xml version="1.0"?>
<!-- xsl:stylesheet without version -->
<xsl:stylesheet xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
  </xsl:template>
</xsl:stylesheet>
