<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:iterate select="1 to 3"><xsl:param name="sum" select="0" as="xs:integer"/><xsl:on-completion select="$sum"/><xsl:next-iteration><xsl:with-param name="sum" select="$sum + ."/></xsl:next-iteration></xsl:iterate>
  </xsl:template>
</xsl:stylesheet>
