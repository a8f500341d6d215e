<?xml version="1.0" encoding="UTF-8"?>
<!-- A correct XSLT 1.0 stylesheet: stylewarden prints nothing for it. It turns a list of
     books into an HTML table, sorted by title, with the authors joined by commas. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" indent="yes" encoding="UTF-8"/>
  <xsl:param name="heading" select="'Books'"/>
  <xsl:key name="by-year" match="book" use="@year"/>

  <xsl:attribute-set name="cell">
    <xsl:attribute name="class">cell</xsl:attribute>
  </xsl:attribute-set>

  <xsl:template match="/">
    <html>
      <body>
        <h1><xsl:value-of select="$heading"/></h1>
        <xsl:apply-templates select="library"/>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="library">
    <table>
      <xsl:for-each select="book">
        <xsl:sort select="title" order="ascending"/>
        <tr>
          <td xsl:use-attribute-sets="cell"><xsl:value-of select="title"/></td>
          <td>
            <xsl:call-template name="authors">
              <xsl:with-param name="list" select="author"/>
            </xsl:call-template>
          </td>
          <td>
            <xsl:choose>
              <xsl:when test="@year &lt; 1900">classic</xsl:when>
              <xsl:otherwise><xsl:value-of select="@year"/></xsl:otherwise>
            </xsl:choose>
          </td>
        </tr>
      </xsl:for-each>
    </table>
  </xsl:template>

  <xsl:template name="authors">
    <xsl:param name="list"/>
    <xsl:for-each select="$list">
      <xsl:value-of select="."/>
      <xsl:if test="position() != last()">, </xsl:if>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
