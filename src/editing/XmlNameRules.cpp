#include "editing/XmlNameRules.h"

namespace {

bool IsNameStart(char16_t c)
{
    return c == u':' || (c >= u'A' && c <= u'Z') || c == u'_' || (c >= u'a' && c <= u'z') ||
           (c >= 0x00C0 && c <= 0x00D6) || (c >= 0x00D8 && c <= 0x00F6) ||
           (c >= 0x00F8 && c <= 0x02FF) || (c >= 0x0370 && c <= 0x037D) ||
           (c >= 0x037F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) ||
           (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD);
}

bool IsNameChar(char16_t c)
{
    return IsNameStart(c) || c == u'-' || c == u'.' || (c >= u'0' && c <= u'9') || c == 0x00B7 ||
           (c >= 0x0300 && c <= 0x036F) || (c >= 0x203F && c <= 0x2040);
}

} // namespace

bool IsValidXmlName(QStringView text)
{
    if (text.isEmpty() || !IsNameStart(text.front().unicode()))
        return false;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (!IsNameChar(text[i].unicode()))
            return false;
    }
    return true;
}
