<r xsl:version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"><xsl:break/></r>
