<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all" default-mode="#unnamed" default-validation="strip" default-collation="http://www.w3.org/2005/xpath-functions/collation/codepoint" expand-text="yes" xpath-default-namespace="" input-type-annotations="unspecified" use-when="true()">
  <xsl:template match="/" name="xsl:initial-template"/>
</xsl:stylesheet>
