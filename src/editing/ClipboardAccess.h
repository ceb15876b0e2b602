#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The system clipboard as the editing engine needs it. Formats are named by their registered
// names; the implementation maps a name to whatever the platform uses.
class ClipboardAccess {
public:
    virtual ~ClipboardAccess() = default;
    // Whether the clipboard currently lists the format; false when it cannot be read.
    virtual bool HasFormat(const QString& format) const = 0;
    // The block stored under the format; none when the clipboard cannot be read or lacks it.
    virtual std::optional<QByteArray> GetData(const QString& format) const = 0;
    // Empties the clipboard and puts the block under the format; false when it was refused.
    virtual bool SetData(const QString& format, const QByteArray& bytes) = 0;
    // Empties the clipboard and puts the text as Unicode text; false when it was refused.
    virtual bool SetText(const QString& text) = 0;
};
