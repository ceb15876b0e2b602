#include "RecordingMessageBoxes.h"
#include "ViewTestHelpers.h"

#include "editing/CommandId.h"
#include "view/InPlaceEdit.h"
#include "view/TreeListItemModel.h"
#include "view/TreeListPane.h"
#include "view/TreeListView.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace view_test;

namespace {

// The sample document in a shown, active view, every item expanded.
struct EditedView {
    SampleFile file{kSample};
    TreeListView view;

    EditedView()
    {
        OpenShownAndActive(view, file.Path());
        view.setFocus();
    }
    TreeListItem* Item(const QString& name) const { return ItemNamed(view, name); }
    QWidget* Box() const { return view.Editor().Box(); }
    QLineEdit* Line() const { return qobject_cast<QLineEdit*>(Box()); }
    QPlainTextEdit* Multi() const { return qobject_cast<QPlainTextEdit*>(Box()); }
    // Selects the item and presses the key on the tree, as the user would.
    void Press(const QString& name, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        view.SelectItem(Item(name));
        view.setFocus();
        QTest::keyClick(&view, key, modifiers);
    }
    QPoint NameCellCentre(const QString& name) const
    {
        return view.visualRect(view.ItemModel()->IndexOf(Item(name), 0)).center();
    }
    QString Name(const QString& name) const { return view.GetCellText(Item(name), 0); }
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
    TreeListItem* item = edited.Item(QStringLiteral("x:item"));
    EXPECT_EQ(line->geometry().left(), 2 * view.indentation() + TreeListControl::ImageSize + 2);
    EXPECT_EQ(line->geometry().top(), view.ItemRowRect(item).top());

    QTest::keyClicks(line, QStringLiteral("x:thing"));
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_TRUE(view.hasFocus());
    const XmlNode* node = view.NodeOf(item);
    EXPECT_EQ(node->Prefix(), QStringLiteral("x"));
    EXPECT_EQ(node->LocalName(), QStringLiteral("thing"));
    EXPECT_EQ(view.Document().History().Count(), 1);
}

TEST(InPlaceEditTest, RefusedCellsOpenNothing)
{
    EditedView edited;
    TreeListView& view = edited.view;
    TreeListItem* item = edited.Item(QStringLiteral("x:item"));
    // The text and the comment under x:item have read-only names; an element's value too.
    view.SelectItem(view.ChildItem(item, 1));
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_FALSE(view.Editor().IsOpen());
    view.SelectItem(view.ChildItem(item, 2));
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_FALSE(view.Editor().IsOpen());
    edited.Press(QStringLiteral("b"), Qt::Key_F2, Qt::ControlModifier);
    EXPECT_FALSE(view.Editor().IsOpen());
    // The comment's value is editable, and only one box exists at a time.
    view.SelectItem(view.ChildItem(item, 2));
    QTest::keyClick(&view, Qt::Key_F2, Qt::ControlModifier);
    ASSERT_NE(edited.Multi(), nullptr);
    QWidget* box = edited.Box();
    view.BeginCellEdit(edited.Item(QStringLiteral("b")), 0);
    EXPECT_EQ(edited.Box(), box);
}

TEST(InPlaceEditTest, CtrlEnterAddsALineThatIsCommittedAsCrLf)
{
    EditedView edited;
    TreeListView& view = edited.view;
    edited.Press(QStringLiteral("k"), Qt::Key_F2, Qt::ControlModifier);
    QPlainTextEdit* multi = edited.Multi();
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->textCursor().selectedText(), QStringLiteral("v"));
    const auto [valueLeft, valueRight] = view.GetColumnSpan(1);
    EXPECT_EQ(multi->geometry().left(), valueLeft);

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
    EXPECT_EQ(view.NodeOf(edited.Item(QStringLiteral("k")))->Value(), QStringLiteral("one\r\ntwo"));

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
    EXPECT_EQ(edited.Name(QStringLiteral("b")), QStringLiteral("b"));

    edited.Press(QStringLiteral("b"), Qt::Key_F2);
    QTest::keyClick(edited.Line(), Qt::Key_Backspace);
    EXPECT_EQ(edited.Line()->text(), QString());
    QTest::keyClick(edited.Line(), Qt::Key_Return);
    EXPECT_FALSE(view.Editor().IsOpen());

    edited.Press(QStringLiteral("k"), Qt::Key_F2, Qt::ControlModifier);
    QTest::keyClick(edited.Multi(), Qt::Key_Delete);
    QTest::keyClick(edited.Multi(), Qt::Key_Return);
    EXPECT_EQ(view.NodeOf(edited.Item(QStringLiteral("k")))->Value(), QStringLiteral("v"));
    EXPECT_EQ(edited.Name(QStringLiteral("b")), QStringLiteral("b"));
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
    const QPoint c = edited.NameCellCentre(QStringLiteral("c"));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, c);
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_NE(edited.Item(QStringLiteral("renamed")), nullptr);
    EXPECT_EQ(view.SelectedItem(), edited.Item(QStringLiteral("c")));
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
    EXPECT_EQ(edited.Name(QStringLiteral("b")), QStringLiteral("b"));

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
    EXPECT_EQ(view.GetCellText(view.SelectedItem(), 0), QStringLiteral("b2"));
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
    const size_t items = view.ItemModel()->ItemCount();
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
    EXPECT_EQ(view.ItemModel()->ItemCount(), items);
    EXPECT_EQ(view.Document().History().Count(), 1);
    EXPECT_TRUE(view.Document().History().CanUndo());

    QTest::keyClick(line, Qt::Key_Escape);
    QTest::keyClick(&view, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(windowShortcuts, 1);
    EXPECT_EQ(MirrorDifference(view), "");
}

TEST(InPlaceEditTest, InsertCommandsOpenTheBoxOnTheNewItem)
{
    EditedView edited;
    TreeListView& view = edited.view;
    view.SelectItem(edited.Item(QStringLiteral("b")));
    ASSERT_TRUE(view.HandleCommand(CommandId::InsertAttribute));
    ASSERT_NE(edited.Line(), nullptr);
    EXPECT_EQ(edited.Line()->text(), QStringLiteral("New_Attribute"));
    EXPECT_EQ(view.Editor().Result().item, view.SelectedItem());
    QTest::keyClicks(edited.Line(), QStringLiteral("kind"));
    QTest::keyClick(edited.Line(), Qt::Key_Return);
    EXPECT_EQ(view.GetCellText(view.ChildItem(edited.Item(QStringLiteral("b")), 0), 0),
              QStringLiteral("kind"));

    ASSERT_TRUE(view.HandleCommand(CommandId::InsertCommentAfter));
    ASSERT_NE(edited.Multi(), nullptr);
    EXPECT_EQ(edited.Multi()->toPlainText(), QString());
    QTest::keyClicks(edited.Multi(), QStringLiteral("said"));
    QTest::keyClick(edited.Multi(), Qt::Key_Return);
    EXPECT_EQ(view.NodeOf(view.SelectedItem())->Value(), QStringLiteral("said"));
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
    EXPECT_EQ(edited.Item(QStringLiteral("lost")), nullptr);
    EXPECT_EQ(view.Document().History().Count(), 1);
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
    EXPECT_NE(edited.Item(QStringLiteral("c")), nullptr);

    // A view closed with a box open commits nothing, and the remaining view's keys work.
    auto closing = std::make_unique<TreeListView>();
    ASSERT_TRUE(closing->NewFile(QStringLiteral("n")));
    closing->resize(300, 200);
    closing->show();
    QApplication::setActiveWindow(closing.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(closing.get()));
    closing->SelectItem(closing->ChildItem(nullptr, 0));
    closing->setFocus();
    QTest::keyClick(closing.get(), Qt::Key_F2);
    ASSERT_TRUE(closing->Editor().IsOpen());
    QTest::keyClicks(closing->Editor().Box(), QStringLiteral("x"));
    closing.reset();

    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    TreeListItem* b = edited.Item(QStringLiteral("b"));
    edited.Press(QStringLiteral("c"), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(view.ChildItemCount(b), 3);
    EXPECT_EQ(MirrorDifference(view), "");
}

TEST(InPlaceEditTest, ThePaneMayVetoAnEdit)
{
    struct VetoingPane : TreeListPane {
        int asked = 0;
        bool OnBeginLabelEdit(TreeListItem*, int) override
        {
            ++asked;
            return true;
        }
    };
    VetoingPane pane;
    TreeListView* view = pane.View();
    ASSERT_TRUE(view->NewFile(QStringLiteral("n")));
    pane.resize(400, 300);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    QSignalSpy edits(view, &TreeListControl::cellEditRequested);
    view->BeginCellEdit(view->ChildItem(nullptr, 0), 0);
    EXPECT_EQ(pane.asked, 1);
    EXPECT_FALSE(view->Editor().IsOpen());
    EXPECT_EQ(edits.count(), 0);
}
