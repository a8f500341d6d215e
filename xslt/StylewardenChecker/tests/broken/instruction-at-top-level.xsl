<?xml version="1.0"?>
<!-- an instruction at the top level -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:value-of select="1"/>
</xsl:stylesheet>
