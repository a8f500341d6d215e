<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:character-map name="c" use-character-maps=""><xsl:output-character character="a" string="b"/></xsl:character-map>
  <xsl:output use-character-maps="c"/>
</xsl:stylesheet>
