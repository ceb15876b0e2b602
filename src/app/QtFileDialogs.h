#pragma once

#include "app/FileDialogs.h"

// The file dialogs on QFileDialog.
class QtFileDialogs : public FileDialogs {
public:
    QStringList GetOpenFileNames(QWidget* owner, const QString& filter) override;
    QString GetOpenFileName(QWidget* owner, const QString& filter,
                            const QString& start = {}) override;
    QString GetSaveFileName(QWidget* owner, const QString& filter, const QString& folder,
                            const QString& initialName, const QString& defaultExtension) override;
};
