<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:fork><xsl:sequence select="1"/><xsl:sequence select="2"/><xsl:fallback/></xsl:fork>
  </xsl:template>
</xsl:stylesheet>
