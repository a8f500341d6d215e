<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/" expand-text="yes"><r a="{1}">{name(*)} <xsl:text>{1 + 1}</xsl:text></r></xsl:template>
</xsl:stylesheet>
