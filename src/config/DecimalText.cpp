#include "config/DecimalText.h"

#include <limits>

namespace {

bool IsCSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\n' || u == u'\v' || u == u'\f' || u == u'\r';
}

constexpr qint64 kSaturation = qint64(1) << 40;

} // namespace

qint64 DecimalText::Read(QStringView text, bool& overflow)
{
    overflow = false;
    qsizetype i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9')
            break;
        if (value < kSaturation)
            value = value * 10 + (u - u'0');
        else
            overflow = true;
    }
    return negative ? -value : value;
}

qint32 DecimalText::ToInt(QStringView text)
{
    bool overflow = false;
    const qint64 value = Read(text, overflow);
    if (value > std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max();
    if (value < std::numeric_limits<qint32>::min())
        return std::numeric_limits<qint32>::min();
    return qint32(value);
}

quint32 DecimalText::ToBits(QStringView text)
{
    bool overflow = false;
    const qint64 value = Read(text, overflow);
    if (overflow)
        return value < 0 ? 0x80000000u : 0xFFFFFFFFu;
    return quint32(quint64(value) & 0xFFFFFFFFu);
}
