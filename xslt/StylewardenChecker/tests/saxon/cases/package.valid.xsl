<xsl:package name="urn:p" package-version="1.0" version="3.0" declared-modes="yes" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f">
  <xsl:expose component="function" names="f:*" visibility="public"/>
  <xsl:function name="f:one" visibility="final"><xsl:sequence select="1"/></xsl:function>
  <xsl:template name="xsl:initial-template"/>
</xsl:package>
