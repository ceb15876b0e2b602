<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="types/imported.xslt"/>
  <xsl:output method="text"/>
  <xsl:template match="/">
    <xsl:apply-templates select="order/item"/>
    <xsl:value-of select="document('lookup.xml')/lookup/@name"/>
  </xsl:template>
</xsl:stylesheet>
