<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:copy select="." copy-namespaces="yes" inherit-namespaces="no" validation="strip"><xsl:fallback/></xsl:copy>
  </xsl:template>
</xsl:stylesheet>
