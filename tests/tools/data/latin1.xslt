<?xml version="1.0" encoding="UTF-8"?>
<!-- Names ISO-8859-1 for its output; the editor still writes UTF-8. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" encoding="ISO-8859-1"/>
  <xsl:template match="/">
    <greeting lang="de">Grüße, <xsl:value-of select="order/item/@sku"/> – 5 €</greeting>
  </xsl:template>
</xsl:stylesheet>
