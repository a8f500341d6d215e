<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all" default-mode="a">
  <xsl:mode name="a"/><xsl:mode name="b"/>
  <xsl:template match="*" mode="a b #unnamed"><xsl:apply-templates mode="#unnamed"/><xsl:next-match/></xsl:template>
</xsl:stylesheet>
