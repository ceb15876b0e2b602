#include "view/QtMessageBoxes.h"

#include <QMessageBox>

void QtMessageBoxes::ShowError(QWidget* owner, const QString& caption, const QString& text)
{
    QMessageBox::critical(owner, caption, text, QMessageBox::Ok);
}

void QtMessageBoxes::ShowInformation(QWidget* owner, const QString& caption, const QString& text)
{
    QMessageBox::information(owner, caption, text, QMessageBox::Ok);
}

MessageBoxes::Answer QtMessageBoxes::AskYesNoCancel(QWidget* owner, const QString& caption,
                                                    const QString& text)
{
    const QMessageBox::StandardButton button = QMessageBox::question(
        owner, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
        QMessageBox::Yes);
    if (button == QMessageBox::Yes)
        return Answer::Yes;
    if (button == QMessageBox::No)
        return Answer::No;
    return Answer::Cancel;
}
