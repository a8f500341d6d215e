<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:choose><xsl:when test="1">x</xsl:when></xsl:choose>
</xsl:stylesheet>
