<?xml version="1.0"?>
<!-- a literal result element in xsl:attribute-set -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:attribute-set name="s">
    <e/>
  </xsl:attribute-set>
  <xsl:template match="/">
  </xsl:template>
</xsl:stylesheet>
