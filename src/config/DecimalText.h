#pragma once

#include <QString>
#include <QStringView>

// Numbers in the settings and language files are read the way C's decimal conversion reads
// them, so hand-edited values behave as they always have.
class DecimalText {
public:
    // Leading white space and one sign are accepted, reading stops at the first non-digit, and
    // text without digits gives 0. Out-of-range values saturate at the 32-bit limits.
    static qint32 ToInt(QStringView text);
    // The same reading, but the value is taken modulo 2^32, so a window style written either as
    // a large unsigned number or as its negative signed form gives the same bits.
    static quint32 ToBits(QStringView text);
    static QString FromInt(qint32 value) { return QString::number(value); }
    static QString FromFlag(bool value)
    {
        return value ? QStringLiteral("1") : QStringLiteral("0");
    }

private:
    // Digits beyond what fits are ignored once the value is saturated; the flag says so.
    static qint64 Read(QStringView text, bool& overflow);
};
