#pragma once

#include <QByteArray>

// Inputs on which libxml2 or libxslt would work for longer than any test may wait.
namespace RunawayInputs {

// 2^levels template calls: each level calls the next twice. libxslt's depth limit never
// trips, since the depth is only `levels`.
inline QByteArray ExponentialStyleSheet(int levels = 60)
{
    QByteArray sheet = "<xsl:stylesheet version=\"1.0\" "
                       "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output "
                       "method=\"text\"/><xsl:template match=\"/\"><xsl:call-template "
                       "name=\"t0\"/></xsl:template>";
    for (int level = 0; level < levels; ++level) {
        const QByteArray name = "t" + QByteArray::number(level);
        const QByteArray next = "t" + QByteArray::number(level + 1);
        sheet += "<xsl:template name=\"" + name + "\">" +
                 (level + 1 < levels ? "<xsl:call-template name=\"" + next +
                                           "\"/><xsl:call-template name=\"" + next + "\"/>"
                                     : QByteArray("x")) +
                 "</xsl:template>";
    }
    return sheet + "</xsl:stylesheet>";
}

} // namespace RunawayInputs
