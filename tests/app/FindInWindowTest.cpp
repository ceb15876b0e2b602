#include "ShellFixture.h"
#include "app/FindDialog.h"
#include "app/FindResultsPane.h"
#include "config/StringTable.h"
#include "editing/CommandId.h"
#include "view/TreeListView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

namespace {

const QByteArray kLibrary = "<?xml version=\"1.0\"?>\n"
                            "<library name=\"City\">\n"
                            "  <book><title>Pride</title><creator>Jane Austen</creator></book>\n"
                            "  <book><title>Eighty-Four</title><creator>George Orwell</creator>"
                            "<year>1949</year></book>\n"
                            "  <book><title>Time</title></book>\n"
                            "</library>\n";

class FindInWindowTest : public ShellFixture {
protected:
    FindDialog* find = nullptr;

    void SetUp() override
    {
        ShellFixture::SetUp();
        ASSERT_EQ(OpenPath(MakeFile(QStringLiteral("library.xml"), kLibrary)), 0);
        find = Tabs().Find();
    }
    TreeListView* View() { return Tabs().ActiveFrame()->View(); }
    const XmlNode* Selected() { return View()->SelectedNode(); }
    void Search(const QString& text)
    {
        find->TextBox()->setEditText(text);
        find->Button(FindDialog::FindNextId)->click();
    }
    QAction* Action(int id) { return frame->ActionsFor(id).value(0); }
    QString Notice() { return frame->statusBar()->currentMessage(); }
    int NotFoundBoxes() { return int(boxes.shown.size()); }
};

} // namespace

TEST_F(FindInWindowTest, FirstUseLooksEverywhereAndFindsTextContent)
{
    frame->HandleCommand(57636);
    ASSERT_TRUE(find->isVisible());
    EXPECT_EQ(find->CheckBox(FindDialog::EverywhereId)->checkState(), Qt::Checked);
    for (const char* text : {"George Orwell", "Orwell", "1949"}) {
        Search(QString::fromLatin1(text));
        ASSERT_NE(Selected(), nullptr) << text;
        EXPECT_EQ(Selected()->Kind(), XmlNodeKind::Text) << text;
        EXPECT_TRUE(Selected()->ValueView().contains(QLatin1String(text))) << text;
    }
    EXPECT_EQ(NotFoundBoxes(), 0);
}

TEST_F(FindInWindowTest, RepeatKeysSearchAgainAndTellAboutWrapping)
{
    QAction* next = Action(CommandId::FindNext);
    QAction* previous = Action(CommandId::FindPrevious);
    ASSERT_NE(next, nullptr);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(next->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(previous->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));

    // Nothing to repeat yet: F3 asks for the text.
    next->trigger();
    EXPECT_TRUE(find->isVisible());
    find->CheckBox(FindDialog::WholeWordId)->click();
    Search(QStringLiteral("book"));
    find->Cancel();
    const XmlNode* library = Tabs().ActiveFrame()->Document()->Root()->FirstChild();
    std::vector<int32_t> books;
    for (int i = 0; i < library->ChildCount(); ++i) {
        if (library->ChildAt(i)->LocalName() == u"book")
            books.push_back(library->ChildAt(i)->Id());
    }
    ASSERT_EQ(books.size(), 3u);
    EXPECT_EQ(Selected()->Id(), books[0]);

    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    View()->setFocus();
    QTest::keyClick(frame.get(), Qt::Key_F3);
    EXPECT_EQ(Selected()->Id(), books[1]);
    next->trigger();
    EXPECT_EQ(Selected()->Id(), books[2]);
    EXPECT_TRUE(Notice().isEmpty());
    next->trigger();
    EXPECT_EQ(Selected()->Id(), books[0]);
    EXPECT_EQ(Notice(), StringTable::Text(StringId::SearchWrappedToTop));

    frame->statusBar()->clearMessage();
    QTest::keyClick(frame.get(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Selected()->Id(), books[2]);
    EXPECT_EQ(Notice(), StringTable::Text(StringId::SearchWrappedToBottom));
    previous->trigger();
    EXPECT_EQ(Selected()->Id(), books[1]);
    // The dialog's own Search up is left as the user set it.
    EXPECT_FALSE(find->Flags() & FindFlag::SearchUp);
    EXPECT_EQ(NotFoundBoxes(), 0);
}

TEST_F(FindInWindowTest, TypedTextIsSearchedAsTypedAndTheFieldGetsTheFocusBack)
{
    Search(QStringLiteral("book"));
    frame->HandleCommand(57636);
    find->CheckBox(FindDialog::MatchCaseId)->click();
    QApplication::setActiveWindow(find);
    ASSERT_TRUE(QTest::qWaitForWindowActive(find));
    QLineEdit* field = find->TextBox()->lineEdit();
    ASSERT_NE(field, nullptr);

    field->clear();
    QTest::keyClicks(field, QStringLiteral("BOOK"));
    EXPECT_EQ(field->text(), QStringLiteral("BOOK"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(find->SearchText(), QStringLiteral("BOOK"));
    EXPECT_EQ(NotFoundBoxes(), 1);

    find->CheckBox(FindDialog::MatchCaseId)->click();
    find->CheckBox(FindDialog::WholeWordId)->click();
    field->clear();
    QTest::keyClicks(field, QStringLiteral("boo"));
    EXPECT_EQ(field->text(), QStringLiteral("boo"));
    // As after a click on the button, which takes the focus.
    find->Button(FindDialog::FindNextId)->setFocus();
    find->Button(FindDialog::FindNextId)->click();
    EXPECT_EQ(find->SearchText(), QStringLiteral("boo"));
    EXPECT_EQ(NotFoundBoxes(), 2);
    EXPECT_EQ(QApplication::focusWidget(), find->TextBox()); // the line edit's focus proxy
    EXPECT_TRUE(find->isVisible());
}

TEST_F(FindInWindowTest, FindAllListsMatchesAndSelectsThePickedOne)
{
    FindResultsPane* results = frame->FindResults();
    ASSERT_NE(results, nullptr);
    EXPECT_FALSE(results->isVisibleTo(frame.get()));
    find->TextBox()->setEditText(QStringLiteral("orw"));
    QPushButton* findAll = find->Button(FindDialog::FindAllId);
    ASSERT_NE(findAll, nullptr);
    find->CheckBox(FindDialog::EverywhereId)->click(); // clear
    find->CheckBox(FindDialog::NodeValuesId)->click();
    findAll->click();
    EXPECT_TRUE(results->isVisibleTo(frame.get()));
    // Values only: the text, not the creator element's name.
    QTreeWidget* list = results->List();
    ASSERT_EQ(results->Count(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("#Text"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("George Orwell"));
    EXPECT_TRUE(list->topLevelItem(0)->text(0).endsWith(u"/library/book/creator"));
    EXPECT_EQ(Notice(), QStringLiteral("Found: 1"));

    // The next Find all replaces the list; picking a row selects its node.
    find->CheckBox(FindDialog::EverywhereId)->click(); // mixed goes to clear
    find->CheckBox(FindDialog::EverywhereId)->click();
    find->TextBox()->setEditText(QStringLiteral("title"));
    findAll->click();
    ASSERT_EQ(results->Count(), 3);
    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_NE(Selected(), nullptr);
    EXPECT_EQ(Selected()->LocalName(), u"title");
    EXPECT_EQ(Selected()->FirstChild()->ValueView(), u"Eighty-Four");

    // In the list, Delete deletes no node and Ctrl+C copies the row, not the node.
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_FALSE(Tabs().ActiveFrame()->Document()->IsModified());
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), list->currentItem()->text(0));

    // A row whose node is gone, or whose tab is, does nothing.
    const int32_t chosen = Selected()->Id();
    ASSERT_TRUE(Tabs().ActiveFrame()->Document()->DeleteNode(chosen));
    const XmlNode* before = Selected();
    list->setCurrentItem(list->topLevelItem(1));
    emit list->itemActivated(list->topLevelItem(1), 0);
    EXPECT_EQ(Selected(), before);
    boxes.answers.assign(1, MessageBoxes::Answer::No); // do not save
    ASSERT_TRUE(Tabs().CloseTab(0));
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(Tabs().Count(), 0);
}
