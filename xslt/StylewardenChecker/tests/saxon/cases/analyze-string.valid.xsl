<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:analyze-string select="'a1b'" regex="[0-9]" flags="i">
      <xsl:matching-substring><n/></xsl:matching-substring>
      <xsl:non-matching-substring><t/></xsl:non-matching-substring>
      <xsl:fallback/>
    </xsl:analyze-string>
  </xsl:template>
</xsl:stylesheet>
