#include "app/QtFileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

QStringList QtFileDialogs::GetOpenFileNames(QWidget* owner, const QString& filter)
{
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(ToQtFilter(filter));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtFileDialogs::GetOpenFileName(QWidget* owner, const QString& filter, const QString& start)
{
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(ToQtFilter(filter));
    if (!start.isEmpty()) {
        const QFileInfo info(start);
        dialog.setDirectory(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
        if (info.isFile())
            dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtFileDialogs::GetSaveFileName(QWidget* owner, const QString& filter, const QString& folder,
                                       const QString& initialName, const QString& defaultExtension)
{
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(ToQtFilter(filter));
    dialog.setDefaultSuffix(defaultExtension);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}
