<xsl:stylesheet version="2.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:character-map name="c"><xsl:output-character character="&#xA0;" string="&amp;nbsp;"/></xsl:character-map>
</xsl:stylesheet>
