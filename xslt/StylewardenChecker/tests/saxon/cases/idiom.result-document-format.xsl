<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:output name="f" method="text"/>
  <xsl:template match="/"><xsl:result-document format="f" href="out.txt">t</xsl:result-document></xsl:template>
</xsl:stylesheet>
