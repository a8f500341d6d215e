<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:variable name="a" as="item()" select="1"/>
  <xsl:variable name="b" as="empty-sequence()" select="()"/>
  <xsl:variable name="c" as="element(f:e, xs:anyType)?" select="()"/>
  <xsl:variable name="d" as="document-node(element(*))*" select="()"/>
  <xsl:variable name="e" as="Q{http://www.w3.org/2001/XMLSchema}integer+" select="1"/>
</xsl:stylesheet>
