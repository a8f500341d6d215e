<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:accumulator name="a" initial-value="0"><xsl:accumulator-rule match="*" select="1"/></xsl:accumulator>
  <xsl:mode name="m" streamable="no" use-accumulators="a" on-no-match="text-only-copy" on-multiple-match="fail" warning-on-no-match="no" warning-on-multiple-match="yes" typed="lax" visibility="private" default-collation="http://www.w3.org/2005/xpath-functions/collation/codepoint" default-mode="#unnamed" default-validation="strip" exclude-result-prefixes="f" expand-text="no" extension-element-prefixes="" use-when="true()" version="3.0" xpath-default-namespace=""/>
</xsl:stylesheet>
