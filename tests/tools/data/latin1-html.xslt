<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="ISO-8859-1"/>
  <xsl:template match="/">
    <html><head><title>Übersicht</title></head><body><p>Grüße</p></body></html>
  </xsl:template>
</xsl:stylesheet>
