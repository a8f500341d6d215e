<?xml version="1.0"?>
<!-- a top-level element in no namespace -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <data/>
  <xsl:template match="/">
  </xsl:template>
</xsl:stylesheet>
