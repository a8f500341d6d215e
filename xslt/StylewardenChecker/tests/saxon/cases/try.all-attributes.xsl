<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:try select="1" rollback-output="yes" default-collation="http://www.w3.org/2005/xpath-functions/collation/codepoint" default-mode="#unnamed" default-validation="strip" exclude-result-prefixes="f" expand-text="no" extension-element-prefixes="" use-when="true()" version="3.0" xpath-default-namespace=""><xsl:catch errors="*" select="0" default-collation="http://www.w3.org/2005/xpath-functions/collation/codepoint" default-mode="#unnamed" default-validation="strip" exclude-result-prefixes="f" expand-text="no" extension-element-prefixes="" use-when="true()" version="3.0" xpath-default-namespace=""/></xsl:try>
  </xsl:template>
</xsl:stylesheet>
