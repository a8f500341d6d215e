<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:iterate select="1 to 2"><xsl:param name="p" select="0"/><xsl:next-iteration><xsl:with-param name="p" select="1"/></xsl:next-iteration></xsl:iterate>
  </xsl:template>
</xsl:stylesheet>
