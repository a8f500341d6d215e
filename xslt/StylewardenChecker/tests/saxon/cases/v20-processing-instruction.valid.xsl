<xsl:stylesheet version="2.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:processing-instruction name="pi" select="'x'"/>
  </xsl:template>
</xsl:stylesheet>
