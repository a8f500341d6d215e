<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:map><xsl:map-entry key="'a'" select="1"/><xsl:map-entry key="'b'">2</xsl:map-entry></xsl:map>
  </xsl:template>
</xsl:stylesheet>
