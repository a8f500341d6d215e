<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="*" name="t" mode="#all" priority="-1.5" as="item()*" visibility="public"><xsl:context-item use="required"/><xsl:param name="p" as="xs:integer?" tunnel="yes" required="yes"/><x/></xsl:template>
</xsl:stylesheet>
