<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:try rollback-output="no"><xsl:sequence select="1"/><xsl:catch errors="*"><failed/></xsl:catch><xsl:catch/></xsl:try>
  </xsl:template>
</xsl:stylesheet>
