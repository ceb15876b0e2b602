#pragma once

#include "editing/ClipboardAccess.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// A clipboard held in memory, shared like the system one; `refuse` makes it unopenable.
class MemoryClipboard : public ClipboardAccess {
public:
    bool refuse = false;
    QHash<QString, QByteArray> formats;
    QString text;
    bool hasText = false;

    bool HasFormat(const QString& format) const override
    {
        return !refuse && formats.contains(format);
    }
    std::optional<QByteArray> GetData(const QString& format) const override
    {
        if (refuse || !formats.contains(format))
            return std::nullopt;
        return formats.value(format);
    }
    bool SetData(const QString& format, const QByteArray& bytes) override
    {
        if (refuse)
            return false;
        Clear();
        formats.insert(format, bytes);
        return true;
    }
    bool SetText(const QString& value) override
    {
        if (refuse)
            return false;
        Clear();
        text = value;
        hasText = true;
        return true;
    }

private:
    void Clear()
    {
        formats.clear();
        text.clear();
        hasText = false;
    }
};
