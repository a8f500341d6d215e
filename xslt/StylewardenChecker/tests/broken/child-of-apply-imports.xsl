<?xml version="1.0"?>
<!-- content in the empty xsl:apply-imports -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <xsl:apply-imports>
      <xsl:with-param name="p"/>
    </xsl:apply-imports>
  </xsl:template>
</xsl:stylesheet>
