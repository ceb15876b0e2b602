#include "app/FindDialog.h"

#include "config/AppSettings.h"
#include "config/BuiltinResources.h"
#include "ui/DialogBuilder.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int KindBoxes[] = {FindDialog::NodeNamesId, FindDialog::NodeValuesId,
                             FindDialog::AttributeNamesId, FindDialog::AttributeValuesId,
                             FindDialog::CommentsId};
constexpr int OptionBoxes[] = {FindDialog::MatchCaseId, FindDialog::WholeWordId,
                               FindDialog::SearchUpId};

} // namespace

FindDialog::FindDialog(AppSettings* settings, const LanguageResource* language, QWidget* parent,
                       std::function<void()> onFindNext, std::function<void()> onFindAll)
    : QDialog(parent), m_settings(settings), m_onFindNext(std::move(onFindNext)),
      m_onFindAll(std::move(onFindAll))
{
    setModal(false);
    Build(language);
    ReadSettings();
    ShowFlags();
}

FindFlags FindDialog::FlagOf(int controlId)
{
    switch (controlId) {
    case NodeNamesId:
        return FindFlag::NodeNames;
    case NodeValuesId:
        return FindFlag::NodeValues;
    case AttributeNamesId:
        return FindFlag::AttributeNames;
    case AttributeValuesId:
        return FindFlag::AttributeValues;
    case CommentsId:
        return FindFlag::Comments;
    case MatchCaseId:
        return FindFlag::MatchCase;
    case WholeWordId:
        return FindFlag::MatchWholeWord;
    case SearchUpId:
        return FindFlag::SearchUp;
    default:
        return 0;
    }
}

void FindDialog::Build(const LanguageResource* language)
{
    // The language's dialog when it has one, else the built-in description: both go through
    // the same builder, so a translated layout only has to name the same controls.
    const std::optional<DialogDescription> description =
        BuiltinResources::Dialog(language, DialogId);
    if (description)
        DialogBuilder::Populate(this, *description);
    m_text = DialogBuilder::FindControlAs<QComboBox>(this, TextBoxId);
    m_findNext = DialogBuilder::FindControlAs<QPushButton>(this, FindNextId);
    m_cancel = DialogBuilder::FindControlAs<QPushButton>(this, CancelId);
    if (m_text) {
        m_text->setEditable(true);
        m_text->setInsertPolicy(QComboBox::NoInsert);
        m_text->setMaxCount(HistoryLimit);
        // No completer: the combo box's own one matches without regard to case, completes
        // inline and, on Enter, swaps the typed text for the history entry it matched, so
        // "BOOK" became "book" and "boo" became "book" under Match case or Match whole word.
        // The search text is what the user typed; the history stays in the drop-down list.
        m_text->setCompleter(nullptr);
    }
    if (m_findNext) {
        m_findNext->setDefault(true);
        connect(m_findNext, &QPushButton::clicked, this, &FindDialog::FindNext);
    }
    if (QPushButton* findAll = Button(FindAllId)) {
        findAll->setVisible(bool(m_onFindAll));
        connect(findAll, &QPushButton::clicked, this, &FindDialog::FindAll);
    }
    if (m_cancel)
        connect(m_cancel, &QPushButton::clicked, this, &FindDialog::Cancel);
    if (QCheckBox* everywhere = CheckBox(EverywhereId)) {
        everywhere->setTristate(true);
        connect(everywhere, &QCheckBox::clicked, this, &FindDialog::OnEverywhereClicked);
    }
    for (int id : KindBoxes) {
        if (QCheckBox* box = CheckBox(id))
            connect(box, &QCheckBox::clicked, this, [this, id] { OnBoxClicked(id); });
    }
    for (int id : OptionBoxes) {
        if (QCheckBox* box = CheckBox(id))
            connect(box, &QCheckBox::clicked, this, [this, id] { OnBoxClicked(id); });
    }
}

QCheckBox* FindDialog::CheckBox(int controlId) const
{
    return DialogBuilder::FindControlAs<QCheckBox>(this, quint16(controlId));
}

QPushButton* FindDialog::Button(int controlId) const
{
    return DialogBuilder::FindControlAs<QPushButton>(this, quint16(controlId));
}

QStringList FindDialog::History() const
{
    QStringList history;
    if (m_text) {
        for (int i = 0; i < m_text->count(); ++i)
            history << m_text->itemText(i);
    }
    return history;
}

void FindDialog::ReadSettings()
{
    if (!m_settings || !m_text)
        return;
    AppSettings::FindDialogState state;
    state.flags = m_flags;
    if (!m_settings->ReadFindDialog(state, HistoryLimit))
        return;
    m_text->clear();
    for (const QString& text : state.history) {
        if (!text.isEmpty() && m_text->count() < HistoryLimit)
            m_text->addItem(text);
    }
    if (m_text->count() > 0)
        m_text->setCurrentIndex(0);
    m_flags = state.flags;
}

void FindDialog::WriteSettings()
{
    if (!m_settings)
        return;
    AppSettings::FindDialogState state;
    state.history = History();
    state.flags = m_flags;
    m_settings->WriteFindDialog(state, HistoryLimit);
}

void FindDialog::SetFlags(FindFlags flags)
{
    m_flags = flags;
    ShowFlags();
}

void FindDialog::ShowFlags()
{
    for (int id : KindBoxes) {
        if (QCheckBox* box = CheckBox(id))
            box->setChecked((m_flags & FlagOf(id)) != 0);
    }
    for (int id : OptionBoxes) {
        if (QCheckBox* box = CheckBox(id))
            box->setChecked((m_flags & FlagOf(id)) != 0);
    }
    if (QCheckBox* everywhere = CheckBox(EverywhereId)) {
        const FindFlags kinds = m_flags & FindFlag::AllKinds;
        everywhere->setCheckState(kinds == FindFlag::AllKinds ? Qt::Checked
                                  : kinds != 0                ? Qt::PartiallyChecked
                                                              : Qt::Unchecked);
    }
}

void FindDialog::OnBoxClicked(int controlId)
{
    const QCheckBox* box = CheckBox(controlId);
    if (!box)
        return;
    if (box->isChecked())
        m_flags |= FlagOf(controlId);
    else
        m_flags &= ~FlagOf(controlId);
    ShowFlags();
}

void FindDialog::OnEverywhereClicked()
{
    // A three-state box goes from clear to checked and from checked or mixed to clear; only
    // the five kinds follow it, the options stay as they are.
    if ((m_flags & FindFlag::AllKinds) == 0)
        m_flags |= FindFlag::AllKinds;
    else
        m_flags &= ~FindFlag::AllKinds;
    ShowFlags();
}

void FindDialog::TakeSearchText()
{
    const QString text = m_text ? m_text->currentText() : QString();
    if (!text.isEmpty() && m_text) {
        for (int i = m_text->count() - 1; i >= 0; --i) {
            if (m_text->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
                m_text->removeItem(i);
        }
        m_text->insertItem(0, text);
        while (m_text->count() > HistoryLimit)
            m_text->removeItem(m_text->count() - 1);
        m_text->setCurrentIndex(0);
    }
    WriteSettings();
    m_searchText = text;
}

void FindDialog::FindNext()
{
    TakeSearchText();
    if (!m_searchText.isEmpty() && m_onFindNext)
        m_onFindNext();
}

void FindDialog::FindAll()
{
    TakeSearchText();
    if (!m_searchText.isEmpty() && m_onFindAll)
        m_onFindAll();
}

void FindDialog::FocusTextField()
{
    if (!isVisible() || !m_text)
        return;
    // The message box handed the activation back to the main window.
    raise();
    activateWindow();
    m_text->setFocus();
    if (QLineEdit* edit = m_text->lineEdit())
        edit->selectAll();
}

void FindDialog::Cancel()
{
    WriteSettings();
    hide();
}

void FindDialog::reject()
{
    // Escape is the Cancel button.
    Cancel();
}

void FindDialog::closeEvent(QCloseEvent* event)
{
    // The close box hides without writing the settings.
    event->accept();
    hide();
}

void FindDialog::ShowDialog()
{
    if (!m_placed) {
        m_placed = true;
        adjustSize();
        QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        QRect area = screen() ? screen()->availableGeometry() : QRect();
        QPoint centre = owner ? owner->frameGeometry().center() : area.center();
        QRect placed(QPoint(), size());
        placed.moveCenter(centre);
        if (area.isValid()) {
            placed.moveLeft(qBound(area.left(), placed.left(), area.right() - placed.width()));
            placed.moveTop(qBound(area.top(), placed.top(), area.bottom() - placed.height()));
        }
        move(placed.topLeft());
    }
    show();
    raise();
    activateWindow();
    if (m_text) {
        m_text->setFocus();
        if (QLineEdit* edit = m_text->lineEdit())
            edit->selectAll();
    }
}
