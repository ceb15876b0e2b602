#pragma once

#include "app/DesktopServices.h"
#include "app/FileDialogs.h"
#include "view/BusyCursor.h"
#include "view/MessageBoxes.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// Message boxes answered in advance; every box shown is recorded.
class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        QString kind;
        QString caption;
        QString text;
    };
    std::vector<Shown> shown;
    std::deque<Answer> answers; // for AskYesNoCancel, in order; Cancel when none is left
    int shownBusy = 0;          // boxes that came up under the busy cursor

    void ShowError(QWidget*, const QString& caption, const QString& text) override
    {
        Record({QStringLiteral("error"), caption, text});
    }
    void ShowInformation(QWidget*, const QString& caption, const QString& text) override
    {
        Record({QStringLiteral("information"), caption, text});
    }
    Answer AskYesNoCancel(QWidget*, const QString& caption, const QString& text) override
    {
        Record({QStringLiteral("question"), caption, text});
        if (answers.empty())
            return Answer::Cancel;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

private:
    void Record(Shown box)
    {
        shown.push_back(std::move(box));
        shownBusy += BusyCursor::IsShown();
    }
};

// File dialogs answered in advance; an empty queue answers Cancel.
class ScriptedFileDialogs : public FileDialogs {
public:
    struct SaveCall {
        QString folder;
        QString initialName;
        QString defaultExtension;
    };
    std::deque<QStringList> openAnswers;
    std::deque<QString> saveAnswers;
    std::vector<SaveCall> saveCalls;
    std::vector<QString> filters;
    int shownBusy = 0; // dialogs that came up under the busy cursor

    QStringList GetOpenFileNames(QWidget*, const QString& filter) override
    {
        filters.push_back(filter);
        shownBusy += BusyCursor::IsShown();
        if (openAnswers.empty())
            return {};
        QStringList answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    std::vector<QString> openStarts; // where each single-file dialog started
    QString GetOpenFileName(QWidget* owner, const QString& filter, const QString& start) override
    {
        openStarts.push_back(start);
        const QStringList files = GetOpenFileNames(owner, filter);
        return files.isEmpty() ? QString() : files.first();
    }
    QString GetSaveFileName(QWidget*, const QString& filter, const QString& folder,
                            const QString& initialName, const QString& defaultExtension) override
    {
        filters.push_back(filter);
        shownBusy += BusyCursor::IsShown();
        saveCalls.push_back({folder, initialName, defaultExtension});
        if (saveAnswers.empty())
            return {};
        QString answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
};

class RecordingDesktop : public DesktopServices {
public:
    QStringList openedUrls;
    QStringList shownFiles;
    bool OpenUrl(const QString& url) override
    {
        openedUrls << url;
        return true;
    }
    bool ShowInFolder(const QString& path) override
    {
        shownFiles << path;
        return true;
    }
    QStringList recentlyUsed;
    void NoteRecentlyUsed(const QString& path) override { recentlyUsed << path; }
};
