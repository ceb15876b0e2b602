#pragma once

#include "view/MessageBoxes.h"

#include <QString>
#include <vector>

// Records every message box instead of showing it; questions answer `answer`.
class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        QString kind;
        QString caption;
        QString text;
    };
    std::vector<Shown> shown;
    Answer answer = Answer::Cancel;

    void ShowError(QWidget*, const QString& caption, const QString& text) override
    {
        shown.push_back({QStringLiteral("error"), caption, text});
    }
    void ShowInformation(QWidget*, const QString& caption, const QString& text) override
    {
        shown.push_back({QStringLiteral("information"), caption, text});
    }
    Answer AskYesNoCancel(QWidget*, const QString& caption, const QString& text) override
    {
        shown.push_back({QStringLiteral("question"), caption, text});
        return answer;
    }
};
