#include "ShellFixture.h"
#include "app/NodeCounter.h"
#include "editing/CommandId.h"
#include "view/TreeListView.h"

#include <QLabel>
#include <QStatusBar>

namespace {

class StatusBarTest : public ShellFixture {
protected:
    QString Path()
    {
        frame->RunIdleUpdate();
        return frame->PathField()->text();
    }
    QString Count()
    {
        frame->RunIdleUpdate();
        return frame->NodeCountField()->text();
    }
};

size_t Walk(const XmlNode* node)
{
    size_t count = 1;
    for (const XmlNode* child : *node)
        count += Walk(child);
    return count;
}

} // namespace

TEST_F(StatusBarTest, ShowsTheSelectedPathAndTheNodeCountOfTheActiveTab)
{
    EXPECT_EQ(Count(), QString());
    Open(QStringLiteral("a.xml"));
    OpenPath(MakeFile(QStringLiteral("b.xml"), "<b><c/><c/></b>"));
    EXPECT_EQ(Count(), QStringLiteral("Nodes: 3"));
    TreeListView* view = Tabs().ActiveFrame()->View();
    const XmlNode* root = view->Document().Root()->FirstChild();
    ASSERT_TRUE(view->SelectNode(root->ChildAt(1)->Id()));
    EXPECT_EQ(Path(), QStringLiteral("/b/c[2]"));

    // Edits move the path and the count; the tab switch shows the other tab's.
    frame->HandleCommand(CommandId::MoveUp);
    EXPECT_EQ(Path(), QStringLiteral("/b/c[1]"));
    frame->HandleCommand(CommandId::Duplicate);
    EXPECT_EQ(Count(), QStringLiteral("Nodes: 4"));
    Tabs().Activate(0);
    EXPECT_EQ(Count(), QStringLiteral("Nodes: 3"));
    EXPECT_EQ(Path(), QString());
    Tabs().Activate(1);
    EXPECT_EQ(Count(), QStringLiteral("Nodes: 4"));

    boxes.answers.assign(2, MessageBoxes::Answer::No);
    ASSERT_TRUE(Tabs().CloseAll());
    EXPECT_EQ(Count(), QString());
    EXPECT_EQ(Path(), QString());
}

TEST_F(StatusBarTest, PathAmongManySiblingsFollowsRenamesAndMoves)
{
    // Enough siblings for the positions to be kept between selections.
    QByteArray xml = "<r>";
    for (int i = 0; i < 100; ++i)
        xml += "<a/>";
    OpenPath(MakeFile(QStringLiteral("many.xml"), xml + "</r>"));
    TreeListView* view = Tabs().ActiveFrame()->View();
    XmlDocument& document = view->Document();
    const XmlNode* r = document.Root()->FirstChild();
    ASSERT_TRUE(view->SelectNode(r->ChildAt(49)->Id()));
    EXPECT_EQ(Path(), QStringLiteral("/r/a[50]"));
    ASSERT_TRUE(view->SelectNode(r->ChildAt(50)->Id()));
    EXPECT_EQ(Path(), QStringLiteral("/r/a[51]"));
    ASSERT_TRUE(document.RenameNode(r->ChildAt(3)->Id(), QString(), QStringLiteral("b")));
    EXPECT_EQ(Path(), QStringLiteral("/r/a[50]"));
    frame->HandleCommand(CommandId::MoveUp);
    EXPECT_EQ(Path(), QStringLiteral("/r/a[49]"));
}

TEST_F(StatusBarTest, CountFollowsEveryKindOfChange)
{
    OpenPath(MakeFile(QStringLiteral("c.xml"), "<r a=\"1\"><x><y>t</y><!--c--></x><z/></r>"));
    TreeListView* view = Tabs().ActiveFrame()->View();
    XmlDocument& document = view->Document();
    NodeCounter counter(document, nullptr);
    auto walked = [&] { return Walk(document.Root()) - 1; };
    EXPECT_EQ(counter.Count(), walked());
    const XmlNode* r = document.Root()->FirstChild();
    const int32_t x = r->ChildAt(1)->Id();
    const int32_t z = r->ChildAt(2)->Id();
    ASSERT_TRUE(document.DuplicateNode(x));
    ASSERT_TRUE(document.MoveNodeStep(z, true));
    ASSERT_TRUE(document.MoveNodeTo(z, x));
    ASSERT_TRUE(document.CopyNodeTo(z, r->Id()));
    ASSERT_TRUE(document.DeleteNode(x));
    EXPECT_EQ(counter.Count(), walked());
    while (document.History().CanUndo()) {
        document.History().Undo();
        EXPECT_EQ(counter.Count(), walked());
    }
    while (document.History().CanRedo()) {
        document.History().Redo();
        EXPECT_EQ(counter.Count(), walked());
    }
}

TEST_F(StatusBarTest, NoticeOfReload)
{
    const QString path = MakeFile(QStringLiteral("a.xml"));
    OpenPath(path);
    ASSERT_TRUE(Tabs().ReloadTab(0));
    Settle();
    EXPECT_EQ(frame->statusBar()->currentMessage(),
              path + QStringLiteral(" was reloaded from the disk."));
}
