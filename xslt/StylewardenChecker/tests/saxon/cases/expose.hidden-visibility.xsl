<xsl:package name="urn:p" package-version="1.0" version="3.0" declared-modes="yes" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f">
  <xsl:expose component="template" names="*" visibility="hidden"/>
</xsl:package>
