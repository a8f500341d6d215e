<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:variable name="debug" static="yes" select="false()"/>
  <xsl:template match="/" use-when="not($debug)"><xsl:message use-when="$debug">d</xsl:message></xsl:template>
</xsl:stylesheet>
