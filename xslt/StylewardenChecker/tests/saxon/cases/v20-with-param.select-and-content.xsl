<xsl:stylesheet version="2.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template name="t"><xsl:param name="p"/></xsl:template>
  <xsl:template match="/"><xsl:call-template name="t"><xsl:with-param name="p" select="1">2</xsl:with-param></xsl:call-template></xsl:template>
</xsl:stylesheet>
