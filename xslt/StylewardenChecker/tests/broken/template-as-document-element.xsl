<?xml version="1.0"?>
<!-- xsl:template as the document element -->
<xsl:template match="/" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"/>
