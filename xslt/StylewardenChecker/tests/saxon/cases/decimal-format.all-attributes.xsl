<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:decimal-format name="d" decimal-separator="." grouping-separator="," infinity="inf" minus-sign="-" exponent-separator="e" NaN="nan" percent="%" per-mille="&#x2030;" zero-digit="0" digit="#" pattern-separator=";"/>
</xsl:stylesheet>
