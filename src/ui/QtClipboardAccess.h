#pragma once

#include "editing/ClipboardAccess.h"

// The system clipboard through QClipboard. Formats travel as MIME types; on Windows Qt's
// windows-mime form registers the private format under its plain name, so running editors of
// either kind of build understand each other's blocks.
class QtClipboardAccess : public ClipboardAccess {
public:
    static QString MimeType(const QString& format);

    bool HasFormat(const QString& format) const override;
    std::optional<QByteArray> GetData(const QString& format) const override;
    bool SetData(const QString& format, const QByteArray& bytes) override;
    bool SetText(const QString& text) override;
};
