<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template name="Q{urn:t}t"><xsl:param name="p"/></xsl:template>
  <xsl:template match="/"><xsl:call-template name="Q{urn:t}t"><xsl:with-param name="p" select="1"/></xsl:call-template></xsl:template>
</xsl:stylesheet>
