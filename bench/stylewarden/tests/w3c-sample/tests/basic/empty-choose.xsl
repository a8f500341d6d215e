<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template name="xsl:initial-template"><out><xsl:choose/></out></xsl:template>
</xsl:stylesheet>
