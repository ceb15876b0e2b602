#include "ShellFixture.h"
#include "TestFiles.h"
#include "app/ProgressStrip.h"
#include "document/FileProgress.h"
#include "document/XmlNode.h"
#include "editing/CommandId.h"
#include "view/TreeListView.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

// Large enough that a load or save is still running when the test cancels it.
const QByteArray kLarge = "<r>" + QByteArray("<e a='1'>text</e>").repeated(2'000'000) + "</r>";

} // namespace

TEST_F(ShellFixture, CancelledOrClosedOpensLeaveNoTab)
{
    const QString path = MakeFile(QStringLiteral("large.xml"), kLarge);
    Open(QStringLiteral("small.xml"));
    Tabs().OpenDocument(path);
    ASSERT_EQ(Tabs().Count(), 2);
    EXPECT_TRUE(Tabs().FrameAt(1)->IsBusy());
    Tabs().FrameAt(1)->CancelWork();
    Settle();
    EXPECT_EQ(Tabs().Count(), 1);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);

    Tabs().OpenDocument(path);
    EXPECT_TRUE(Tabs().CloseTab(1));
    EXPECT_EQ(Tabs().Count(), 1);
    EXPECT_TRUE(boxes.shown.empty()) << "a cancel is no failure, and asks nothing";
}

TEST_F(ShellFixture, ASaveRunsWithTheTabClosedToEditsAndACancelKeepsTheOldFile)
{
    const QString path = MakeFile(QStringLiteral("large.xml"), kLarge);
    ASSERT_EQ(OpenPath(path), 0);
    Modify(0);
    DocumentFrame* tab = Tabs().FrameAt(0);
    ASSERT_TRUE(Tabs().SaveTab(0));
    ASSERT_TRUE(tab->IsBusy());
    EXPECT_FALSE(tab->View()->isEnabled());
    const int32_t nodes = tab->Document()->NextId();
    Tabs().HandleCommand(CommandId::Undo);
    EXPECT_TRUE(tab->IsModified()) << "the edit is not undone under the save";
    tab->CancelWork();
    Settle();
    EXPECT_EQ(ReadFile(path), kLarge);
    EXPECT_TRUE(tab->IsModified());
    EXPECT_EQ(tab->Document()->NextId(), nodes);
    EXPECT_TRUE(tab->View()->isEnabled());
    EXPECT_TRUE(boxes.shown.empty());

    // Closing a tab while it saves waits for the file and then needs no prompt.
    ASSERT_TRUE(Tabs().SaveTab(0));
    EXPECT_TRUE(Tabs().CloseTab(0));
    EXPECT_EQ(Tabs().Count(), 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(ReadFile(path).startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<changed"));
}

TEST_F(ShellFixture, AnExpansionThatTakesLongRunsAwayFromTheWindowAndEscStopsIt)
{
    ASSERT_EQ(OpenPath(MakeFile(QStringLiteral("large.xml"), kLarge)), 0);
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    DocumentFrame* tab = Tabs().FrameAt(0);
    TreeListView* view = tab->View();
    view->SetAtOnceLimit(0); // what a file of tens of millions of nodes would need
    const XmlNode* root = tab->Document()->Root()->FirstChild();
    ASSERT_TRUE(view->SelectNode(root->Id()));
    view->setFocus();

    QTest::keyClick(view, Qt::Key_Asterisk);
    ASSERT_EQ(tab->Busy(), DocumentFrame::Work::Expand);
    EXPECT_FALSE(view->isEnabled()) << "the document is closed to edits meanwhile";
    EXPECT_EQ(view->Rows().Count(), 1) << "the rows change only once it is complete";
    QTest::keyClick(frame.get(), Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(tab->IsBusy());
    EXPECT_EQ(view->Rows().Count(), 1);
    EXPECT_FALSE(view->IsExpanded(root));
    EXPECT_TRUE(view->hasFocus());

    // Saving (Save all works while a tab is busy) stops it rather than pass the tab over.
    Modify(0);
    QTest::keyClick(view, Qt::Key_Asterisk);
    ASSERT_EQ(tab->Busy(), DocumentFrame::Work::Expand);
    Tabs().SaveAll();
    EXPECT_EQ(tab->Busy(), DocumentFrame::Work::Save);
    Settle();
    EXPECT_FALSE(tab->IsModified());

    // Rows that change meanwhile (a search result selected opens its ancestors) make the end
    // of the expansion start afresh from them.
    QTest::keyClick(view, Qt::Key_Asterisk);
    ASSERT_EQ(tab->Busy(), DocumentFrame::Work::Expand);
    const XmlNode* chosen = root->ChildAt(1'000'000);
    ASSERT_TRUE(view->SelectNode(chosen->Id()));
    Settle();
    EXPECT_EQ(view->Rows().Count(), 1 + 3 * 2'000'000); // element, attribute, text
    EXPECT_TRUE(view->IsExpanded(root->ChildAt(1'999'999)));
    EXPECT_EQ(view->SelectedNodeId(), chosen->Id());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellFixture, TheProgressStripShowsAfterAMomentAndItsButtonCancels)
{
    ProgressStrip bar(nullptr);
    FileProgress progress;
    progress.SetTotal(1000);
    progress.SetDone(250);
    bar.Follow(progress, QStringLiteral("Opening x.xml"));
    EXPECT_TRUE(bar.isHidden()) << "quick work shows nothing";
    QTest::qWait(ProgressStrip::ShowDelayMs + 200);
    EXPECT_FALSE(bar.isHidden());
    const QProgressBar* value = bar.findChild<QProgressBar*>();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->value() * 4, value->maximum());
    bar.CancelButton()->click();
    EXPECT_TRUE(progress.IsCancelled());
    bar.Stop();
    EXPECT_TRUE(bar.isHidden());
}

TEST_F(ShellFixture, FailedOpensSayWhy)
{
    EXPECT_EQ(OpenPath(dir.path()), -1);
    EXPECT_EQ(OpenPath(MakeFile(QStringLiteral("notes.xml"), "just some notes")), -1);
    EXPECT_EQ(Tabs().Count(), 0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.shown[0].text.endsWith(QStringLiteral("The path is a folder, not a file.")));
    EXPECT_TRUE(boxes.shown[1].text.endsWith(
        QStringLiteral("This is not an XML file: its content does not start with markup.")));
}
