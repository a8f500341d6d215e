<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:number select="." level="any" count="*" from="/" format="a" lang="en" letter-value="alphabetic" ordinal="yes" start-at="1" grouping-separator="," grouping-size="3" default-collation="http://www.w3.org/2005/xpath-functions/collation/codepoint" default-mode="#unnamed" default-validation="strip" exclude-result-prefixes="f" expand-text="no" extension-element-prefixes="" use-when="true()" version="3.0" xpath-default-namespace=""/>
  </xsl:template>
</xsl:stylesheet>
