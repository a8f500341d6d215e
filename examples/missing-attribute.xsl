<?xml version="1.0" encoding="UTF-8"?>
<!-- Code 6: xsl:value-of requires a select attribute. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="item">
    <p><xsl:value-of/></p>
  </xsl:template>
</xsl:stylesheet>
