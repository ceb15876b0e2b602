#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every file dialog of the shell goes through this interface, so tests can answer them in
// advance. Filters use the "Description|pattern|...||" form of the string table.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Several files; empty when cancelled.
    virtual QStringList GetOpenFileNames(QWidget* owner, const QString& filter) = 0;
    // One file, starting at `start` (a file or folder) when given; empty when cancelled.
    virtual QString GetOpenFileName(QWidget* owner, const QString& filter,
                                    const QString& start = {}) = 0;
    // Starts in `folder` (when given) with `initialName`; asks before overwriting; empty
    // when cancelled.
    virtual QString GetSaveFileName(QWidget* owner, const QString& filter, const QString& folder,
                                    const QString& initialName,
                                    const QString& defaultExtension) = 0;

    // "XML Files (*.xml)|*.xml|All files|*.*||" as Qt's "XML Files (*.xml);;All files (*)".
    static QString ToQtFilter(const QString& filter);
};
