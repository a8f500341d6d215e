<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:attribute-set name="a"/>
  <xsl:attribute-set name="b" use-attribute-sets="a" visibility="private" streamable="no" default-collation="http://www.w3.org/2005/xpath-functions/collation/codepoint" default-mode="#unnamed" default-validation="strip" exclude-result-prefixes="f" expand-text="no" extension-element-prefixes="" use-when="true()" version="3.0" xpath-default-namespace=""/>
</xsl:stylesheet>
