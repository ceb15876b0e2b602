#pragma once

#include <QDialog>
#include <QString>

// The about box: the program, its version, what it is and what it stands on.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* owner);
    static void Show(QWidget* owner);
    // The box's text (rich text), with the versions of the libraries in use.
    static QString Text();
};
