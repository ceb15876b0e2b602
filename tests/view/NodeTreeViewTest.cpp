#include "view/NodeTreeView.h"
#include "ViewTestHelpers.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "view/InPlaceEdit.h"
#include "view/TreeColumnWidths.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

#include <string>

using view_test::Shown;

namespace {

// A document loaded from text and a view of it at the given size.
struct Viewed {
    XmlDocument document;
    NodeTreeView view;

    Viewed(const QByteArray& xml, QSize size)
    {
        EXPECT_EQ(document.LoadFromData(xml), XE_OK);
        view.SetDocument(document);
        view.resize(size);
    }
    // Shown on screen, for tests that paint, click or scroll.
    bool Show()
    {
        view.show();
        return QTest::qWaitForWindowExposed(&view);
    }
};

std::string Selected(const NodeTreeView& view, const XmlDocument& document)
{
    const XmlNode* node = document.FindNode(view.SelectedNodeId());
    return node ? node->LocalName().toStdString() : "-";
}

int32_t IdOf(const NodeTreeView& view, int row)
{
    return view.Rows().At(row)->Id();
}

} // namespace

TEST(NodeTreeViewTest, KeysWalkExpandAndCollapseTheRows)
{
    Viewed viewed("<r a='1'><b><c/></b><d>t</d></r>", QSize(600, 400));
    XmlDocument& document = viewed.document;
    NodeTreeView& view = viewed.view;
    EXPECT_EQ(Shown(view), "r/0");
    QTest::keyClick(&view, Qt::Key_Down); // nothing selected: the first row
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(Shown(view), "r/0 a/1 b/1 d/1");
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right); // on an expanded row: to its first child
    EXPECT_EQ(Selected(view, document), "c");
    QTest::keyClick(&view, Qt::Key_Right); // a leaf: nothing
    QTest::keyClick(&view, Qt::Key_Left);  // to the parent
    QTest::keyClick(&view, Qt::Key_Left);  // collapse it
    EXPECT_EQ(Selected(view, document), "b");
    EXPECT_EQ(Shown(view), "r/0 a/1 b/1 d/1");
    QTest::keyClick(&view, Qt::Key_Up, Qt::ControlModifier); // a command's key, not a move
    EXPECT_EQ(Selected(view, document), "b");
    QTest::keyClick(&view, Qt::Key_Plus);
    EXPECT_EQ(Shown(view), "r/0 a/1 b/1 c/2 d/1");
    QTest::keyClick(&view, Qt::Key_Minus);
    EXPECT_EQ(Shown(view), "r/0 a/1 b/1 d/1");
    QTest::keyClick(&view, Qt::Key_Home);
    QTest::keyClick(&view, Qt::Key_Asterisk, Qt::ShiftModifier);
    EXPECT_EQ(Shown(view), "r/0 a/1 b/1 c/2 d/1 #Text/2");
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(Selected(view, document), "#Text");
    QTest::keyClick(&view, Qt::Key_PageUp);
    EXPECT_EQ(Selected(view, document), "r");
    // Collapsing an ancestor of the selection moves it to the collapsed row.
    QTest::keyClick(&view, Qt::Key_End);
    view.SetExpanded(IdOf(view, 0), false);
    EXPECT_EQ(Selected(view, document), "r");
    EXPECT_EQ(Shown(view), "r/0");
}

TEST(NodeTreeViewTest, EditsUndoAndMovesFollowTheDocument)
{
    Viewed viewed("<r><a><x/></a><b><c/><e/></b><d/></r>", QSize(600, 400));
    XmlDocument& document = viewed.document;
    NodeTreeView& view = viewed.view;
    const int32_t r = IdOf(view, 0);
    view.ExpandAll(r);
    view.SetExpanded(IdOf(view, 1), false); // a collapsed, b expanded
    EXPECT_EQ(Shown(view), "r/0 a/1 b/1 c/2 e/2 d/1");
    const int32_t b = IdOf(view, 2);
    const int32_t c = IdOf(view, 3);

    // Deleting the selection's ancestor selects the row that takes its place; undo brings the
    // subtree back as it was shown and selects it.
    view.SelectNode(c);
    ASSERT_TRUE(document.DeleteNode(b));
    EXPECT_EQ(Shown(view), "r/0 a/1 d/1");
    EXPECT_EQ(Selected(view, document), "d");
    ASSERT_TRUE(document.History().Undo());
    EXPECT_EQ(Shown(view), "r/0 a/1 b/1 c/2 e/2 d/1");
    EXPECT_EQ(Selected(view, document), "b");

    // A step move, a drag move into a collapsed element (first there; the element then opens
    // to show it), and an insert.
    ASSERT_TRUE(document.MoveNodeStep(c, false));
    EXPECT_EQ(Shown(view), "r/0 a/1 b/1 e/2 c/2 d/1");
    ASSERT_TRUE(document.MoveNodeTo(b, IdOf(view, 1)));
    EXPECT_EQ(Shown(view), "r/0 a/1 b/2 e/3 c/3 x/2 d/1");
    EXPECT_EQ(Selected(view, document), "b");
    XmlNodeData element;
    element.kind = XmlNodeKind::Element;
    element.localName = QStringLiteral("n");
    NodeIdPath path;
    ASSERT_TRUE(document.InsertNode(element, r, -1, path));
    EXPECT_EQ(Shown(view), "r/0 n/1 a/1 b/2 e/3 c/3 x/2 d/1");
    ASSERT_TRUE(document.History().Undo());
    ASSERT_TRUE(document.History().Undo());
    EXPECT_EQ(Shown(view), "r/0 a/1 x/2 b/1 e/2 c/2 d/1");

    // Deleting the last row leaves the one above selected; the scroll range follows.
    view.resize(300, 100);
    view.SelectNode(IdOf(view, 6));
    ASSERT_TRUE(document.DeleteNode(view.SelectedNodeId()));
    EXPECT_EQ(Selected(view, document), "c");
    EXPECT_EQ(view.verticalScrollBar()->maximum(),
              std::max(0, view.Rows().Count() - view.viewport()->height() / view.RowHeight()));
}

TEST(NodeTreeViewTest, MouseSelectsAndTogglesAndPaintsTheSelection)
{
    Viewed viewed("<r><a/><b/></r>", QSize(700, 300));
    XmlDocument& document = viewed.document;
    NodeTreeView& view = viewed.view;
    ASSERT_TRUE(viewed.Show());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.ButtonRect(0).center());
    EXPECT_EQ(Shown(view), "r/0 a/1 b/1");
    EXPECT_EQ(view.SelectedNodeId(), -1); // the button opens, it does not select
    // With the Value column moved to the left, the buttons stand in the Name column.
    view.Header()->moveSection(1, 0);
    EXPECT_EQ(view.ButtonRect(0).left(), view.Header()->sectionSize(NodeTreeView::ValueColumn));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.ButtonRect(0).center());
    EXPECT_EQ(Shown(view), "r/0");
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.ButtonRect(0).center());
    view.Header()->moveSection(1, 0);
    const int h = view.RowHeight();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(400, 2 * h + h / 2));
    EXPECT_EQ(Selected(view, document), "b");
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(400, h / 2));
    EXPECT_EQ(Shown(view), "r/0");
    EXPECT_EQ(Selected(view, document), "r");

    // The selection bar spans both columns; the Value column takes the rest of the width.
    const QImage image = view.viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 5, h / 2),
              view.palette().color(QPalette::Highlight));
    EXPECT_EQ(image.pixelColor(image.width() - 5, h + h / 2), view.palette().color(QPalette::Base));
    TreeColumnWidths::Shared().SetNameWidth(180);
    EXPECT_EQ(view.Header()->sectionSize(NodeTreeView::NameColumn), 180);
    EXPECT_EQ(view.Header()->sectionSize(NodeTreeView::ValueColumn),
              std::max(350, view.viewport()->width() - 180));
    view.Header()->resizeSection(NodeTreeView::NameColumn, 220); // a drag here reaches the others
    EXPECT_EQ(TreeColumnWidths::Shared().NameWidth(), 220);
    TreeColumnWidths::Shared().SetNameWidth(TreeColumnWidths::DefaultNameWidth);
}

TEST(NodeTreeViewTest, ACellCutShortShowsItsWholeTextAsTheToolTip)
{
    const QString value(300, u'v');
    Viewed viewed("<r><a>short</a><b>" + value.toUtf8() + "</b></r>", QSize(500, 300));
    NodeTreeView& view = viewed.view;
    view.ExpandAll(view.Rows().At(0)->Id());
    ASSERT_TRUE(viewed.Show());
    auto tip = [&](int row) {
        QToolTip::hideText();
        const int x = view.Header()->sectionViewportPosition(NodeTreeView::ValueColumn) + 100;
        const QPoint point(x, row * view.RowHeight() + view.RowHeight() / 2);
        QHelpEvent help(QEvent::ToolTip, point, view.viewport()->mapToGlobal(point));
        QApplication::sendEvent(view.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_TRUE(tip(4).contains(value));                    // the text under b
    EXPECT_FALSE(tip(2).contains(QStringLiteral("short"))); // it fits
    QToolTip::hideText();
}

TEST(NodeTreeViewTest, ASecondClickEditsTheCellUnderThePointerAndPressesAreMarked)
{
    Viewed viewed("<r k=\"v\"><a>line\r\nbreak</a></r>", QSize(700, 300));
    XmlDocument& document = viewed.document;
    NodeTreeView& view = viewed.view;
    ASSERT_TRUE(viewed.Show());
    view.ExpandAll(document.Root()->FirstChild()->Id());
    ASSERT_EQ(Shown(view), "r/0 k/1 a/1 #Text/2");
    QSignalSpy edits(&view, &NodeTreeView::cellEditRequested);
    const int h = view.RowHeight();
    auto at = [&](int row, int column) { return view.CellRect(row, column).center(); };

    // The first click selects; a click on the selected row edits the cell under the pointer.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at(1, 1));
    EXPECT_EQ(Selected(view, document), "k");
    EXPECT_EQ(edits.count(), 0);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at(1, 1));
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits.at(0).at(1).toInt(), NodeTreeView::ValueColumn);
    EXPECT_TRUE(view.Editor().IsOpen());
    view.CancelCellEdit();
    // An element's value is no cell to edit, nor is empty space.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at(2, 1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at(2, 1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      QPoint(100, view.viewport()->height() - 3));
    EXPECT_FALSE(view.Editor().IsOpen());
    EXPECT_EQ(Selected(view, document), "a");

    // A held press marks its row in the mid tone until the release.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(1, 1));
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, at(3, 1));
    QImage image = view.viewport()->grab().toImage();
    EXPECT_EQ(view.DropHighlight(), document.Root()->FirstChild()->ChildAt(1)->ChildAt(0)->Id());
    QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, at(3, 1));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at(1, 1));
    EXPECT_EQ(view.DropHighlight(), -1);
    view.CancelCellEdit();

    // A value with line breaks is painted on one line, centred in its row.
    view.ClearSelection();
    QApplication::processEvents();
    image = view.viewport()->grab().toImage();
    const QRect text = view.CellRect(3, NodeTreeView::ValueColumn);
    int inked = 0;
    for (int x = text.left(); x < text.right(); ++x)
        inked += image.pixelColor(x, text.center().y()) != view.palette().color(QPalette::Base);
    EXPECT_GT(inked, 0);
    EXPECT_EQ(text.height(), h);
}

TEST(NodeTreeViewTest, TypedLettersFindARowAndADragScrollsAtTheEdges)
{
    QByteArray xml = "<r>";
    for (int i = 0; i < 200; ++i)
        xml += i == 150 ? "<beta/>" : i == 160 ? "<better/>" : "<alpha/>";
    xml += "</r>";
    Viewed viewed(xml, QSize(500, 300));
    XmlDocument& document = viewed.document;
    NodeTreeView& view = viewed.view;
    ASSERT_TRUE(viewed.Show());
    view.SetExpanded(document.Root()->FirstChild()->Id(), true);
    view.SelectNode(document.Root()->FirstChild()->Id());

    // Letters in quick succession spell a name; the search goes on from the selection.
    QTest::keyClicks(&view, QStringLiteral("BE"));
    EXPECT_EQ(Selected(view, document), "beta");
    EXPECT_EQ(view.Rows().RowOf(view.SelectedNode()), 151);
    QTest::keyClicks(&view, QStringLiteral("tte"));
    EXPECT_EQ(view.Rows().RowOf(view.SelectedNode()), 161);
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(&view, QStringLiteral("z"));
    EXPECT_EQ(view.Rows().RowOf(view.SelectedNode()), 161); // no such name: nothing moves

    // A drag resting at the bottom edge scrolls down, one at the top scrolls back up.
    view.SelectNode(document.Root()->FirstChild()->Id());
    const int top = view.TopRow();
    const QPoint start = view.CellRect(view.Rows().RowOf(view.SelectedNode()), 0).center();
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, start);
    auto moveTo = [&](QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, view.viewport()->mapToGlobal(point),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
    };
    moveTo(start + QPoint(1, 0));
    ASSERT_GE(view.DragSource(), 0);
    moveTo(QPoint(50, view.viewport()->height() - 2));
    QTRY_VERIFY(view.TopRow() > top + 2);
    moveTo(QPoint(50, 1));
    const int lowered = view.TopRow();
    QTRY_VERIFY(view.TopRow() < lowered);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(view.DragSource(), -1);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(50, 1));
}
