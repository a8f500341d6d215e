<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:source-document href="if.valid.xsl" streamable="no" use-accumulators="#all"><xsl:value-of select="name(*)"/></xsl:source-document>
  </xsl:template>
</xsl:stylesheet>
