<?xml version="1.0" encoding="UTF-8"?>
<!-- Code 7: xsl:apply-templates has no "mod" attribute (a misspelt "mode"). -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <ul><xsl:apply-templates select="//item" mod="list"/></ul>
  </xsl:template>
  <xsl:template match="item" mode="list">
    <li><xsl:value-of select="."/></li>
  </xsl:template>
</xsl:stylesheet>
