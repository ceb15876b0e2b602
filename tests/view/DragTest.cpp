#include "ViewTestHelpers.h"

#include "editing/CommandId.h"
#include "view/DragImage.h"
#include "view/InPlaceEdit.h"
#include "view/TreeListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace view_test;

namespace {

using Kind = DragCursors::Kind;

// Every row of the sample, expanded, as Shown gives them.
constexpr const char* kSampleRows =
    "#Comment/0 root/0 a/1 x/1 item/1 id/2 #Text/2 #Comment/2 b/1 c/2 d/2 k/3 #Text/3";

// The sample document in a shown, active view with every row expanded, and mouse and key
// steps of a drag as a user makes them.
struct DraggedView {
    SampleFile file{kSample};
    ViewedDocument viewed;
    TreeListView& view = viewed.view;

    DraggedView() { OpenShownAndActive(viewed, file.Path()); }
    ~DraggedView()
    {
        // Leave no key held for the next test.
        QTest::keyRelease(&view, Qt::Key_Control);
        QTest::keyRelease(&view, Qt::Key_Shift);
    }
    const XmlNode* Node(const QString& name) const { return NodeNamed(viewed.document, name); }
    int32_t Id(const QString& name) const { return IdNamed(viewed.document, name); }
    QWidget* Viewport() const { return view.viewport(); }
    QPoint At(const QString& name) const { return RowCentre(view, Node(name)); }
    void Press(const QString& name, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mousePress(Viewport(), button, modifiers, At(name));
    }
    // Sent straight to the tree, so the keys held (QTest's moves would reset them) stay as
    // the key events left them, as the physical state does.
    void MoveTo(QPoint point)
    {
        QMouseEvent move(QEvent::MouseMove, point, Viewport()->mapToGlobal(point), Qt::NoButton,
                         QApplication::mouseButtons(), QApplication::keyboardModifiers());
        QApplication::sendEvent(Viewport(), &move);
    }
    void MoveTo(const QString& name) { MoveTo(At(name)); }
    void Release(const QString& name, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseRelease(Viewport(), button, modifiers, At(name));
    }
    // Through the window, as the platform delivers it: a right press there also brings the
    // context-menu request.
    void WindowPress(const QString& name, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
    {
        QTest::mousePress(view.windowHandle(), button, modifiers, InWindow(At(name)));
    }
    void WindowRelease(const QString& name, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
    {
        QTest::mouseRelease(view.windowHandle(), button, modifiers, InWindow(At(name)));
    }
    QPoint InWindow(QPoint point) const { return Viewport()->mapTo(&view, point); }
    void Drag(const QString& from, const QString& to, Qt::MouseButton button = Qt::LeftButton,
              Qt::KeyboardModifiers modifiers = {})
    {
        Press(from, button, modifiers);
        MoveTo(At(from) + QPoint(1, 0));
        MoveTo(to);
        Release(to, button, modifiers);
    }
    int Actions() const { return viewed.document.History().Count(); }
};

} // namespace

TEST(DragTest, AOnePixelMoveStartsADragWithTheNameCellFollowingThePointer)
{
    DraggedView dragged;
    TreeListView& view = dragged.view;
    const XmlNode* b = dragged.Node(QStringLiteral("b"));
    dragged.Press(QStringLiteral("b"));
    EXPECT_EQ(view.DragSource(), -1);
    const QPoint moved = dragged.At(QStringLiteral("b")) + QPoint(1, 0);
    dragged.MoveTo(moved);
    EXPECT_EQ(view.DragSource(), b->Id());
    const DragImage* image = view.CurrentDragImage();
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->isVisible());
    EXPECT_EQ(image->pos(), moved - QPoint(20, 16));
    EXPECT_EQ(image->Picture().width(), view.Header()->sectionSize(NodeTreeView::NameColumn));
    EXPECT_EQ(image->Picture().height(), view.RowRect(b).height());
    // Over itself there is no drop; over another element there is.
    EXPECT_EQ(view.DragCursorKind(), Kind::NoDrop);
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::ForbiddenCursor);
    dragged.MoveTo(QStringLiteral("x:item"));
    EXPECT_EQ(view.DropHighlight(), dragged.Id(QStringLiteral("x:item")));
    EXPECT_EQ(view.DragCursorKind(), Kind::Move);
    EXPECT_EQ(image->pos(), dragged.At(QStringLiteral("x:item")) - QPoint(20, 16));
    // Over an attribute, empty space or an expand button nothing can be dropped.
    dragged.MoveTo(QStringLiteral("k"));
    EXPECT_EQ(view.DragCursorKind(), Kind::NoDrop);
    dragged.MoveTo(QPoint(100, view.viewport()->height() - 2));
    EXPECT_EQ(view.DropHighlight(), -1);
    EXPECT_EQ(view.DragCursorKind(), Kind::NoDrop);
    const QRect button = view.ButtonRect(view.Rows().RowOf(dragged.Node(QStringLiteral("d"))));
    ASSERT_FALSE(button.isEmpty());
    dragged.MoveTo(button.center());
    EXPECT_EQ(view.DropHighlight(), -1);
    EXPECT_EQ(view.DragCursorKind(), Kind::NoDrop);

    // Escape ends the drag: no image, no highlight, and the release drops nothing.
    dragged.MoveTo(QStringLiteral("x:item"));
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(view.DragSource(), -1);
    EXPECT_EQ(view.CurrentDragImage(), nullptr);
    EXPECT_EQ(view.DropHighlight(), -1);
    EXPECT_EQ(view.DragCursorKind(), Kind::None);
    dragged.MoveTo(QStringLiteral("c"));
    EXPECT_EQ(view.DragSource(), -1);
    dragged.Release(QStringLiteral("x:item"));
    EXPECT_EQ(dragged.Actions(), 0);
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_EQ(Shown(view), kSampleRows);
}

TEST(DragTest, ADescendantOrEmptySpaceIsNoTargetAndChangesNothing)
{
    DraggedView dragged;
    TreeListView& view = dragged.view;
    dragged.Press(QStringLiteral("b"));
    dragged.MoveTo(dragged.At(QStringLiteral("b")) + QPoint(0, 1));
    dragged.MoveTo(QStringLiteral("d"));
    EXPECT_EQ(view.DragCursorKind(), Kind::NoDrop);
    dragged.Release(QStringLiteral("d"));
    // A press without a move is a click: no drag, no change.
    dragged.Press(QStringLiteral("c"));
    dragged.Release(QStringLiteral("c"));
    // Dropped on empty space an element would go to the top level, which takes comments only.
    dragged.Press(QStringLiteral("c"));
    dragged.MoveTo(QPoint(100, view.viewport()->height() - 2));
    QTest::mouseRelease(dragged.Viewport(), Qt::LeftButton, {},
                        QPoint(100, view.viewport()->height() - 2));
    EXPECT_EQ(dragged.Actions(), 0);
    EXPECT_EQ(dragged.Node(QStringLiteral("d"))->Parent(), dragged.Node(QStringLiteral("b")));
    EXPECT_EQ(Shown(view), kSampleRows);
}

TEST(DragTest, AnAttributeMovesFirstIntoTheTargetOrIsCopiedWithCtrlUnderAFreeName)
{
    DraggedView dragged;
    TreeListView& view = dragged.view;
    const XmlNode* b = dragged.Node(QStringLiteral("b"));
    dragged.Drag(QStringLiteral("id"), QStringLiteral("b"));
    EXPECT_EQ(view.CellText(b->ChildAt(0), NodeTreeView::NameColumn), QStringLiteral("id"));
    EXPECT_EQ(dragged.Node(QStringLiteral("x:item"))->ChildCount(), 2);
    EXPECT_EQ(view.SelectedNode(), b);
    EXPECT_TRUE(view.IsExpanded(b));
    EXPECT_EQ(dragged.Actions(), 1);
    EXPECT_EQ(view.DragSource(), -1);
    EXPECT_EQ(view.CurrentDragImage(), nullptr);
    EXPECT_FALSE(view.Editor().IsOpen());
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
    EXPECT_EQ(
        view.CellText(dragged.Node(QStringLiteral("x:item"))->ChildAt(0), NodeTreeView::NameColumn),
        QStringLiteral("id"));

    // With Ctrl the drop onto the attribute's own element copies it, under the name a_1.
    const XmlNode* root = dragged.Node(QStringLiteral("root"));
    const int children = root->ChildCount();
    QTest::keyPress(&view, Qt::Key_Control, Qt::ControlModifier);
    dragged.Press(QStringLiteral("a"), Qt::LeftButton, Qt::ControlModifier);
    dragged.MoveTo(dragged.At(QStringLiteral("a")) + QPoint(1, 1));
    dragged.MoveTo(QStringLiteral("root"));
    EXPECT_EQ(view.DragCursorKind(), Kind::Copy);
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::BitmapCursor);
    dragged.Release(QStringLiteral("root"), Qt::LeftButton, Qt::ControlModifier);
    QTest::keyRelease(&view, Qt::Key_Control);
    EXPECT_EQ(root->ChildCount(), children + 1);
    EXPECT_EQ(view.CellText(root->ChildAt(0), NodeTreeView::NameColumn), QStringLiteral("a_1"));
    EXPECT_EQ(dragged.Node(QStringLiteral("a"))->Parent(), root);
    EXPECT_EQ(dragged.Actions(), 1);
    EXPECT_EQ(
        Shown(view),
        "#Comment/0 root/0 a_1/1 a/1 x/1 item/1 id/2 #Text/2 #Comment/2 b/1 c/2 d/2 k/3 #Text/3");
}

TEST(DragTest, TheRightButtonCopiesAndShiftMakesItAMove)
{
    DraggedView dragged;
    TreeListView& view = dragged.view;
    const XmlNode* b = dragged.Node(QStringLiteral("b"));
    const XmlNode* d = dragged.Node(QStringLiteral("d"));
    dragged.WindowPress(QStringLiteral("c"), Qt::RightButton, {});
    EXPECT_EQ(view.LastContextMenu(), nullptr);
    dragged.MoveTo(dragged.At(QStringLiteral("c")) + QPoint(1, 0));
    dragged.MoveTo(QStringLiteral("d"));
    EXPECT_EQ(view.DragCursorKind(), Kind::Copy);
    dragged.WindowRelease(QStringLiteral("d"), Qt::RightButton, {});
    EXPECT_EQ(b->ChildCount(), 2);
    // First in its new parent after the attributes, as the file will have it.
    EXPECT_EQ(view.CellText(d->ChildAt(0), NodeTreeView::NameColumn), QStringLiteral("k"));
    EXPECT_EQ(view.CellText(d->ChildAt(1), NodeTreeView::NameColumn), QStringLiteral("c"));
    // A right drag is no right click: no menu afterwards.
    EXPECT_EQ(view.LastContextMenu(), nullptr);
    EXPECT_EQ(dragged.Actions(), 1);

    QTest::keyPress(&view, Qt::Key_Shift, Qt::ShiftModifier);
    dragged.WindowPress(QStringLiteral("x:item"), Qt::RightButton, Qt::ShiftModifier);
    dragged.MoveTo(dragged.At(QStringLiteral("x:item")) + QPoint(1, 0));
    dragged.MoveTo(QStringLiteral("b"));
    EXPECT_EQ(view.DragCursorKind(), Kind::Move);
    dragged.WindowRelease(QStringLiteral("b"), Qt::RightButton, Qt::ShiftModifier);
    QTest::keyRelease(&view, Qt::Key_Shift);
    const XmlNode* root = dragged.Node(QStringLiteral("root"));
    EXPECT_EQ(dragged.Node(QStringLiteral("x:item"))->Parent(), b);
    EXPECT_EQ(root->ChildCount(), 3);
    EXPECT_EQ(dragged.Actions(), 2);

    // Ended by Escape, a right drag is still no click.
    dragged.WindowPress(QStringLiteral("c"), Qt::RightButton, {});
    dragged.MoveTo(dragged.At(QStringLiteral("c")) + QPoint(1, 0));
    QTest::keyClick(&view, Qt::Key_Escape);
    dragged.WindowRelease(QStringLiteral("c"), Qt::RightButton, {});
    EXPECT_EQ(view.LastContextMenu(), nullptr);
    EXPECT_EQ(dragged.Actions(), 2);

    // A right click without a move still opens the node's menu.
    dragged.WindowPress(QStringLiteral("c"), Qt::RightButton, {});
    EXPECT_EQ(view.LastContextMenu(), nullptr);
    dragged.WindowRelease(QStringLiteral("c"), Qt::RightButton, {});
    ASSERT_NE(view.LastContextMenu(), nullptr);
    EXPECT_EQ(view.SelectedNode(), dragged.Node(QStringLiteral("c")));
    view.LastContextMenu()->close();
    Shown(view);
}

TEST(DragTest, CtrlAndShiftSwitchTheCursorWithoutAMouseMove)
{
    DraggedView dragged;
    TreeListView& view = dragged.view;
    dragged.Press(QStringLiteral("c"));
    dragged.MoveTo(dragged.At(QStringLiteral("c")) + QPoint(1, 0));
    dragged.MoveTo(QStringLiteral("x:item"));
    EXPECT_EQ(view.DragCursorKind(), Kind::Move);
    QTest::keyPress(&view, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(view.DragCursorKind(), Kind::Copy);
    QTest::keyPress(&view, Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view.DragCursorKind(), Kind::Move);
    QTest::keyRelease(&view, Qt::Key_Shift, Qt::ControlModifier);
    EXPECT_EQ(view.DragCursorKind(), Kind::Copy);
    QTest::keyRelease(&view, Qt::Key_Control);
    EXPECT_EQ(view.DragCursorKind(), Kind::Move);
    QTest::keyClick(&view, Qt::Key_Escape);
    dragged.Release(QStringLiteral("x:item"));
    EXPECT_EQ(dragged.Actions(), 0);
}

TEST(DragTest, AKeyboardCommandRemovingTheSourceOrTheTargetEndsWithoutHarm)
{
    DraggedView dragged;
    TreeListView& view = dragged.view;
    // Del deletes the selected node, which the press made the dragged one.
    dragged.Press(QStringLiteral("c"));
    dragged.MoveTo(dragged.At(QStringLiteral("c")) + QPoint(1, 0));
    dragged.MoveTo(QStringLiteral("x:item"));
    ASSERT_NE(view.DragSource(), -1);
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(dragged.Node(QStringLiteral("c")), nullptr);
    EXPECT_EQ(view.DragSource(), -1);
    EXPECT_EQ(view.CurrentDragImage(), nullptr);
    dragged.Release(QStringLiteral("x:item"));
    EXPECT_EQ(dragged.Actions(), 1);

    // Undo takes away the highlighted target (the element the first step inserted).
    view.SelectNode(dragged.Id(QStringLiteral("root")));
    ASSERT_TRUE(view.HandleCommand(CommandId::InsertElementAsChild));
    view.CancelCellEdit();
    view.setFocus();
    const QPoint target = dragged.At(QStringLiteral("New_Element"));
    dragged.Press(QStringLiteral("d"));
    dragged.MoveTo(dragged.At(QStringLiteral("d")) + QPoint(1, 0));
    dragged.MoveTo(target);
    EXPECT_EQ(view.DropHighlight(), dragged.Id(QStringLiteral("New_Element")));
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dragged.Node(QStringLiteral("New_Element")), nullptr);
    EXPECT_NE(view.DropHighlight(), -1); // whatever is under the pointer now
    QTest::mouseRelease(dragged.Viewport(), Qt::LeftButton, {}, target);
    EXPECT_EQ(view.DragSource(), -1);
    Shown(view);
}
