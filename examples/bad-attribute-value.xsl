<?xml version="1.0" encoding="UTF-8"?>
<!-- Code 8: the indent flag of xsl:output is "yes" or "no". -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" indent="true"/>
  <xsl:template match="/">
    <xsl:copy-of select="."/>
  </xsl:template>
</xsl:stylesheet>
