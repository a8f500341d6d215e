<xsl:stylesheet version="2.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="*" mode="#all">
    <xsl:for-each-group select="*" group-by="name()"><xsl:result-document href="{current-grouping-key()}.xml"><xsl:sequence select="current-group()"/></xsl:result-document></xsl:for-each-group><xsl:next-match/>
  </xsl:template>
</xsl:stylesheet>
