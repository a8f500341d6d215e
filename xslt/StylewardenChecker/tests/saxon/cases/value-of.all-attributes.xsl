<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:template match="/">
    <xsl:value-of select="1" separator="," disable-output-escaping="no" default-collation="http://www.w3.org/2005/xpath-functions/collation/codepoint" default-mode="#unnamed" default-validation="strip" exclude-result-prefixes="f" expand-text="no" extension-element-prefixes="" use-when="true()" version="3.0" xpath-default-namespace=""/><xsl:text disable-output-escaping="yes" default-collation="http://www.w3.org/2005/xpath-functions/collation/codepoint" default-mode="#unnamed" default-validation="strip" exclude-result-prefixes="f" expand-text="no" extension-element-prefixes="" use-when="true()" version="3.0" xpath-default-namespace="">t</xsl:text>
  </xsl:template>
</xsl:stylesheet>
