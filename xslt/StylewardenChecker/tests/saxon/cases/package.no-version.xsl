<xsl:package name="urn:p" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template name="t"/>
</xsl:package>
