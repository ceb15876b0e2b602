#include "RecordingMessageBoxes.h"
#include "ViewTestHelpers.h"

#include "editing/CommandId.h"
#include "view/InPlaceEdit.h"
#include "view/NodeIcons.h"
#include "view/TreeListPane.h"
#include "view/TreeListView.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using namespace view_test;

namespace {

constexpr int Name = NodeTreeView::NameColumn;

// The sample document in a shown, active view, every row expanded.
struct EditedView {
    SampleFile file{kSample};
    ViewedDocument viewed;
    TreeListView& view = viewed.view;

    EditedView()
    {
        OpenShownAndActive(viewed, file.Path());
        view.setFocus();
    }
    const XmlNode* Node(const QString& name) const { return NodeNamed(viewed.document, name); }
    QWidget* Box() const { return view.Editor().Box(); }
    QLineEdit* Line() const { return qobject_cast<QLineEdit*>(Box()); }
    QPlainTextEdit* Multi() const { return qobject_cast<QPlainTextEdit*>(Box()); }
    // Selects the node and presses the key on the tree, as the user would.
    void Press(const QString& name, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        view.SelectNode(IdNamed(viewed.document, name));
        view.setFocus();
        QTest::keyClick(&view, key, modifiers);
    }
    QString NameOf(const QString& name) const { return view.CellText(Node(name), Name); }
};

} // namespace

TEST(InPlaceEditTest, F2OpensASingleLineBoxRightOfTheIconWithTheShownNameSelected)
{
    EditedView edited;
    TreeListView& view = edited.view;
    edited.Press(QStringLiteral("x:item"), Qt::Key_F2);
    QLineEdit* line = edited.Line();
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isVisible());
    EXPECT_TRUE(line->hasFocus());
    EXPECT_EQ(line->text(), QStringLiteral("x:item"));
    EXPECT_EQ(line->selectedText(), QStringLiteral("x:item"));
    // Level 1 under root: two indents (lines at the root count one), then the 16-pixel
    // picture and its two pixels of space.
    const XmlNode* node = edited.Node(QStringLiteral("x:item"));
    const int indent = view.style()->pixelMetric(QStyle::PM_TreeViewIndentation, nullptr, &view);
    EXPECT_EQ(line->geometry().left(), 2 * indent + NodeIcons::Size + 2);
    EXPECT_EQ(line->geometry().top(), view.RowRect(node).top());

    QTest::keyClicks(line, QStringLiteral("x:thing"));
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_TRUE(view.hasFocus());
    EXPECT_EQ(node, edited.Node(QStringLiteral("x:thing")));
    EXPECT_EQ(node->Prefix(), QStringLiteral("x"));
    EXPECT_EQ(node->LocalName(), QStringLiteral("thing"));
    EXPECT_EQ(view.Document().History().Count(), 1);
}

TEST(InPlaceEditTest, RefusedCellsOpenNothing)
{
    EditedView edited;
    TreeListView& view = edited.view;
    const XmlNode* item = edited.Node(QStringLiteral("x:item"));
    // The text and the comment under x:item have read-only names; an element's value too.
    view.SelectNode(item->ChildAt(1)->Id());
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_FALSE(view.Editor().IsOpen());
    view.SelectNode(item->ChildAt(2)->Id());
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_FALSE(view.Editor().IsOpen());
    edited.Press(QStringLiteral("b"), Qt::Key_F2, Qt::ControlModifier);
    EXPECT_FALSE(view.Editor().IsOpen());
    // The comment's value is editable, and only one box exists at a time.
    view.SelectNode(item->ChildAt(2)->Id());
    QTest::keyClick(&view, Qt::Key_F2, Qt::ControlModifier);
    ASSERT_NE(edited.Multi(), nullptr);
    QWidget* box = edited.Box();
    view.BeginCellEdit(IdNamed(edited.viewed.document, QStringLiteral("b")), Name);
    EXPECT_EQ(edited.Box(), box);
    EXPECT_EQ(view.Editor().Result().nodeId, item->ChildAt(2)->Id());
}

TEST(InPlaceEditTest, CtrlEnterAddsALineThatIsCommittedAsCrLf)
{
    EditedView edited;
    TreeListView& view = edited.view;
    edited.Press(QStringLiteral("k"), Qt::Key_F2, Qt::ControlModifier);
    QPlainTextEdit* multi = edited.Multi();
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->textCursor().selectedText(), QStringLiteral("v"));
    const int row = view.Rows().RowOf(edited.Node(QStringLiteral("k")));
    EXPECT_EQ(multi->geometry().left(), view.CellRect(row, NodeTreeView::ValueColumn).left());

    const int lineHeight = QFontMetrics(multi->font()).height();
    QTest::keyClicks(multi, QStringLiteral("one"));
    const int oneLine = multi->height();
    EXPECT_EQ(oneLine, lineHeight + 4);
    QTest::keyClick(multi, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(view.Editor().IsOpen());
    QTest::keyClicks(multi, QStringLiteral("two"));
    EXPECT_EQ(multi->height(), oneLine + lineHeight);
    QTest::keyClick(multi, Qt::Key_Return);
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_EQ(edited.Node(QStringLiteral("k"))->Value(), QStringLiteral("one\r\ntwo"));

    // Opened again and left untouched, the value comes back exactly as it was.
    edited.Press(QStringLiteral("k"), Qt::Key_F2, Qt::ControlModifier);
    ASSERT_NE(edited.Multi(), nullptr);
    EXPECT_EQ(edited.Multi()->blockCount(), 2);
    EXPECT_EQ(view.Editor().Text(), QStringLiteral("one\r\ntwo"));
    QTest::keyClick(edited.Multi(), Qt::Key_Return);
    EXPECT_EQ(view.Document().History().Count(), 1);
}

TEST(InPlaceEditTest, EscapeAndAnEmptiedBoxRecordNothing)
{
    EditedView edited;
    TreeListView& view = edited.view;
    edited.Press(QStringLiteral("b"), Qt::Key_F2);
    QTest::keyClicks(edited.Line(), QStringLiteral("zzz"));
    QTest::keyClick(edited.Line(), Qt::Key_Escape);
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_EQ(edited.NameOf(QStringLiteral("b")), QStringLiteral("b"));

    edited.Press(QStringLiteral("b"), Qt::Key_F2);
    QTest::keyClick(edited.Line(), Qt::Key_Backspace);
    EXPECT_EQ(edited.Line()->text(), QString());
    QTest::keyClick(edited.Line(), Qt::Key_Return);
    EXPECT_FALSE(view.Editor().IsOpen());

    edited.Press(QStringLiteral("k"), Qt::Key_F2, Qt::ControlModifier);
    QTest::keyClick(edited.Multi(), Qt::Key_Delete);
    QTest::keyClick(edited.Multi(), Qt::Key_Return);
    EXPECT_EQ(edited.Node(QStringLiteral("k"))->Value(), QStringLiteral("v"));
    EXPECT_EQ(edited.NameOf(QStringLiteral("b")), QStringLiteral("b"));
    EXPECT_EQ(view.Document().History().Count(), 0);
    EXPECT_FALSE(view.Document().IsModified());
}

TEST(InPlaceEditTest, TheBoxStartsFiveWsWideAndStopsThreePixelsShortOfTheTreesEdge)
{
    EditedView edited;
    TreeListView& view = edited.view;
    edited.Press(QStringLiteral("b"), Qt::Key_F2);
    QLineEdit* line = edited.Line();
    ASSERT_NE(line, nullptr);
    const QFontMetrics metrics(line->font());
    const int w = metrics.horizontalAdvance(u'W');
    QTest::keyClick(line, Qt::Key_Backspace);
    EXPECT_EQ(line->width(), 5 * w);
    EXPECT_EQ(line->height(), metrics.height() + 4);

    QTest::keyClicks(line, QStringLiteral("WWWWWWWW"));
    EXPECT_EQ(line->width(), metrics.horizontalAdvance(QStringLiteral("WWWWWWWW")) + w);
    QTest::keyClicks(line, QString(200, u'W'));
    EXPECT_EQ(line->geometry().right() + 1, view.viewport()->width() - 3);
    EXPECT_EQ(line->text().size(), 208);
}

TEST(InPlaceEditTest, ClickingAnotherItemCommitsTheEditFirst)
{
    EditedView edited;
    TreeListView& view = edited.view;
    edited.Press(QStringLiteral("b"), Qt::Key_F2);
    QTest::keyClicks(edited.Line(), QStringLiteral("renamed"));
    const QPoint c = RowCentre(view, edited.Node(QStringLiteral("c")));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, c);
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_NE(edited.Node(QStringLiteral("renamed")), nullptr);
    EXPECT_EQ(view.SelectedNode(), edited.Node(QStringLiteral("c")));
    EXPECT_EQ(view.Document().History().Count(), 1);

    // A click on the item that is already selected edits the cell under the pointer.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, c);
    ASSERT_NE(edited.Line(), nullptr);
    EXPECT_EQ(edited.Line()->text(), QStringLiteral("c"));
}

TEST(InPlaceEditTest, AnInvalidNameKeepsTheBoxOpenWithItsTextAfterTheMessage)
{
    RecordingMessageBoxes boxes;
    MessageBoxes::Override use(boxes);
    EditedView edited;
    TreeListView& view = edited.view;
    edited.Press(QStringLiteral("b"), Qt::Key_F2);
    QLineEdit* line = edited.Line();
    QTest::keyClicks(line, QStringLiteral("1b"));
    QTest::keyClick(line, Qt::Key_Return);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("\"1b\" is not valid name"));
    ASSERT_TRUE(view.Editor().IsOpen());
    EXPECT_EQ(edited.Line(), line);
    EXPECT_EQ(line->text(), QStringLiteral("1b"));
    EXPECT_TRUE(line->hasFocus());
    EXPECT_EQ(edited.NameOf(QStringLiteral("b")), QStringLiteral("b"));

    // Losing the focus also commits, and is refused the same way.
    view.setFocus();
    EXPECT_EQ(boxes.shown.size(), 2u);
    ASSERT_TRUE(view.Editor().IsOpen());
    EXPECT_TRUE(line->hasFocus());

    QTest::keyClick(line, Qt::Key_Home);
    QTest::keyClick(line, Qt::Key_Delete);
    QTest::keyClick(line, Qt::Key_End);
    QTest::keyClick(line, Qt::Key_2);
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_EQ(view.Document().History().Count(), 1);
    EXPECT_EQ(view.CellText(view.SelectedNode(), Name), QStringLiteral("b2"));
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST(InPlaceEditTest, EditingKeysInTheBoxNeverReachTheDocumentOrTheWindowsShortcuts)
{
    EditedView edited;
    TreeListView& view = edited.view;
    // A window-wide shortcut, as the main window's accelerators are (Ctrl+S saves).
    int windowShortcuts = 0;
    auto* save = new QAction(&view);
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    save->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(save, &QAction::triggered, [&] { ++windowShortcuts; });
    view.addAction(save);

    edited.Press(QStringLiteral("c"), Qt::Key_D, Qt::ControlModifier); // something to undo
    const std::string rows = Shown(view);
    ASSERT_EQ(view.Document().History().Count(), 1);

    edited.Press(QStringLiteral("b"), Qt::Key_F2);
    QLineEdit* line = edited.Line();
    ASSERT_NE(line, nullptr);
    QTest::keyClick(line, Qt::Key_Home);
    QTest::keyClick(line, Qt::Key_Delete);
    EXPECT_EQ(line->text(), QString());
    QTest::keyClick(line, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(line->text(), QStringLiteral("b"));
    line->selectAll();
    QTest::keyClick(line, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(line->text(), QString());
    QTest::keyClick(line, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(line, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(line->text(), QStringLiteral("bb"));
    QTest::keyClick(line, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(line, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(line, Qt::Key_F2);
    EXPECT_TRUE(view.Editor().IsOpen());
    EXPECT_EQ(windowShortcuts, 0);
    EXPECT_EQ(Shown(view), rows);
    EXPECT_EQ(view.Document().History().Count(), 1);
    EXPECT_TRUE(view.Document().History().CanUndo());

    QTest::keyClick(line, Qt::Key_Escape);
    QTest::keyClick(&view, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(windowShortcuts, 1);
}

TEST(InPlaceEditTest, InsertCommandsOpenTheBoxOnTheNewItem)
{
    EditedView edited;
    TreeListView& view = edited.view;
    const XmlNode* b = edited.Node(QStringLiteral("b"));
    view.SelectNode(b->Id());
    ASSERT_TRUE(view.HandleCommand(CommandId::InsertAttribute));
    ASSERT_NE(edited.Line(), nullptr);
    EXPECT_EQ(edited.Line()->text(), QStringLiteral("New_Attribute"));
    EXPECT_EQ(view.Editor().Result().nodeId, view.SelectedNodeId());
    EXPECT_EQ(view.SelectedNode()->Parent(), b);
    QTest::keyClicks(edited.Line(), QStringLiteral("kind"));
    QTest::keyClick(edited.Line(), Qt::Key_Return);
    EXPECT_EQ(view.CellText(b->ChildAt(0), Name), QStringLiteral("kind"));

    ASSERT_TRUE(view.HandleCommand(CommandId::InsertCommentAfter));
    ASSERT_NE(edited.Multi(), nullptr);
    EXPECT_EQ(edited.Multi()->toPlainText(), QString());
    QTest::keyClicks(edited.Multi(), QStringLiteral("said"));
    QTest::keyClick(edited.Multi(), Qt::Key_Return);
    EXPECT_EQ(view.SelectedNode()->Value(), QStringLiteral("said"));
    EXPECT_EQ(view.Document().History().Count(), 4);
}

TEST(InPlaceEditTest, RemovingTheEditedItemOrTheViewDropsTheEditUncommitted)
{
    EditedView edited;
    TreeListView& view = edited.view;
    edited.Press(QStringLiteral("c"), Qt::Key_F2);
    QTest::keyClicks(edited.Line(), QStringLiteral("lost"));
    // A tool-bar button runs a command without taking the focus from the box.
    ASSERT_TRUE(view.HandleCommand(CommandId::Delete));
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_EQ(edited.Node(QStringLiteral("lost")), nullptr);
    EXPECT_EQ(view.Document().History().Count(), 1);
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
    EXPECT_NE(edited.Node(QStringLiteral("c")), nullptr);

    // A view closed with a box open commits nothing, and the remaining view's keys work.
    auto closing = std::make_unique<ViewedDocument>();
    ASSERT_TRUE(closing->document.CreateNew());
    TreeListView* other = &closing->view;
    other->Reset();
    other->resize(300, 200);
    other->show();
    QApplication::setActiveWindow(other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(other));
    other->SelectNode(closing->document.Root()->ChildAt(0)->Id());
    other->setFocus();
    QTest::keyClick(other, Qt::Key_F2);
    ASSERT_TRUE(other->Editor().IsOpen());
    QTest::keyClicks(other->Editor().Box(), QStringLiteral("x"));
    closing.reset();

    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    const XmlNode* b = edited.Node(QStringLiteral("b"));
    edited.Press(QStringLiteral("c"), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(b->ChildCount(), 3);
    Shown(view);
}

TEST(InPlaceEditTest, ThePaneMayVetoAnEdit)
{
    struct VetoingPane : TreeListPane {
        bool veto = true;
        std::vector<std::pair<int32_t, int>> asked;
        bool OnBeginLabelEdit(int32_t nodeId, int column) override
        {
            asked.emplace_back(nodeId, column);
            return veto;
        }
    };
    XmlDocument document; // the tab's, outliving its pane
    ASSERT_TRUE(document.CreateNew());
    VetoingPane pane;
    TreeListView* view = pane.View();
    view->SetDocument(document);
    pane.resize(400, 300);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    const int32_t top = document.Root()->ChildAt(0)->Id();
    view->BeginCellEdit(top, Name);
    ASSERT_EQ(pane.asked.size(), 1u);
    EXPECT_EQ(pane.asked[0], std::make_pair(top, Name));
    EXPECT_FALSE(view->Editor().IsOpen());
    EXPECT_EQ(view->Editor().Box(), nullptr);
    // What the pane lets through opens as usual.
    pane.veto = false;
    view->BeginCellEdit(top, Name);
    EXPECT_EQ(pane.asked.size(), 2u);
    EXPECT_TRUE(view->Editor().IsOpen());
}
