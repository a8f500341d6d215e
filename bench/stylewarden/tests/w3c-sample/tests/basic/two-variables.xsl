<xsl:package name="urn:two-variables" version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:variable name="v" select="1"/>
  <xsl:variable name="v" select="2"/>
</xsl:package>
