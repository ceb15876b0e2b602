#include "RecordingMessageBoxes.h"
#include "ViewTestHelpers.h"

#include "document/DocumentMessages.h"
#include "document/XmlDocument.h"
#include "editing/CommandId.h"
#include "view/InPlaceEdit.h"
#include "view/NodeIcons.h"
#include "view/TreeColumnWidths.h"
#include "view/TreeListItemModel.h"
#include "view/TreeListPane.h"
#include "view/TreeListView.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "ui/MenuBuilder.h"

using namespace view_test;

namespace {

struct OpenedView {
    SampleFile file;
    TreeListView view;
    explicit OpenedView(const QByteArray& content = kSample) : file(content)
    {
        EXPECT_TRUE(view.OpenFile(file.Path()));
    }
    TreeListItem* Item(const QString& name) const { return ItemNamed(view, name); }
    bool Run(int command, const QString& selectName)
    {
        view.SelectItem(Item(selectName));
        return view.HandleCommand(command);
    }
};

} // namespace

TEST(TreeListViewTest, OpenBuildsOneCollapsedItemPerNodeUnderNameAndValue)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    EXPECT_EQ(MirrorDifference(view), "");
    EXPECT_EQ(view.ItemModel()->ItemCount(), 13u);
    EXPECT_EQ(view.FilePath(), opened.file.Path());
    EXPECT_EQ(view.header()->sectionSize(0), 250);
    EXPECT_EQ(view.header()->sectionSize(1), 350);
    EXPECT_EQ(view.ItemModel()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    EXPECT_EQ(view.ItemModel()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value"));
    for (int i = 0; i < view.ChildItemCount(nullptr); ++i)
        EXPECT_FALSE(view.IsItemExpanded(view.ChildItem(nullptr, i)));
    EXPECT_FALSE(view.Document().IsModified());

    // Opening another file replaces the items and forgets the old history.
    view.SelectItem(opened.Item(QStringLiteral("c")));
    ASSERT_TRUE(view.HandleCommand(CommandId::Delete));
    SampleFile other("<other><z/></other>");
    ASSERT_TRUE(view.OpenFile(other.Path()));
    EXPECT_EQ(MirrorDifference(view), "");
    EXPECT_EQ(view.ItemModel()->ItemCount(), 2u);
    EXPECT_FALSE(view.Document().History().CanUndo());
}

TEST(TreeListViewTest, FailedOpenReportsTheLoadErrorAndLeavesTheViewEmpty)
{
    RecordingMessageBoxes boxes;
    MessageBoxes::Override use(boxes);
    OpenedView opened;
    SampleFile broken("<root><a></root>");
    EXPECT_FALSE(opened.view.OpenFile(broken.Path()));
    EXPECT_EQ(opened.view.ChildItemCount(nullptr), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, QStringLiteral("error"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("TOVI XMLEditor"));
    const XmlDocument& document = opened.view.Document();
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Error processing file: ")));
    EXPECT_TRUE(boxes.shown[0].text.contains(broken.Path()));
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("Line: %1, position: %2.")
                                                 .arg(document.ErrorLine())
                                                 .arg(document.ErrorPosition())));

    const QString missing = opened.file.Folder() + QStringLiteral("/missing.xml");
    EXPECT_FALSE(opened.view.OpenFile(missing));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.shown[1].text.endsWith(QStringLiteral("Line: -1, position: -1.")));
}

TEST(TreeListViewTest, NewFileShowsTheFreshDocument)
{
    TreeListView view;
    ASSERT_TRUE(view.NewFile(QStringLiteral("Untitled1")));
    EXPECT_EQ(view.FilePath(), QStringLiteral("Untitled1"));
    EXPECT_EQ(MirrorDifference(view), "");
    ASSERT_EQ(view.ChildItemCount(nullptr), 1);
    EXPECT_EQ(view.GetCellText(view.ChildItem(nullptr, 0), 0), QStringLiteral("Root_Node"));
}

TEST(TreeListViewTest, CellsShowTextsColoursFontsAndPicturesPerKind)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    TreeListItem* item = opened.Item(QStringLiteral("x:item"));
    TreeListItem* attribute = opened.Item(QStringLiteral("id"));
    TreeListItem* text = view.ChildItem(item, 1);
    TreeListItem* comment = view.ChildItem(item, 2);
    ASSERT_TRUE(item && attribute && text && comment);

    EXPECT_EQ(view.GetCellText(item, 0), QStringLiteral("x:item"));
    EXPECT_EQ(view.GetCellText(item, 1), QString());
    EXPECT_EQ(view.GetCellText(item, 2), QString());
    EXPECT_EQ(view.GetCellText(attribute, 1), QStringLiteral("7"));
    EXPECT_EQ(view.GetCellText(text, 0), QStringLiteral("#Text"));
    EXPECT_EQ(view.GetCellText(text, 1), QStringLiteral("some text"));
    EXPECT_EQ(view.GetCellText(comment, 0), QStringLiteral("#Comment"));
    EXPECT_EQ(view.GetCellText(comment, 1), QStringLiteral("note"));

    // Colours come from the palette: on white the names keep their classic hues, values are
    // the text colour, and on any background every cell stays readable.
    QPalette light = view.palette();
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    view.setPalette(light);
    EXPECT_EQ(view.GetCellTextColor(item, 0, 0), QColor(0x80, 0x40, 0x00));
    EXPECT_EQ(view.GetCellTextColor(item, 1, 0), QColor(Qt::black));
    EXPECT_EQ(view.GetCellTextColor(attribute, 0, 0), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(view.GetCellTextColor(text, 1, 0), QColor(Qt::black));
    const QColor grey = view.GetCellTextColor(text, 0, 0);
    EXPECT_EQ(grey, view.GetCellTextColor(comment, 1, 0));
    EXPECT_TRUE(grey.red() == grey.green() && grey.green() == grey.blue() && grey.red() > 0x60);
    EXPECT_EQ(view.GetCellTextColor(comment, 1, TreeListControl::StateSelected),
              view.palette().color(QPalette::HighlightedText));
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    for (const QPalette& palette : {light, dark}) {
        view.setPalette(palette);
        for (TreeListItem* row : {item, attribute, text, comment}) {
            for (int column : {0, 1}) {
                const QColor colour = view.GetCellTextColor(row, column, 0);
                EXPECT_GE(TreeListView::Contrast(colour, palette.color(QPalette::Base)), 4.5)
                    << column << " " << colour.name().toStdString();
            }
        }
    }
    // On the dark background the element name keeps its hue, lightened.
    EXPECT_GT(view.GetCellTextColor(item, 0, 0).lightness(), QColor(0x80, 0x40, 0x00).lightness());
    EXPECT_EQ(view.GetCellTextColor(item, 0, 0).hslHue(), QColor(0x80, 0x40, 0x00).hslHue());
    view.setPalette(light);

    // Assistive technology hears each row's kind and level with its cells.
    const QAbstractItemModel* model = view.ItemModel();
    EXPECT_EQ(model->data(view.ItemModel()->IndexOf(item), Qt::AccessibleDescriptionRole),
              QStringLiteral("element, level 2, collapsed"));
    EXPECT_EQ(model->data(view.ItemModel()->IndexOf(attribute), Qt::AccessibleDescriptionRole),
              QStringLiteral("attribute, level 3"));
    EXPECT_EQ(view.GetRowDescription(comment), QStringLiteral("comment, level 3"));
    EXPECT_EQ(view.GetRowDescription(view.ChildItem(nullptr, 0)),
              QStringLiteral("comment, level 1"));
    view.ExpandItem(item);
    EXPECT_EQ(view.GetRowDescription(item), QStringLiteral("element, level 2, expanded"));
    // Only elements may ever get children: the tree skips its expansion lookups for the rest,
    // an empty element included.
    for (TreeListItem* leaf : {attribute, text, comment})
        EXPECT_TRUE(view.ItemModel()->flags(view.ItemModel()->IndexOf(leaf)) &
                    Qt::ItemNeverHasChildren);
    EXPECT_FALSE(view.ItemModel()->flags(view.ItemModel()->IndexOf(opened.Item("c"))) &
                 Qt::ItemNeverHasChildren);

    EXPECT_EQ(view.GetCellFontStyle(item, 0, 0), 0u);
    EXPECT_EQ(view.GetCellFontStyle(text, 0, 0), uint32_t(TreeListControl::FontItalic));
    EXPECT_EQ(view.GetCellFontStyle(text, 1, 0), 0u);
    EXPECT_EQ(view.GetCellFontStyle(comment, 0, 0), uint32_t(TreeListControl::FontItalic));
    EXPECT_EQ(view.GetCellFontStyle(comment, 1, 0), uint32_t(TreeListControl::FontItalic));

    EXPECT_EQ(view.GetCellImage(item, 0, false, false), NodeIcons::ElementClosed);
    EXPECT_EQ(view.GetCellImage(item, 0, true, true), NodeIcons::ElementOpen);
    EXPECT_EQ(view.GetCellImage(attribute, 0, false, false), NodeIcons::Attribute);
    EXPECT_EQ(view.GetCellImage(text, 0, false, false), NodeIcons::Text);
    EXPECT_EQ(view.GetCellImage(comment, 0, false, false), NodeIcons::Comment);
    EXPECT_EQ(view.GetCellImage(attribute, 1, false, false), -1);

    EXPECT_FALSE(view.IsCellReadOnly(item, 0));
    EXPECT_TRUE(view.IsCellReadOnly(item, 1));
    EXPECT_FALSE(view.IsCellReadOnly(attribute, 0));
    EXPECT_FALSE(view.IsCellReadOnly(attribute, 1));
    EXPECT_TRUE(view.IsCellReadOnly(text, 0));
    EXPECT_FALSE(view.IsCellReadOnly(comment, 1));
    EXPECT_FALSE(view.IsCellMultiline(item, 0));
    EXPECT_TRUE(view.IsCellMultiline(item, 1));

    // An item whose node is gone paints as nothing and cannot be edited.
    TreeListItem* orphan = view.AppendItem(nullptr, 9999);
    EXPECT_EQ(view.GetCellText(orphan, 0), QString());
    EXPECT_EQ(view.GetCellTextColor(orphan, 0, 0), view.palette().color(QPalette::Base));
    EXPECT_EQ(view.GetCellImage(orphan, 0, false, false), -1);
    EXPECT_TRUE(view.IsCellReadOnly(orphan, 1));
    EXPECT_EQ(view.GetItemNodeId(nullptr), -1);
}

TEST(TreeListViewTest, InstructionsAndKeptWhitespaceHaveRowsOfTheirOwn)
{
    RecordingMessageBoxes boxes;
    MessageBoxes::Override use(boxes);
    OpenedView opened("<?app go?><r><pre xml:space=\"preserve\"> \t\n</pre></r>");
    TreeListView& view = opened.view;
    TreeListItem* instruction = opened.Item(QStringLiteral("app"));
    ASSERT_TRUE(instruction);
    EXPECT_EQ(view.GetCellText(instruction, 1), QStringLiteral("go"));
    EXPECT_EQ(view.GetCellImage(instruction, 0, false, false), NodeIcons::ProcessingInstruction);
    EXPECT_EQ(view.GetCellFontStyle(instruction, 0, 0), uint32_t(TreeListControl::FontItalic));
    EXPECT_FALSE(view.IsCellReadOnly(instruction, 0));
    EXPECT_FALSE(view.IsCellReadOnly(instruction, 1));
    // A target takes no prefix and is never "xml", which would not load back.
    for (const QString& name : {QStringLiteral("a:b"), QStringLiteral("XML")}) {
        EXPECT_FALSE(view.ApplyItemEdit(instruction, 0, name));
        EXPECT_EQ(view.GetCellText(instruction, 0), QStringLiteral("app"));
    }
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(view.ApplyItemEdit(instruction, 0, QStringLiteral("tool")));
    EXPECT_EQ(view.GetCellText(instruction, 0), QStringLiteral("tool"));

    // Whitespace that a file keeps is painted visibly, and edited as it is.
    TreeListItem* space = view.ChildItem(opened.Item(QStringLiteral("pre")), 1);
    ASSERT_TRUE(space);
    EXPECT_EQ(view.GetCellText(space, 1), QStringLiteral(" \t\r\n"));
    QString painted;
    int image = -1;
    view.GetCellTextAndImage(space, 1, false, false, painted, image);
    EXPECT_EQ(painted, QStringLiteral("\u00B7\u2192\u21B5"));
    EXPECT_EQ(view.GetCellTextColor(space, 1, 0), view.GetCellTextColor(space, 0, 0));
}

TEST(TreeListViewTest, PicturesArePaintedOnTheBackgroundNextToTheName)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    view.resize(700, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    TreeListItem* comment = view.ChildItem(nullptr, 0);
    view.SelectItem(comment);
    QApplication::processEvents();
    const QImage image = view.viewport()->grab().toImage();
    const QRect cell = view.visualRect(view.ItemModel()->IndexOf(comment));
    const QColor base = view.palette().color(QPalette::Base);
    bool drawn = false;
    for (int x = cell.left() + 1; x < cell.left() + 17; ++x)
        drawn = drawn || image.pixelColor(x, cell.center().y()) != base;
    EXPECT_TRUE(drawn);
    // The picture keeps the tree's background, the text area right of it is highlighted.
    EXPECT_EQ(image.pixelColor(cell.left(), cell.top()), base);
    EXPECT_EQ(image.pixelColor(cell.right() - 1, cell.center().y()),
              view.palette().color(QPalette::Highlight));
}

TEST(TreeListViewTest, ShowPrefixesIsToggledPerView)
{
    OpenedView first;
    OpenedView second;
    TreeListItem* item = first.Item(QStringLiteral("x:item"));
    ASSERT_TRUE(first.view.ShowPrefixes());
    EXPECT_TRUE(first.view.CommandState().IsChecked(CommandId::ShowPrefixes));
    ASSERT_TRUE(first.view.HandleCommand(CommandId::ShowPrefixes));
    EXPECT_FALSE(first.view.ShowPrefixes());
    EXPECT_FALSE(first.view.CommandState().IsChecked(CommandId::ShowPrefixes));
    EXPECT_EQ(first.view.GetCellText(item, 0), QStringLiteral("item"));
    EXPECT_TRUE(second.view.ShowPrefixes());
    EXPECT_EQ(second.view.GetCellText(second.Item(QStringLiteral("x:item")), 0),
              QStringLiteral("x:item"));

    // Copy name takes the name as displayed.
    first.view.SelectItem(item);
    ASSERT_TRUE(first.view.HandleCommand(CommandId::CopyName));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("item"));
    second.view.SelectItem(second.Item(QStringLiteral("x:item")));
    ASSERT_TRUE(second.view.HandleCommand(CommandId::CopyName));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("x:item"));

    // A name typed without a colon keeps the hidden prefix.
    EXPECT_TRUE(first.view.ApplyItemEdit(item, 0, QStringLiteral("thing")));
    EXPECT_EQ(first.view.NodeOf(item)->QualifiedName(), QStringLiteral("x:thing"));
    TreeListView fresh;
    EXPECT_TRUE(fresh.ShowPrefixes());
}

TEST(TreeListViewTest, InsertsSelectTheNewItemInItsPlaceAndAskForItsEditor)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    QSignalSpy edits(&view, &TreeListControl::cellEditRequested);

    TreeListItem* b = opened.Item(QStringLiteral("b"));
    ASSERT_TRUE(opened.Run(CommandId::InsertElementAfter, QStringLiteral("c")));
    TreeListItem* added = view.SelectedItem();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(view.GetCellText(added, 0), QStringLiteral("New_Element"));
    EXPECT_EQ(view.ParentItem(added), b);
    EXPECT_EQ(view.ChildItem(b, 1), added);
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits.at(0).at(0).value<TreeListItem*>(), added);
    EXPECT_EQ(edits.at(0).at(1).toInt(), 0);

    // As child: first among the content, after the attributes; the parent is expanded.
    ASSERT_TRUE(opened.Run(CommandId::InsertCommentAsChild, QStringLiteral("x:item")));
    TreeListItem* item = opened.Item(QStringLiteral("x:item"));
    EXPECT_EQ(view.SelectedItem(), view.ChildItem(item, 1));
    EXPECT_TRUE(view.IsItemExpanded(item));
    ASSERT_EQ(edits.count(), 2);
    EXPECT_EQ(edits.at(1).at(1).toInt(), 1);

    // Before the document element: a top-level comment between the first comment and root.
    ASSERT_TRUE(opened.Run(CommandId::InsertCommentBefore, QStringLiteral("root")));
    EXPECT_EQ(view.SelectedItem(), view.ChildItem(nullptr, 1));
    // Text before the document element is refused: nothing changes, nothing is edited.
    const size_t count = view.ItemModel()->ItemCount();
    opened.Run(CommandId::InsertTextBefore, QStringLiteral("root"));
    EXPECT_EQ(view.ItemModel()->ItemCount(), count);
    EXPECT_EQ(edits.count(), 3);
    EXPECT_EQ(MirrorDifference(view), "");
}

TEST(TreeListViewTest, MovesDeletesAndUndoKeepTheNodeSelectedInItsPlace)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    TreeListItem* root = opened.Item(QStringLiteral("root"));

    ASSERT_TRUE(opened.Run(CommandId::MoveDown, QStringLiteral("x:item")));
    TreeListItem* moved = view.SelectedItem();
    EXPECT_EQ(view.GetCellText(moved, 0), QStringLiteral("x:item"));
    EXPECT_EQ(view.ChildItem(root, 3), moved);

    ASSERT_TRUE(opened.Run(CommandId::Delete, QStringLiteral("b")));
    EXPECT_EQ(opened.Item(QStringLiteral("b")), nullptr);
    EXPECT_NE(view.SelectedItem(), nullptr);
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
    TreeListItem* back = view.SelectedItem();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(view.GetCellText(back, 0), QStringLiteral("b"));
    EXPECT_EQ(view.ChildItem(root, 2), back);
    EXPECT_EQ(view.ChildItemCount(back), 2);
    ASSERT_TRUE(view.HandleCommand(CommandId::Redo));
    EXPECT_EQ(opened.Item(QStringLiteral("b")), nullptr);

    // The document element can be neither deleted nor duplicated.
    opened.Run(CommandId::Delete, QStringLiteral("root"));
    opened.Run(CommandId::Duplicate, QStringLiteral("root"));
    EXPECT_EQ(view.ChildItemCount(nullptr), 2);

    ASSERT_TRUE(opened.Run(CommandId::Duplicate, QStringLiteral("id")));
    EXPECT_EQ(view.GetCellText(view.SelectedItem(), 0), QStringLiteral("id_1"));
    EXPECT_EQ(MirrorDifference(view), "");
}

TEST(TreeListViewTest, SubtreesComeBackShownAsTheyWere)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    // b and its child d expanded; x:item collapsed.
    view.ExpandItem(opened.Item(QStringLiteral("b")));
    view.ExpandItem(opened.Item(QStringLiteral("d")));
    auto expanded = [&](const QString& name) {
        TreeListItem* item = opened.Item(name);
        return item && view.IsItemExpanded(item);
    };
    ASSERT_TRUE(opened.Run(CommandId::MoveUp, QStringLiteral("b"))); // a step move
    EXPECT_TRUE(expanded(QStringLiteral("b")) && expanded(QStringLiteral("d")));
    ASSERT_TRUE(opened.Run(CommandId::Delete, QStringLiteral("b")));
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
    EXPECT_TRUE(expanded(QStringLiteral("b")) && expanded(QStringLiteral("d")));
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo)); // the step back
    EXPECT_TRUE(expanded(QStringLiteral("b")) && expanded(QStringLiteral("d")));
    // A duplicate is shown like its original; a drag move keeps what it carries.
    ASSERT_TRUE(opened.Run(CommandId::Duplicate, QStringLiteral("b")));
    TreeListItem* copy = view.SelectedItem();
    EXPECT_TRUE(view.IsItemExpanded(copy) && view.IsItemExpanded(view.ChildItem(copy, 1)));
    EXPECT_FALSE(expanded(QStringLiteral("x:item")));
    view.DropItem(copy, opened.Item(QStringLiteral("x:item")), false);
    EXPECT_TRUE(view.IsItemExpanded(view.SelectedItem()));
    EXPECT_EQ(MirrorDifference(view), "");
}

TEST(TreeListViewTest, AvailabilityFollowsTheSelectedItem)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    QApplication::clipboard()->setText(QStringLiteral("plain"));

    view.SelectItem(nullptr);
    EditCommandState state = view.CommandState();
    EXPECT_FALSE(state.IsEnabled(CommandId::Copy));
    EXPECT_TRUE(state.IsEnabled(CommandId::InsertCommentBefore));
    EXPECT_FALSE(state.IsEnabled(CommandId::Undo));

    view.SelectItem(opened.Item(QStringLiteral("root")));
    state = view.CommandState();
    EXPECT_TRUE(state.IsEnabled(CommandId::Copy));
    EXPECT_FALSE(state.IsEnabled(CommandId::Cut));
    EXPECT_FALSE(state.IsEnabled(CommandId::Delete));
    EXPECT_TRUE(state.IsEnabled(CommandId::Rename));
    EXPECT_FALSE(state.IsEnabled(CommandId::ChangeValue));
    EXPECT_TRUE(state.IsEnabled(CommandId::InsertAttribute));
    EXPECT_FALSE(state.IsEnabled(CommandId::InsertElementBefore));
    EXPECT_TRUE(state.IsEnabled(CommandId::InsertCommentAfter));
    EXPECT_FALSE(state.IsEnabled(CommandId::Paste)); // only text on the clipboard

    view.SelectItem(opened.Item(QStringLiteral("id")));
    state = view.CommandState();
    EXPECT_TRUE(state.IsEnabled(CommandId::Cut));
    EXPECT_TRUE(state.IsEnabled(CommandId::ChangeValue));
    EXPECT_FALSE(state.IsEnabled(CommandId::InsertAttribute));
    EXPECT_TRUE(state.IsEnabled(CommandId::InsertElementBefore));

    ASSERT_TRUE(view.HandleCommand(CommandId::Copy));
    view.SelectItem(opened.Item(QStringLiteral("b")));
    state = view.CommandState();
    EXPECT_TRUE(state.IsEnabled(CommandId::Paste));
    EXPECT_FALSE(state.IsEnabled(CommandId::Undo));

    view.SelectItem(view.ChildItem(nullptr, 0)); // the top-level comment
    state = view.CommandState();
    EXPECT_TRUE(state.IsEnabled(CommandId::Delete));
    EXPECT_FALSE(state.IsEnabled(CommandId::InsertTextAfter));
    EXPECT_TRUE(state.IsEnabled(CommandId::InsertCommentAfter));
    EXPECT_FALSE(state.IsEnabled(CommandId::Rename));
}

TEST(TreeListViewTest, CutCopyAndPasteMoveSubtreesThroughTheClipboard)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    view.SelectItem(opened.Item(QStringLiteral("k")));
    ASSERT_TRUE(view.HandleCommand(CommandId::CopyXPath));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("//root/b/d[@k == v]"));
    ASSERT_TRUE(view.HandleCommand(CommandId::CopyValue));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("v"));

    ASSERT_TRUE(opened.Run(CommandId::Copy, QStringLiteral("b")));
    ASSERT_TRUE(opened.Run(CommandId::Paste, QStringLiteral("x:item")));
    TreeListItem* pasted = view.SelectedItem();
    TreeListItem* item = opened.Item(QStringLiteral("x:item"));
    EXPECT_EQ(view.ParentItem(pasted), item);
    EXPECT_EQ(view.ChildItem(item, view.ChildItemCount(item) - 1), pasted);
    EXPECT_EQ(view.ChildItemCount(pasted), 2);

    ASSERT_TRUE(opened.Run(CommandId::Cut, QStringLiteral("a")));
    EXPECT_EQ(opened.Item(QStringLiteral("a")), nullptr);
    // Paste onto a non-element is refused, whatever the key.
    opened.Run(CommandId::Paste, QStringLiteral("id"));
    EXPECT_EQ(opened.Item(QStringLiteral("a")), nullptr);
    ASSERT_TRUE(opened.Run(CommandId::Paste, QStringLiteral("c")));
    EXPECT_EQ(view.ParentItem(opened.Item(QStringLiteral("a"))), opened.Item(QStringLiteral("c")));
    EXPECT_EQ(MirrorDifference(view), "");
}

TEST(TreeListViewTest, InvalidNamesAreRefusedWithTheirMessage)
{
    RecordingMessageBoxes boxes;
    MessageBoxes::Override use(boxes);
    OpenedView opened;
    TreeListItem* b = opened.Item(QStringLiteral("b"));
    EXPECT_FALSE(opened.view.ApplyItemEdit(b, 0, QStringLiteral("1b")));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, QStringLiteral("error"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("TOVI XMLEditor"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("\"1b\" is not valid name"));
    EXPECT_EQ(opened.view.GetCellText(b, 0), QStringLiteral("b"));
    EXPECT_FALSE(opened.view.Document().IsModified());

    // The commit hook of the control is the same edit; values are never refused.
    EXPECT_TRUE(opened.view.EndCellEdit(b, 0, QStringLiteral("x:b")));
    EXPECT_EQ(opened.view.GetCellText(b, 0), QStringLiteral("x:b"));
    // A prefix declared nowhere in scope is refused like an invalid name, the box stays open.
    EXPECT_FALSE(opened.view.EndCellEdit(b, 0, QStringLiteral("y:b")));
    EXPECT_EQ(boxes.shown.size(), 2u);
    TreeListItem* k = opened.Item(QStringLiteral("k"));
    EXPECT_TRUE(opened.view.EndCellEdit(k, 1, QStringLiteral("two\r\nlines")));
    EXPECT_EQ(opened.view.NodeOf(k)->Value(), QStringLiteral("two\r\nlines"));
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST(TreeListViewTest, FindSelectsTheMatchOrTellsNothingWasFound)
{
    RecordingMessageBoxes boxes;
    MessageBoxes::Override use(boxes);
    OpenedView opened;
    TreeListView& view = opened.view;
    TreeListPane pane;
    view.SelectItem(nullptr);
    view.FindRequest(QStringLiteral("ITEM"), FindFlag::NodeNames);
    EXPECT_EQ(view.SelectedItem(), opened.Item(QStringLiteral("x:item")));
    view.FindRequest(QStringLiteral("v"), FindFlag::AttributeValues);
    EXPECT_EQ(view.SelectedItem(), opened.Item(QStringLiteral("k")));
    EXPECT_TRUE(boxes.shown.empty());

    view.FindRequest(QStringLiteral("nowhere"), FindFlag::AllKinds);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, QStringLiteral("information"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("The specified text was not found."));
    EXPECT_EQ(view.SelectedItem(), opened.Item(QStringLiteral("k")));

    // The pane hands the request to its view.
    ASSERT_TRUE(pane.View()->NewFile(QStringLiteral("n")));
    pane.FindRequest(QStringLiteral("Root_Node"), FindFlag::NodeNames);
    EXPECT_EQ(boxes.shown.size(), 1u); // the only node, the start, is found again
    EXPECT_NE(pane.View()->SelectedItem(), nullptr);
}

TEST(TreeListViewTest, DropsMoveOrCopyOntoElementsOnly)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    TreeListItem* id = opened.Item(QStringLiteral("id"));
    TreeListItem* b = opened.Item(QStringLiteral("b"));
    TreeListItem* root = opened.Item(QStringLiteral("root"));
    EXPECT_TRUE(view.CanDropItem(id, b));
    EXPECT_FALSE(view.CanDropItem(id, opened.Item(QStringLiteral("k"))));
    EXPECT_FALSE(view.CanDropItem(root, b));
    EXPECT_FALSE(view.CanDropItem(id, nullptr));

    view.DropItem(id, b, false);
    TreeListItem* moved = view.ChildItem(opened.Item(QStringLiteral("b")), 0);
    EXPECT_EQ(view.GetCellText(moved, 0), QStringLiteral("id"));
    EXPECT_EQ(view.SelectedItem(), moved);
    view.DropItem(moved, opened.Item(QStringLiteral("b")), true);
    EXPECT_EQ(view.ChildItemCount(opened.Item(QStringLiteral("b"))), 4);
    EXPECT_EQ(MirrorDifference(view), "");
}

TEST(TreeListViewTest, ContextMenuOpensOnlyOverAnItemAndSelectsItFirst)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    view.resize(700, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto rightClick = [&](QPoint point) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, point,
                                view.viewport()->mapToGlobal(point));
        QApplication::sendEvent(view.viewport(), &event);
    };

    rightClick(QPoint(50, view.viewport()->height() - 3));
    EXPECT_EQ(view.LastContextMenu(), nullptr);

    TreeListItem* root = opened.Item(QStringLiteral("root"));
    view.SelectItem(view.ChildItem(nullptr, 0));
    const QRect cell = view.visualRect(view.ItemModel()->IndexOf(root, 1));
    rightClick(cell.center());
    EXPECT_EQ(view.SelectedItem(), root);
    QMenu* menu = view.LastContextMenu();
    ASSERT_NE(menu, nullptr);
    QAction* cut = MenuBuilder::FindCommand(menu, CommandId::Cut);
    QAction* attribute = MenuBuilder::FindCommand(menu, CommandId::InsertAttribute);
    ASSERT_TRUE(cut && attribute);
    EXPECT_FALSE(cut->isEnabled());
    EXPECT_TRUE(attribute->isEnabled());

    // A chosen entry runs on the selected item.
    attribute->trigger();
    EXPECT_EQ(view.GetCellText(view.SelectedItem(), 0), QStringLiteral("New_Attribute"));
    EXPECT_EQ(view.ParentItem(view.SelectedItem()), root);
    menu->close();
}

TEST(TreeListViewTest, KeyboardOpensTheMenuAtTheSelectionAndEditsValueOrName)
{
    SampleFile file(kSample);
    TreeListView view;
    OpenShownAndActive(view, file.Path());
    view.setFocus();
    view.SelectItem(nullptr);
    QTest::keyClick(&view, Qt::Key_Menu);
    EXPECT_EQ(view.LastContextMenu(), nullptr); // nothing selected, no menu

    TreeListItem* id = ItemNamed(view, QStringLiteral("id"));
    view.SelectItem(id);
    for (QKeyCombination key : {QKeyCombination(Qt::Key_Menu), Qt::SHIFT | Qt::Key_F10}) {
        QTest::keyClick(&view, key.key(), key.keyboardModifiers());
        QMenu* menu = view.LastContextMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->isVisible());
        // Under the selected row, not wherever the pointer happens to be.
        const QRect row = view.ItemRowRect(id);
        const QPoint at = view.viewport()->mapFromGlobal(menu->pos());
        EXPECT_NEAR(at.y(), row.bottom(), 2);
        EXPECT_LE(std::abs(at.x() - view.CellEditRect(id, 0).left()), 2);
        menu->close();
        view.setFocus();
    }

    // Enter edits the value, F2 the name; the box tells assistive technology which cell.
    QTest::keyClick(&view, Qt::Key_Return);
    ASSERT_TRUE(view.Editor().IsOpen());
    EXPECT_EQ(view.Editor().Result().column, TreeListView::ValueColumn);
    EXPECT_EQ(view.Editor().Box()->accessibleName(), QStringLiteral("Edit Value of id"));
    QTest::keyClick(view.Editor().Box(), Qt::Key_Escape);
    ASSERT_FALSE(view.Editor().IsOpen());
    QTest::keyClick(&view, Qt::Key_F2);
    ASSERT_TRUE(view.Editor().IsOpen());
    EXPECT_EQ(view.Editor().Result().column, TreeListView::NameColumn);
    EXPECT_EQ(view.Editor().Box()->accessibleName(), QStringLiteral("Edit Name of id"));
    QTest::keyClick(view.Editor().Box(), Qt::Key_Escape);
    // An element's value is not editable: Enter opens nothing.
    view.SelectItem(ItemNamed(view, QStringLiteral("b")));
    QTest::keyClick(&view, Qt::Key_Enter);
    EXPECT_FALSE(view.Editor().IsOpen());
}

TEST(TreeListViewTest, ValueFillsTheWidthAndNameWidthsAreSharedByEveryTree)
{
    SampleFile file("<r v=\"" + QByteArray(400, 'x') + "\" w=\"short\"/>");
    TreeListView first;
    OpenShownAndActive(first, file.Path());
    first.resize(1200, 300);
    QApplication::processEvents();
    EXPECT_EQ(first.header()->sectionSize(0), 250);
    EXPECT_EQ(first.header()->sectionSize(1), first.viewport()->width() - 250);
    first.resize(400, 300);
    QApplication::processEvents();
    EXPECT_EQ(first.header()->sectionSize(1), 350); // narrow windows scroll instead

    TreeListView second;
    OpenShownAndActive(second, file.Path());
    second.resize(1000, 300);
    first.header()->resizeSection(0, 320); // as a drag on the header does
    QApplication::processEvents();
    EXPECT_EQ(TreeColumnWidths::Shared().NameWidth(), 320);
    EXPECT_EQ(second.header()->sectionSize(0), 320);
    EXPECT_EQ(second.header()->sectionSize(1), second.viewport()->width() - 320);
    TreeListView third;
    EXPECT_EQ(third.header()->sectionSize(0), 320);
    TreeColumnWidths::Shared().SetNameWidth(TreeColumnWidths::DefaultNameWidth);

    // A value cut short shows whole in its tool-tip; one that fits has none.
    first.resize(700, 300);
    QApplication::processEvents();
    auto tipAt = [&](const QString& name) {
        QToolTip::hideText();
        const QRect cell = first.visualRect(first.ItemModel()->IndexOf(ItemNamed(first, name), 1));
        QHelpEvent help(QEvent::ToolTip, cell.center(),
                        first.viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(first.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_TRUE(tipAt(QStringLiteral("v")).contains(QString(400, u'x')));
    EXPECT_FALSE(tipAt(QStringLiteral("w")).contains(QStringLiteral("short")));
    QToolTip::hideText();
}

TEST(TreeListViewTest, AcceleratorsActOnlyWhileTheTreeHasTheFocus)
{
    SampleFile file(kSample);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new TreeListView(&window);
    auto* edit = new QLineEdit(&window);
    layout->addWidget(view);
    layout->addWidget(edit);
    ASSERT_TRUE(view->OpenFile(file.Path()));
    window.resize(700, 400);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    TreeListItem* c = ItemNamed(*view, QStringLiteral("c"));
    view->SelectItem(c);
    TreeListItem* b = view->ParentItem(c);

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(view->ChildItemCount(b), 2);
    EXPECT_FALSE(view->Document().IsModified());

    view->setFocus();
    QTest::keyClick(view, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(view->ChildItemCount(b), 3);
    EXPECT_EQ(view->ChildItem(b, 1), view->SelectedItem());
    QTest::keyClick(view, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(view->ChildItem(b, 2), view->SelectedItem());
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(view->ChildItemCount(b), 2);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->ChildItemCount(b), 3);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->ChildItemCount(b), 2);

    QSignalSpy edits(view, &TreeListControl::cellEditRequested);
    view->SelectItem(ItemNamed(*view, QStringLiteral("k")));
    QTest::keyClick(view, Qt::Key_F2);
    // The open box takes every key; Escape closes it and gives the focus back to the tree.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(view, Qt::Key_F2, Qt::ControlModifier);
    ASSERT_EQ(edits.count(), 2);
    EXPECT_EQ(edits.at(0).at(1).toInt(), 0);
    EXPECT_EQ(edits.at(1).at(1).toInt(), 1);
    EXPECT_EQ(MirrorDifference(*view), "");
}

TEST(TreeListViewTest, PaneHoldsTheViewUnderItsHeaderAndForwardsCommands)
{
    TreeListPane pane;
    TreeListView* view = pane.View();
    ASSERT_NE(view, nullptr);
    EXPECT_GE(view->header()->height(), TreeListPane::HeaderHeight);
    EXPECT_TRUE(view->header()->sectionsMovable());
    // The tree follows the application's palette rather than forcing its own.
    EXPECT_EQ(view->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    ASSERT_TRUE(view->NewFile(QStringLiteral("n")));
    view->SelectItem(view->ChildItem(nullptr, 0));
    EXPECT_TRUE(pane.HandleCommand(CommandId::InsertAttribute));
    EXPECT_EQ(view->ItemModel()->ItemCount(), 2u);
    EXPECT_FALSE(pane.HandleCommand(CommandId::FileSave));
    EXPECT_EQ(MirrorDifference(*view), "");
}
