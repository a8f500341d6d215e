<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template name="Q{}plain" match="*" mode="Q{urn:m}m f:m"/>
  <xsl:function name="Q{urn:f}g"><xsl:sequence select="1"/></xsl:function>
  <xsl:strip-space elements="Q{urn:x}* *:p Q{}q"/>
</xsl:stylesheet>
