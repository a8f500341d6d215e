<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:try select="1 div 0"><xsl:catch errors="err:FOAR0001 *:x Q{urn:e}*" xmlns:err="http://www.w3.org/2005/xqt-errors" select="0"/></xsl:try>
  </xsl:template>
</xsl:stylesheet>
