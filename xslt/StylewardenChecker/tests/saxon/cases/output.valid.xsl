<xsl:stylesheet version="3.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:f="urn:f" exclude-result-prefixes="#all">
  <xsl:output method="html" html-version="5" build-tree="yes" item-separator=" " json-node-output-method="xml" allow-duplicate-names="no" include-content-type="yes" normalization-form="NFC" undeclare-prefixes="no" suppress-indentation="pre" parameter-document="p.xml" byte-order-mark="no" escape-uri-attributes="yes" indent="true"/>
</xsl:stylesheet>
