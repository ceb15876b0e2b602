#pragma once

#include "editing/FindFlags.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

class AppSettings;
class LanguageResource;
class QCheckBox;
class QComboBox;
class QPushButton;

// The modeless Find dialog (dialog 214): search text with its history, what to look in, the
// options. Find next reports to its owner through a callback, which sends the find request to
// the active view.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int DialogId = 214;
    static constexpr int HistoryLimit = 50;
    // Control IDs of the dialog description.
    static constexpr int TextBoxId = 1009;
    static constexpr int EverywhereId = 1010;
    static constexpr int NodeNamesId = 1012;
    static constexpr int NodeValuesId = 1013;
    static constexpr int AttributeNamesId = 1014;
    static constexpr int AttributeValuesId = 1015;
    static constexpr int CommentsId = 1016;
    static constexpr int MatchCaseId = 1017;
    static constexpr int WholeWordId = 1018;
    static constexpr int SearchUpId = 1019;
    static constexpr int FindNextId = 1020;
    static constexpr int FindAllId = 1021;
    static constexpr int CancelId = 2;

    // Built hidden from the language's dialog 214 when it has one, else the built-in one;
    // the history and flags come from the settings (Everywhere on first use). Find all is
    // offered when the description has its button.
    FindDialog(AppSettings* settings, const LanguageResource* language, QWidget* parent,
               std::function<void()> onFindNext, std::function<void()> onFindAll = {});

    // Shows the dialog (centred over the main window the first time) with the keyboard focus
    // in the text field.
    void ShowDialog();

    // Back to the text field after a search the user has to answer (nothing found), when the
    // dialog is up.
    void FocusTextField();

    // The text of the last Find next or Find all, and the options.
    QString SearchText() const { return m_searchText; }
    FindFlags Flags() const { return m_flags; }
    QStringList History() const;

    // What the buttons and boxes do, also for tests.
    void FindNext();
    void FindAll();
    void Cancel();
    void SetFlags(FindFlags flags);
    QComboBox* TextBox() const { return m_text; }
    QCheckBox* CheckBox(int controlId) const;
    QPushButton* Button(int controlId) const;

    static FindFlags FlagOf(int controlId);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Build(const LanguageResource* language);
    void ReadSettings();
    void WriteSettings();
    void OnBoxClicked(int controlId);
    void OnEverywhereClicked();
    void ShowFlags();
    // Takes the typed text as the search text, first in the history.
    void TakeSearchText();

    AppSettings* m_settings;
    std::function<void()> m_onFindNext;
    std::function<void()> m_onFindAll;
    QComboBox* m_text = nullptr;
    QPushButton* m_findNext = nullptr;
    QPushButton* m_cancel = nullptr;
    FindFlags m_flags = FindFlag::AllKinds;
    QString m_searchText;
    bool m_placed = false;
};
