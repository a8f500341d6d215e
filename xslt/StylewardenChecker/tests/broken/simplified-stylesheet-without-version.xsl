<?xml version="1.0"?>
<!-- a simplified stylesheet without xsl:version -->
<html xmlns:xsl="http://www.w3.org/1999/XSL/Transform"><xsl:value-of select="1"/></html>
