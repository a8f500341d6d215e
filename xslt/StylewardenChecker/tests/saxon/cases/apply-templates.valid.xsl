<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:mode name="m"/>
  <xsl:template match="*" mode="m #default"><xsl:apply-templates select="*" mode="#current"><xsl:sort select="@k"/><xsl:with-param name="p" select="1" tunnel="yes"/></xsl:apply-templates></xsl:template>
</xsl:stylesheet>
