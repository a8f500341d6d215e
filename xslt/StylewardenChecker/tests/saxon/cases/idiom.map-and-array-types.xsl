<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:variable name="m" as="map(xs:string, item()*)" select="map{}"/>
  <xsl:variable name="a" as="array(*)" select="[]"/>
  <xsl:variable name="g" as="function(xs:integer) as xs:integer" select="function($x) { $x }"/>
  <xsl:variable name="u" as="(element())*" select="()"/>
</xsl:stylesheet>
