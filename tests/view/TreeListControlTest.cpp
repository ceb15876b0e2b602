#include "view/TreeListControl.h"
#include "view/TreeListItemModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

// The general control with every cell editable and its texts and pictures kept here, as a
// derived control supplies them from its own data.
class EditableControl : public TreeListControl {
public:
    std::map<std::pair<const TreeListItem*, int>, QString> texts;
    std::map<const TreeListItem*, int> images;

    bool IsCellReadOnly(const TreeListItem*, int) const override { return false; }
    QString GetCellText(const TreeListItem* item, int column) const override
    {
        const auto it = texts.find({item, column});
        return it == texts.end() ? QString() : it->second;
    }
    int GetCellImage(const TreeListItem* item, int column, bool, bool) const override
    {
        const auto it = images.find(item);
        return column == 0 && it != images.end() ? it->second : -1;
    }
    bool CommitCellText(TreeListItem* item, int column, const QString& text) override
    {
        texts[{item, column}] = text;
        return true;
    }
};

struct ShownControl {
    EditableControl control;
    TreeListItem* first = nullptr;
    TreeListItem* firstChild = nullptr;
    TreeListItem* second = nullptr;
    TreeListItem* third = nullptr;

    ShownControl()
    {
        control.InsertColumn(0, QStringLiteral("Name"), 250, Qt::AlignLeft, -1);
        control.InsertColumn(1, QStringLiteral("Value"), 350, Qt::AlignLeft, -1);
        first = control.AppendItem(nullptr, 1);
        firstChild = control.AppendItem(first, 2);
        second = control.AppendItem(nullptr, 3);
        third = control.AppendItem(nullptr, 4);
        control.AppendItem(third, 5);
        control.texts[{first, 0}] = QStringLiteral("first");
        control.texts[{second, 1}] = QStringLiteral("second value");
        control.resize(700, 300);
        control.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&control));
    }

    QRect CellRect(TreeListItem* item, int column) const
    {
        return control.visualRect(control.ItemModel()->IndexOf(item, column));
    }
    QPoint InColumn(TreeListItem* item, int column) const
    {
        return CellRect(item, column).center();
    }
    QWidget* Viewport() const { return control.viewport(); }
};

QColor PixelAt(const QImage& image, QPoint point)
{
    return image.pixelColor(point);
}

} // namespace

TEST(TreeListControlTest, ColumnLayoutFollowsDisplayOrder)
{
    TreeListControl control;
    EXPECT_EQ(control.InsertColumn(0, QStringLiteral("A"), 100, Qt::AlignLeft, -1), 0);
    EXPECT_EQ(control.InsertColumn(1, QStringLiteral("B"), 50, Qt::AlignLeft, -1), 1);
    // Inserted between A and B but displayed leftmost: A and B move one place right.
    EXPECT_EQ(control.InsertColumn(1, QStringLiteral("C"), 30, Qt::AlignLeft, 0), 1);
    const auto& columns = control.Columns();
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[0].order, 1);
    EXPECT_EQ(columns[1].order, 0);
    EXPECT_EQ(columns[2].order, 2);
    EXPECT_EQ(control.GetColumnSpan(1), std::make_pair(0, 29));
    EXPECT_EQ(control.GetColumnSpan(0), std::make_pair(30, 129));
    EXPECT_EQ(control.GetColumnSpan(2), std::make_pair(130, 179));
    EXPECT_EQ(control.GetColumnSpan(3), std::make_pair(0, 0));
    EXPECT_EQ(control.Origin(), 30);
    EXPECT_EQ(control.ColumnAtX(29), 1);
    EXPECT_EQ(control.ColumnAtX(30), 0);
    EXPECT_EQ(control.ColumnAtX(179), 2);
    EXPECT_EQ(control.ColumnAtX(180), -1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(control.header()->visualIndex(i), columns[size_t(i)].order);

    control.MoveColumn(2, 0);
    EXPECT_EQ(columns[2].order, 0);
    EXPECT_EQ(columns[1].order, 1);
    EXPECT_EQ(columns[0].order, 2);
    EXPECT_EQ(control.Origin(), 80);
    EXPECT_EQ(control.header()->visualIndex(2), 0);
    EXPECT_EQ(control.header()->model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("C"));
}

TEST(TreeListControlTest, HeaderDragsAndResizesReachTheColumns)
{
    ShownControl shown;
    TreeListControl& control = shown.control;
    QSignalSpy resized(control.header(), &QHeaderView::sectionResized);
    control.header()->resizeSection(0, 300);
    EXPECT_EQ(control.Columns()[0].width, 300);
    EXPECT_EQ(control.GetColumnSpan(1), std::make_pair(300, 649));

    // What a user's drag of the Value header to the left does.
    control.header()->moveSection(1, 0);
    EXPECT_EQ(control.Columns()[1].order, 0);
    EXPECT_EQ(control.Columns()[0].order, 1);
    EXPECT_EQ(control.Origin(), 350);
    EXPECT_EQ(control.ColumnAtX(10), 1);
    EXPECT_EQ(control.ColumnAtX(360), 0);
    EXPECT_FALSE(control.header()->sectionsClickable());
    EXPECT_FALSE(control.isSortingEnabled());
}

TEST(TreeListControlTest, ReorderedColumnsKeepHitTestsAndExpandButtons)
{
    ShownControl shown;
    TreeListControl& control = shown.control;
    control.MoveColumn(1, 0);
    ASSERT_EQ(control.Origin(), 350);

    // The tree part (lines, buttons) is drawn in the Name column at its new place.
    const QRect name = shown.CellRect(shown.first, 0);
    EXPECT_GT(name.left(), 350);
    EXPECT_EQ(control.HitTestItem(shown.InColumn(shown.first, 1)), shown.first);
    EXPECT_EQ(control.HitTestItem(name.center()), shown.first);
    // With full-row selection any x on the row counts, right of the last column included.
    EXPECT_EQ(control.HitTestItem(QPoint(680, name.center().y())), shown.first);
    EXPECT_EQ(control.HitTestItem(QPoint(10, control.viewport()->height() - 2)), nullptr);

    const QPoint button(name.left() - control.indentation() / 2, name.center().y());
    EXPECT_TRUE(control.IsOnExpandButton(button));
    EXPECT_EQ(control.HitTestItem(button), nullptr);
    EXPECT_FALSE(control.IsItemExpanded(shown.first));
    QTest::mouseClick(shown.Viewport(), Qt::LeftButton, {}, button);
    EXPECT_TRUE(control.IsItemExpanded(shown.first));
    // A childless item has no button there.
    const QRect secondName = shown.CellRect(shown.second, 0);
    EXPECT_FALSE(control.IsOnExpandButton(
        QPoint(secondName.left() - control.indentation() / 2, secondName.center().y())));
}

TEST(TreeListControlTest, KeysAndDoubleClicksExpandOnlyItemsWithChildren)
{
    ShownControl shown;
    TreeListControl& control = shown.control;
    TreeListItem* grandChild = control.AppendItem(shown.firstChild, 6);
    control.AppendItem(grandChild, 7);
    control.SelectItem(shown.first);
    control.setFocus();
    QTest::keyClick(&control, Qt::Key_Right);
    EXPECT_TRUE(control.IsItemExpanded(shown.first));
    EXPECT_FALSE(control.IsItemExpanded(shown.firstChild));
    QTest::keyClick(&control, Qt::Key_Left);
    EXPECT_FALSE(control.IsItemExpanded(shown.first));
    QTest::keyClick(&control, Qt::Key_Plus);
    EXPECT_TRUE(control.IsItemExpanded(shown.first));
    QTest::keyClick(&control, Qt::Key_Minus);
    EXPECT_FALSE(control.IsItemExpanded(shown.first));

    // "*" expands the whole subtree, but a leaf never counts as expanded.
    QTest::keyClick(&control, Qt::Key_Asterisk);
    for (TreeListItem* item : {shown.first, shown.firstChild, grandChild})
        EXPECT_TRUE(control.IsItemExpanded(item));
    EXPECT_FALSE(control.IsItemExpanded(control.ChildItem(grandChild, 0)));
    EXPECT_FALSE(control.IsItemExpanded(shown.third));
    // The next row moved down by the three shown descendants.
    const QRect firstRow = shown.CellRect(shown.first, 0);
    EXPECT_EQ(shown.CellRect(shown.second, 0).top(), firstRow.top() + 4 * firstRow.height());

    QTest::mouseDClick(shown.Viewport(), Qt::LeftButton, {}, shown.InColumn(shown.first, 0));
    EXPECT_FALSE(control.IsItemExpanded(shown.first));
    QTest::mouseDClick(shown.Viewport(), Qt::LeftButton, {}, shown.InColumn(shown.first, 0));
    EXPECT_TRUE(control.IsItemExpanded(shown.first));
    // Expanded children stay expanded under a parent collapsed and expanded again.
    EXPECT_TRUE(control.IsItemExpanded(grandChild));

    // On the expand button a double click is two clicks, no third toggle.
    QTest::mouseDClick(shown.Viewport(), Qt::LeftButton, {}, shown.InColumn(shown.first, 0));
    ASSERT_FALSE(control.IsItemExpanded(shown.first));
    const QRect name = shown.CellRect(shown.first, 0);
    const QPoint button(name.left() - control.indentation() / 2, name.center().y());
    QTest::mouseDClick(shown.Viewport(), Qt::LeftButton, {}, button);
    EXPECT_FALSE(control.IsItemExpanded(shown.first));
}

TEST(TreeListControlTest, ClickOnTheSelectedItemRequestsAnEditorInTheColumnUnderThePointer)
{
    ShownControl shown;
    TreeListControl& control = shown.control;
    QSignalSpy edits(&control, &TreeListControl::cellEditRequested);

    QTest::mouseClick(shown.Viewport(), Qt::LeftButton, {}, shown.InColumn(shown.second, 0));
    EXPECT_EQ(control.SelectedItem(), shown.second);
    EXPECT_EQ(edits.count(), 0);

    QTest::mouseClick(shown.Viewport(), Qt::LeftButton, {}, shown.InColumn(shown.second, 1));
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits.at(0).at(0).value<TreeListItem*>(), shown.second);
    EXPECT_EQ(edits.at(0).at(1).toInt(), 1);
    const QRect editRect = edits.at(0).at(2).toRect();
    EXPECT_EQ(editRect.left(), 250);
    EXPECT_EQ(editRect.top(), control.ItemRowRect(shown.second).top());

    // Right of the last column there is no column to edit.
    QTest::mouseClick(shown.Viewport(), Qt::LeftButton, {},
                      QPoint(650, shown.InColumn(shown.second, 0).y()));
    EXPECT_EQ(edits.count(), 1);
    EXPECT_EQ(control.SelectedItem(), shown.second);

    // A press on empty space opens nothing.
    QTest::mouseClick(shown.Viewport(), Qt::LeftButton, {},
                      QPoint(100, control.viewport()->height() - 3));
    EXPECT_EQ(edits.count(), 1);

    // A double-click on another item selects and expands it without an editor.
    // The event sequence of a real double-click: press, release, double-click, release.
    const QPoint third = shown.InColumn(shown.third, 0);
    QTest::mouseClick(shown.Viewport(), Qt::LeftButton, {}, third);
    QTest::mouseDClick(shown.Viewport(), Qt::LeftButton, {}, third);
    QTest::mouseRelease(shown.Viewport(), Qt::LeftButton, {}, third);
    EXPECT_EQ(control.SelectedItem(), shown.third);
    EXPECT_TRUE(control.IsItemExpanded(shown.third));
    EXPECT_EQ(edits.count(), 1);
}

TEST(TreeListControlTest, EditRequestsRespectTheCellRules)
{
    TreeListControl readOnly;
    readOnly.InsertColumn(0, QStringLiteral("Name"), 100, Qt::AlignLeft, -1);
    TreeListItem* item = readOnly.AppendItem(nullptr, 1);
    QSignalSpy refused(&readOnly, &TreeListControl::cellEditRequested);
    readOnly.BeginCellEdit(item, 0);
    EXPECT_EQ(refused.count(), 0);

    EditableControl control;
    control.InsertColumn(0, QStringLiteral("Name"), 100, Qt::AlignLeft, -1);
    TreeListItem* parent = control.AppendItem(nullptr, 1);
    TreeListItem* child = control.AppendItem(parent, 2);
    control.SetImageList({QPixmap(16, 16)});
    control.images[child] = 0;
    control.resize(300, 200);
    control.show();
    control.ExpandItem(parent);
    QSignalSpy edits(&control, &TreeListControl::cellEditRequested);
    control.BeginCellEdit(nullptr, 0);
    control.BeginCellEdit(child, -1);
    control.BeginCellEdit(child, 1);
    EXPECT_EQ(edits.count(), 0);
    control.BeginCellEdit(child, 0);
    ASSERT_EQ(edits.count(), 1);
    // Right of two levels of indentation and of the item's picture.
    EXPECT_EQ(edits.at(0).at(2).toRect().left(), 2 * control.indentation() + 18);
}

TEST(TreeListControlTest, EndingAnEditCommitsOnlyATextAndDeletionClearsMarks)
{
    EditableControl control;
    control.InsertColumn(0, QStringLiteral("Name"), 100, Qt::AlignLeft, -1);
    TreeListItem* item = control.AppendItem(nullptr, 1);
    // An empty commit from the editor changes nothing; a text goes through the hook.
    EXPECT_TRUE(control.EndCellEdit(item, 0, QString()));
    EXPECT_EQ(control.GetCellText(item, 0), QString());
    EXPECT_TRUE(control.EndCellEdit(item, 0, QStringLiteral("typed")));
    EXPECT_EQ(control.GetCellText(item, 0), QStringLiteral("typed"));

    // Deleting an item takes its marks along.
    control.SetDropHighlight(item);
    control.DeleteItem(item);
    EXPECT_EQ(control.DropHighlightItem(), nullptr);
    // The bare control shows nothing of its own.
    TreeListControl bare;
    TreeListItem* plain = bare.AppendItem(nullptr, 2);
    EXPECT_EQ(bare.GetCellText(plain, 0), QString());
    EXPECT_EQ(bare.GetCellImage(plain, 0, false, false), -1);
    EXPECT_TRUE(bare.IsCellReadOnly(plain, 0));
}

TEST(TreeListControlTest, DropRulesRefuseTheSourceAndItsDescendants)
{
    TreeListControl control;
    control.InsertColumn(0, QStringLiteral("Name"), 100, Qt::AlignLeft, -1);
    TreeListItem* a = control.AppendItem(nullptr, 1);
    TreeListItem* b = control.AppendItem(a, 2);
    TreeListItem* c = control.AppendItem(b, 3);
    TreeListItem* d = control.AppendItem(nullptr, 4);
    EXPECT_TRUE(control.CanDropItem(a, nullptr));
    EXPECT_TRUE(control.CanDropItem(c, d));
    EXPECT_TRUE(control.CanDropItem(c, a));
    EXPECT_FALSE(control.CanDropItem(a, a));
    EXPECT_FALSE(control.CanDropItem(a, c));
    EXPECT_EQ(control.ItemLevel(c), 2);
    EXPECT_EQ(control.ParentItem(a), nullptr);
}

TEST(TreeListControlTest, SelectedRowIsHighlightedAcrossColumnsAndDropTargetIsMid)
{
    ShownControl shown;
    TreeListControl& control = shown.control;
    control.SelectItem(shown.second);
    control.SetDropHighlight(shown.first);
    QApplication::processEvents();
    const QImage image = shown.Viewport()->grab().toImage();
    const QColor highlight = control.palette().color(QPalette::Highlight);

    const QRect secondName = shown.CellRect(shown.second, 0);
    const QRect secondValue = shown.CellRect(shown.second, 1);
    EXPECT_EQ(PixelAt(image, QPoint(secondName.right() - 2, secondName.center().y())), highlight);
    EXPECT_EQ(PixelAt(image, QPoint(secondValue.right() - 2, secondValue.center().y())), highlight);
    const QRect firstName = shown.CellRect(shown.first, 0);
    EXPECT_EQ(PixelAt(image, QPoint(firstName.right() - 2, firstName.center().y())).rgb(),
              control.palette().color(QPalette::Mid).rgb());
    const QRect thirdValue = shown.CellRect(shown.third, 1);
    EXPECT_EQ(PixelAt(image, QPoint(thirdValue.right() - 2, thirdValue.center().y())),
              control.GetColumnBkColor(1));
}

TEST(TreeListControlTest, LineBreaksArePaintedOnOneLine)
{
    EditableControl control;
    control.InsertColumn(0, QStringLiteral("Name"), 200, Qt::AlignLeft, -1);
    TreeListItem* item = control.AppendItem(nullptr, 1);
    control.texts[{item, 0}] = QStringLiteral("Wg\r\nWg\r\nWg\r\nWg\r\nWg");
    const int lineHeight = QFontMetrics(control.font()).height();
    QImage image(200, lineHeight * 5, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        control.DrawCell(item, 0, painter, image.rect(), 0);
    }
    // One centred line leaves the top and bottom lines' bands untouched.
    auto bandIsBlank = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != QColor(Qt::white))
                    return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(bandIsBlank(0, lineHeight * 3 / 2));
    EXPECT_TRUE(bandIsBlank(image.height() - lineHeight * 3 / 2, image.height()));
    EXPECT_FALSE(bandIsBlank(lineHeight * 2, lineHeight * 3));
}
