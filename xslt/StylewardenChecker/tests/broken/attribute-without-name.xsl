<?xml version="1.0"?>
<!-- xsl:attribute without name -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <e><xsl:attribute>v</xsl:attribute></e>
  </xsl:template>
</xsl:stylesheet>
