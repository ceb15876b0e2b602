#include "RecordingMessageBoxes.h"
#include "ViewTestHelpers.h"

#include "document/XmlDocument.h"
#include "editing/CommandId.h"
#include "ui/MenuBuilder.h"
#include "view/InPlaceEdit.h"
#include "view/NodeCellStyle.h"
#include "view/NodeIcons.h"
#include "view/TreeColumnWidths.h"
#include "view/TreeListPane.h"
#include "view/TreeListView.h"

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

#include <random>

using namespace view_test;

namespace {

struct OpenedView : ViewedDocument {
    SampleFile file;
    explicit OpenedView(const QByteArray& content = kSample) : file(content)
    {
        EXPECT_TRUE(Open(file.Path()));
        view.SetFilePath(file.Path());
    }
    const XmlNode* Node(const QString& name) const { return NodeNamed(document, name); }
    int32_t Id(const QString& name) const { return IdNamed(document, name); }
    bool Run(int command, const QString& selectName)
    {
        view.SelectNode(Id(selectName));
        return view.HandleCommand(command);
    }
    QString Name() const { return view.CellText(view.SelectedNode(), 0); }
};

QColor Colour(const TreeListView& view, const XmlNode* node, int column)
{
    return NodeCellStyle::TextColour(*node, column, view.palette().color(QPalette::Text),
                                     view.palette().color(QPalette::Base));
}

} // namespace

TEST(TreeListViewTest, OpenShowsTheTopLevelRowsCollapsedUnderNameAndValue)
{
    XmlDocument other; // outlives the view that comes to show it
    OpenedView opened;
    TreeListView& view = opened.view;
    EXPECT_EQ(Shown(view), "#Comment/0 root/0");
    EXPECT_EQ(view.Header()->sectionSize(0), 250);
    EXPECT_EQ(view.Header()->sectionSize(1), std::max(350, view.viewport()->width() - 250));
    EXPECT_EQ(view.Header()->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("Name"));
    EXPECT_EQ(view.Header()->model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("Value"));
    EXPECT_FALSE(view.IsExpanded(opened.Node(QStringLiteral("root"))));
    EXPECT_EQ(view.SelectedNode(), nullptr);

    // Another document shown in the view replaces the rows and the selection.
    view.SelectNode(opened.Id(QStringLiteral("c")));
    SampleFile otherFile("<other><z/></other>");
    ASSERT_EQ(other.Load(otherFile.Path()), XE_OK);
    QSignalSpy selection(&view, &NodeTreeView::selectionChanged);
    view.SetDocument(other);
    EXPECT_EQ(Shown(view), "other/0");
    EXPECT_EQ(view.SelectedNode(), nullptr);
    EXPECT_EQ(selection.count(), 1);
    // The first document no longer reaches the view.
    ASSERT_TRUE(opened.document.DeleteNode(opened.Id(QStringLiteral("b"))));
    EXPECT_EQ(Shown(view), "other/0");
}

TEST(TreeListViewTest, CellsShowTextsColoursFontsAndPicturesPerKind)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    const XmlNode* item = opened.Node(QStringLiteral("x:item"));
    const XmlNode* attribute = opened.Node(QStringLiteral("id"));
    const XmlNode* text = item->ChildAt(1);
    const XmlNode* comment = item->ChildAt(2);

    EXPECT_EQ(view.CellText(item, 0), QStringLiteral("x:item"));
    EXPECT_EQ(view.CellText(item, 1), QString());
    EXPECT_EQ(view.CellText(attribute, 1), QStringLiteral("7"));
    EXPECT_EQ(view.CellText(text, 0), QStringLiteral("#Text"));
    EXPECT_EQ(view.CellText(text, 1), QStringLiteral("some text"));
    EXPECT_EQ(view.CellText(comment, 0), QStringLiteral("#Comment"));
    EXPECT_EQ(view.CellText(comment, 1), QStringLiteral("note"));

    // Colours come from the palette: on white the names keep their classic hues, values are
    // the text colour, and on any background every cell stays readable.
    QPalette light = view.palette();
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    view.setPalette(light);
    EXPECT_EQ(Colour(view, item, 0), QColor(0x80, 0x40, 0x00));
    EXPECT_EQ(Colour(view, item, 1), QColor(Qt::black));
    EXPECT_EQ(Colour(view, attribute, 0), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(Colour(view, text, 1), QColor(Qt::black));
    const QColor grey = Colour(view, text, 0);
    EXPECT_EQ(grey, Colour(view, comment, 1));
    EXPECT_TRUE(grey.red() == grey.green() && grey.green() == grey.blue() && grey.red() > 0x60);
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    for (const QPalette& palette : {light, dark}) {
        view.setPalette(palette);
        for (const XmlNode* row : {item, attribute, text, comment}) {
            for (int column : {0, 1}) {
                const QColor colour = Colour(view, row, column);
                EXPECT_GE(NodeCellStyle::Contrast(colour, palette.color(QPalette::Base)), 4.5)
                    << column << " " << colour.name().toStdString();
            }
        }
    }
    // On the dark background the element name keeps its hue, lightened.
    EXPECT_GT(Colour(view, item, 0).lightness(), QColor(0x80, 0x40, 0x00).lightness());
    EXPECT_EQ(Colour(view, item, 0).hslHue(), QColor(0x80, 0x40, 0x00).hslHue());
    view.setPalette(light);

    EXPECT_FALSE(NodeCellStyle::Italic(*item, 0));
    EXPECT_TRUE(NodeCellStyle::Italic(*text, 0));
    EXPECT_FALSE(NodeCellStyle::Italic(*text, 1));
    EXPECT_TRUE(NodeCellStyle::Italic(*comment, 0));
    EXPECT_TRUE(NodeCellStyle::Italic(*comment, 1));

    EXPECT_EQ(NodeCellStyle::Icon(*item, false), NodeIcons::ElementClosed);
    EXPECT_EQ(NodeCellStyle::Icon(*item, true), NodeIcons::ElementOpen);
    EXPECT_EQ(NodeCellStyle::Icon(*attribute, false), NodeIcons::Attribute);
    EXPECT_EQ(NodeCellStyle::Icon(*text, false), NodeIcons::Text);
    EXPECT_EQ(NodeCellStyle::Icon(*comment, false), NodeIcons::Comment);
}

// Right to left the rows are mirrored: indentation, button and picture at the right of the
// Name column, the text after them, and Left opens a row as the arrow points.
TEST(TreeListViewTest, RightToLeftMirrorsTheRowsAndTheArrowKeys)
{
    OpenedView opened("<root><a/></root>");
    TreeListView& view = opened.view;
    view.setLayoutDirection(Qt::RightToLeft);
    view.resize(700, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const XmlNode* root = opened.Node(u"root"_qs);
    const QHeaderView* header = view.Header();
    const int sectionLeft = header->sectionViewportPosition(0);
    const int sectionRight = sectionLeft + header->sectionSize(0) - 1;
    const QRect cell = view.CellRect(0, 0);
    const QRect button = view.ButtonRect(0);
    EXPECT_EQ(cell.left(), sectionLeft);
    EXPECT_LT(cell.right(), button.left());
    EXPECT_EQ(button.right(), sectionRight);

    view.SelectNode(root->Id());
    QApplication::processEvents();
    const QImage image = view.viewport()->grab().toImage();
    const QColor base = view.palette().color(QPalette::Base);
    bool drawn = false;
    for (int x = cell.right() - 16; x < cell.right(); ++x)
        drawn = drawn || image.pixelColor(x, cell.center().y()) != base;
    EXPECT_TRUE(drawn) << "the picture stands at the cell's right";
    EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.center().y()),
              view.palette().color(QPalette::Highlight));

    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_TRUE(view.IsExpanded(root));
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_FALSE(view.IsExpanded(root));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, button.center());
    EXPECT_TRUE(view.IsExpanded(root));
    EXPECT_GT(view.ButtonRect(0).left(), view.CellRect(1, 0).right()) << "a child is indented";
    EXPECT_LT(view.CellRect(1, 0).right(), cell.right());
}

TEST(TreeListViewTest, InstructionsAndKeptWhitespaceHaveRowsOfTheirOwn)
{
    RecordingMessageBoxes boxes;
    MessageBoxes::Override use(boxes);
    OpenedView opened("<?app go?><r><pre xml:space=\"preserve\"> \t\n</pre></r>");
    TreeListView& view = opened.view;
    const XmlNode* instruction = opened.Node(QStringLiteral("app"));
    ASSERT_TRUE(instruction);
    EXPECT_EQ(view.CellText(instruction, 1), QStringLiteral("go"));
    EXPECT_EQ(NodeCellStyle::Icon(*instruction, false), NodeIcons::ProcessingInstruction);
    EXPECT_TRUE(NodeCellStyle::Italic(*instruction, 0));
    // A target takes no prefix and is never "xml", which would not load back.
    for (const QString& name : {QStringLiteral("a:b"), QStringLiteral("XML")}) {
        EXPECT_FALSE(view.ApplyItemEdit(instruction->Id(), 0, name));
        EXPECT_EQ(view.CellText(instruction, 0), QStringLiteral("app"));
    }
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(view.ApplyItemEdit(instruction->Id(), 0, QStringLiteral("tool")));
    EXPECT_EQ(view.CellText(instruction, 0), QStringLiteral("tool"));

    // Whitespace that a file keeps is shown visibly, and edited as it is.
    const XmlNode* space = opened.Node(QStringLiteral("pre"))->ChildAt(1);
    ASSERT_TRUE(space);
    EXPECT_EQ(space->Value(), QStringLiteral(" \t\r\n"));
    EXPECT_EQ(view.CellText(space, 1), QStringLiteral("\u00B7\u2192\u21B5"));
    EXPECT_EQ(Colour(view, space, 1), Colour(view, space, 0));
}

TEST(TreeListViewTest, PicturesArePaintedOnTheBackgroundNextToTheName)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    view.resize(700, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const XmlNode* comment = opened.document.Root()->ChildAt(0);
    view.SelectNode(comment->Id());
    QApplication::processEvents();
    const QImage image = view.viewport()->grab().toImage();
    const QRect cell = view.CellRect(0, 0);
    const QColor base = view.palette().color(QPalette::Base);
    bool drawn = false;
    for (int x = cell.left() + 1; x < cell.left() + 17; ++x)
        drawn = drawn || image.pixelColor(x, cell.center().y()) != base;
    EXPECT_TRUE(drawn);
    // The picture keeps the tree's background, the text area right of it is highlighted, in
    // both columns.
    EXPECT_EQ(image.pixelColor(cell.left(), cell.top()), base);
    EXPECT_EQ(image.pixelColor(cell.right() - 1, cell.center().y()),
              view.palette().color(QPalette::Highlight));
    EXPECT_EQ(image.pixelColor(view.CellRect(0, 1).center()),
              view.palette().color(QPalette::Highlight));
}

TEST(TreeListViewTest, ShowPrefixesIsToggledPerView)
{
    OpenedView first;
    OpenedView second;
    const XmlNode* item = first.Node(QStringLiteral("x:item"));
    ASSERT_TRUE(first.view.ShowPrefixes());
    EXPECT_TRUE(first.view.CommandState().IsChecked(CommandId::ShowPrefixes));
    ASSERT_TRUE(first.view.HandleCommand(CommandId::ShowPrefixes));
    EXPECT_FALSE(first.view.ShowPrefixes());
    EXPECT_FALSE(first.view.CommandState().IsChecked(CommandId::ShowPrefixes));
    EXPECT_EQ(first.view.CellText(item, 0), QStringLiteral("item"));
    EXPECT_TRUE(second.view.ShowPrefixes());
    EXPECT_EQ(second.view.CellText(second.Node(QStringLiteral("x:item")), 0),
              QStringLiteral("x:item"));

    // Copy name takes the name as displayed.
    first.view.SelectNode(item->Id());
    ASSERT_TRUE(first.view.HandleCommand(CommandId::CopyName));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("item"));
    ASSERT_TRUE(second.Run(CommandId::CopyName, QStringLiteral("x:item")));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("x:item"));

    // A name typed without a colon keeps the hidden prefix.
    EXPECT_TRUE(first.view.ApplyItemEdit(item->Id(), 0, QStringLiteral("thing")));
    EXPECT_EQ(item->QualifiedName(), QStringLiteral("x:thing"));
    TreeListView fresh;
    EXPECT_TRUE(fresh.ShowPrefixes());
}

TEST(TreeListViewTest, TypingANameSelectsTheNextRowItStartsAfterThePauseRoundToTheStart)
{
    OpenedView opened("<root><apple/><x:avocado xmlns:x='urn:x'/><banana/><apricot/></root>");
    TreeListView& view = opened.view;
    view.SetExpanded(opened.Id(u"root"_qs), true);
    view.SelectNode(opened.Id(u"root"_qs));
    const int interval = QApplication::keyboardInputInterval();
    auto type = [&](const char* letters, bool newName) {
        QApplication::setKeyboardInputInterval(newName ? 0 : 1000000);
        if (newName)
            QTest::qSleep(2); // the pause
        QTest::keyClicks(&view, QString::fromLatin1(letters));
        return view.CellText(view.SelectedNode(), 0);
    };
    EXPECT_EQ(type("a", true), u"apple"_qs);
    EXPECT_EQ(type("a", true), u"apricot"_qs) << "the shown prefix is part of the name";
    EXPECT_EQ(type("a", true), u"apple"_qs) << "round to the start";
    EXPECT_EQ(type("b", true), u"banana"_qs);
    EXPECT_EQ(type("q", true), u"banana"_qs) << "no match leaves the selection";
    EXPECT_EQ(type("b", true), u"banana"_qs) << "the only match is the selection itself";
    EXPECT_EQ(type("a", true), u"apricot"_qs);
    EXPECT_EQ(type("p", false), u"apricot"_qs) << "a growing name keeps a selection it fits";
    EXPECT_EQ(type("p", false), u"apple"_qs) << "and leaves one it no longer fits";
    ASSERT_TRUE(view.HandleCommand(CommandId::ShowPrefixes));
    EXPECT_EQ(type("av", true), u"avocado"_qs);
    QApplication::setKeyboardInputInterval(interval);
}

TEST(TreeListViewTest, InsertsSelectTheNewNodeInItsPlaceAndAskForItsEditor)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    QSignalSpy edits(&view, &NodeTreeView::cellEditRequested);

    const XmlNode* b = opened.Node(QStringLiteral("b"));
    ASSERT_TRUE(opened.Run(CommandId::InsertElementAfter, QStringLiteral("c")));
    const XmlNode* added = view.SelectedNode();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(view.CellText(added, 0), QStringLiteral("New_Element"));
    EXPECT_EQ(b->ChildAt(1), added);
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits.at(0).at(0).toInt(), added->Id());
    EXPECT_EQ(edits.at(0).at(1).toInt(), 0);

    // As child: first among the content, after the attributes; the parent is expanded.
    ASSERT_TRUE(opened.Run(CommandId::InsertCommentAsChild, QStringLiteral("x:item")));
    const XmlNode* item = opened.Node(QStringLiteral("x:item"));
    EXPECT_EQ(view.SelectedNode(), item->ChildAt(1));
    EXPECT_TRUE(view.IsExpanded(item));
    ASSERT_EQ(edits.count(), 2);
    EXPECT_EQ(edits.at(1).at(1).toInt(), 1);

    // Before the document element: a top-level comment between the first comment and root.
    ASSERT_TRUE(opened.Run(CommandId::InsertCommentBefore, QStringLiteral("root")));
    EXPECT_EQ(view.SelectedNode(), opened.document.Root()->ChildAt(1));
    // Text before the document element is refused: nothing changes, nothing is edited.
    const std::string before = Shown(view);
    opened.Run(CommandId::InsertTextBefore, QStringLiteral("root"));
    EXPECT_EQ(Shown(view), before);
    EXPECT_EQ(edits.count(), 3);
}

TEST(TreeListViewTest, MovesDeletesAndUndoKeepTheNodeSelectedInItsPlace)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    const XmlNode* root = opened.Node(QStringLiteral("root"));

    ASSERT_TRUE(opened.Run(CommandId::MoveDown, QStringLiteral("x:item")));
    EXPECT_EQ(opened.Name(), QStringLiteral("x:item"));
    EXPECT_EQ(root->ChildAt(3), view.SelectedNode());

    ASSERT_TRUE(opened.Run(CommandId::Delete, QStringLiteral("b")));
    EXPECT_EQ(opened.Node(QStringLiteral("b")), nullptr);
    EXPECT_NE(view.SelectedNode(), nullptr);
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
    EXPECT_EQ(opened.Name(), QStringLiteral("b"));
    EXPECT_EQ(root->ChildAt(2), view.SelectedNode());
    ASSERT_TRUE(view.HandleCommand(CommandId::Redo));
    EXPECT_EQ(opened.Node(QStringLiteral("b")), nullptr);

    // The document element can be neither deleted nor duplicated.
    opened.Run(CommandId::Delete, QStringLiteral("root"));
    opened.Run(CommandId::Duplicate, QStringLiteral("root"));
    EXPECT_EQ(opened.document.Root()->ChildCount(), 2);

    ASSERT_TRUE(opened.Run(CommandId::Duplicate, QStringLiteral("id")));
    EXPECT_EQ(opened.Name(), QStringLiteral("id_1"));
    Shown(view);
}

TEST(TreeListViewTest, SubtreesComeBackShownAsTheyWere)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    // b and its child d expanded; x:item collapsed.
    view.SetExpanded(opened.Id(QStringLiteral("root")), true);
    view.SetExpanded(opened.Id(QStringLiteral("b")), true);
    view.SetExpanded(opened.Id(QStringLiteral("d")), true);
    auto expanded = [&](const QString& name) { return view.IsExpanded(opened.Node(name)); };
    ASSERT_TRUE(opened.Run(CommandId::MoveUp, QStringLiteral("b"))); // a step move
    EXPECT_TRUE(expanded(QStringLiteral("b")) && expanded(QStringLiteral("d")));
    ASSERT_TRUE(opened.Run(CommandId::Delete, QStringLiteral("b")));
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
    EXPECT_TRUE(expanded(QStringLiteral("b")) && expanded(QStringLiteral("d")));
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo)); // the step back
    EXPECT_TRUE(expanded(QStringLiteral("b")) && expanded(QStringLiteral("d")));
    // A duplicate is shown like its original; a drag move keeps what it carries.
    ASSERT_TRUE(opened.Run(CommandId::Duplicate, QStringLiteral("b")));
    const XmlNode* copy = view.SelectedNode();
    ASSERT_NE(copy, opened.Node(QStringLiteral("b")));
    EXPECT_TRUE(view.IsExpanded(copy) && view.IsExpanded(copy->ChildAt(1)));
    EXPECT_FALSE(expanded(QStringLiteral("x:item")));
    view.Drop(copy->Id(), opened.Id(QStringLiteral("x:item")), false);
    EXPECT_EQ(view.SelectedNode(), copy);
    EXPECT_TRUE(view.IsExpanded(copy) && view.IsExpanded(copy->ChildAt(1)));
    Shown(view);
}

TEST(TreeListViewTest, AvailabilityFollowsTheSelectedNode)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    QApplication::clipboard()->setText(QStringLiteral("plain"));

    view.ClearSelection();
    EditCommandState state = view.CommandState();
    EXPECT_FALSE(state.IsEnabled(CommandId::Copy));
    EXPECT_TRUE(state.IsEnabled(CommandId::InsertCommentBefore));
    EXPECT_FALSE(state.IsEnabled(CommandId::Undo));

    view.SelectNode(opened.Id(QStringLiteral("root")));
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

    view.SelectNode(opened.Id(QStringLiteral("id")));
    state = view.CommandState();
    EXPECT_TRUE(state.IsEnabled(CommandId::Cut));
    EXPECT_TRUE(state.IsEnabled(CommandId::ChangeValue));
    EXPECT_FALSE(state.IsEnabled(CommandId::InsertAttribute));
    EXPECT_TRUE(state.IsEnabled(CommandId::InsertElementBefore));

    ASSERT_TRUE(view.HandleCommand(CommandId::Copy));
    view.SelectNode(opened.Id(QStringLiteral("b")));
    state = view.CommandState();
    EXPECT_TRUE(state.IsEnabled(CommandId::Paste));
    EXPECT_FALSE(state.IsEnabled(CommandId::Undo));

    view.SelectNode(opened.document.Root()->ChildAt(0)->Id()); // the top-level comment
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
    view.SelectNode(opened.Id(QStringLiteral("k")));
    ASSERT_TRUE(view.HandleCommand(CommandId::CopyXPath));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("//root/b/d[@k == v]"));
    ASSERT_TRUE(view.HandleCommand(CommandId::CopyValue));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("v"));

    ASSERT_TRUE(opened.Run(CommandId::Copy, QStringLiteral("b")));
    ASSERT_TRUE(opened.Run(CommandId::Paste, QStringLiteral("x:item")));
    const XmlNode* pasted = view.SelectedNode();
    const XmlNode* item = opened.Node(QStringLiteral("x:item"));
    EXPECT_EQ(pasted->Parent(), item);
    EXPECT_EQ(item->ChildAt(item->ChildCount() - 1), pasted);
    EXPECT_EQ(pasted->ChildCount(), 2);

    ASSERT_TRUE(opened.Run(CommandId::Cut, QStringLiteral("a")));
    EXPECT_EQ(opened.Node(QStringLiteral("a")), nullptr);
    // Paste onto a non-element is refused, whatever the key.
    opened.Run(CommandId::Paste, QStringLiteral("id"));
    EXPECT_EQ(opened.Node(QStringLiteral("a")), nullptr);
    ASSERT_TRUE(opened.Run(CommandId::Paste, QStringLiteral("c")));
    EXPECT_EQ(opened.Node(QStringLiteral("a"))->Parent(), opened.Node(QStringLiteral("c")));
    EXPECT_EQ(view.SelectedNode(), opened.Node(QStringLiteral("a")));
    Shown(view);
}

TEST(TreeListViewTest, InvalidNamesAreRefusedWithTheirMessage)
{
    RecordingMessageBoxes boxes;
    MessageBoxes::Override use(boxes);
    OpenedView opened;
    const XmlNode* b = opened.Node(QStringLiteral("b"));
    EXPECT_FALSE(opened.view.ApplyItemEdit(b->Id(), 0, QStringLiteral("1b")));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, QStringLiteral("error"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("TOVI XMLEditor"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("\"1b\" is not valid name"));
    EXPECT_EQ(opened.view.CellText(b, 0), QStringLiteral("b"));
    EXPECT_FALSE(opened.document.IsModified());

    EXPECT_TRUE(opened.view.ApplyItemEdit(b->Id(), 0, QStringLiteral("x:b")));
    EXPECT_EQ(opened.view.CellText(b, 0), QStringLiteral("x:b"));
    // A prefix declared nowhere in scope is refused like an invalid name.
    EXPECT_FALSE(opened.view.ApplyItemEdit(b->Id(), 0, QStringLiteral("y:b")));
    EXPECT_EQ(boxes.shown.size(), 2u);
    const XmlNode* k = opened.Node(QStringLiteral("k"));
    EXPECT_TRUE(opened.view.ApplyItemEdit(k->Id(), 1, QStringLiteral("two\r\nlines")));
    EXPECT_EQ(k->Value(), QStringLiteral("two\r\nlines"));
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST(TreeListViewTest, FindSelectsTheMatchOrTellsNothingWasFound)
{
    RecordingMessageBoxes boxes;
    MessageBoxes::Override use(boxes);
    OpenedView opened;
    TreeListView& view = opened.view;
    view.ClearSelection();
    view.FindRequest(QStringLiteral("ITEM"), FindFlag::NodeNames);
    EXPECT_EQ(view.SelectedNode(), opened.Node(QStringLiteral("x:item")));
    view.FindRequest(QStringLiteral("v"), FindFlag::AttributeValues);
    EXPECT_EQ(view.SelectedNode(), opened.Node(QStringLiteral("k")));
    EXPECT_TRUE(boxes.shown.empty());

    view.FindRequest(QStringLiteral("nowhere"), FindFlag::AllKinds);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, QStringLiteral("information"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("The specified text was not found."));
    EXPECT_EQ(view.SelectedNode(), opened.Node(QStringLiteral("k")));

    // The pane hands the request to its view.
    XmlDocument fresh;
    TreeListPane pane;
    fresh.CreateNew();
    pane.View()->SetDocument(fresh);
    pane.FindRequest(QStringLiteral("Root_Node"), FindFlag::NodeNames);
    EXPECT_EQ(boxes.shown.size(), 1u); // the only node, the start, is found again
    EXPECT_NE(pane.View()->SelectedNode(), nullptr);
}

TEST(TreeListViewTest, DropsMoveOrCopyOntoElementsOnly)
{
    OpenedView opened;
    TreeListView& view = opened.view;
    const XmlNode* id = opened.Node(QStringLiteral("id"));
    const XmlNode* b = opened.Node(QStringLiteral("b"));
    const XmlNode* root = opened.Node(QStringLiteral("root"));
    EXPECT_TRUE(view.CanDrop(id, b));
    EXPECT_FALSE(view.CanDrop(id, opened.Node(QStringLiteral("k"))));
    EXPECT_FALSE(view.CanDrop(root, b));
    EXPECT_FALSE(view.CanDrop(b, opened.Node(QStringLiteral("d"))));
    EXPECT_FALSE(view.CanDrop(id, nullptr));

    view.Drop(id->Id(), b->Id(), false);
    EXPECT_EQ(b->ChildAt(0), id);
    EXPECT_EQ(view.SelectedNode(), id);
    view.Drop(id->Id(), b->Id(), true);
    EXPECT_EQ(b->ChildCount(), 4);
    // Refused drops change nothing.
    view.Drop(root->Id(), b->Id(), false);
    EXPECT_EQ(root->Parent(), opened.document.Root());
    Shown(view);
}

TEST(TreeListViewTest, ContextMenuOpensOnlyOverARowAndSelectsItFirst)
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

    const XmlNode* root = opened.Node(QStringLiteral("root"));
    view.SelectNode(opened.document.Root()->ChildAt(0)->Id());
    rightClick(view.CellRect(view.Rows().RowOf(root), 1).center());
    EXPECT_EQ(view.SelectedNode(), root);
    QMenu* menu = view.LastContextMenu();
    ASSERT_NE(menu, nullptr);
    QAction* cut = MenuBuilder::FindCommand(menu, CommandId::Cut);
    QAction* attribute = MenuBuilder::FindCommand(menu, CommandId::InsertAttribute);
    ASSERT_TRUE(cut && attribute);
    EXPECT_FALSE(cut->isEnabled());
    EXPECT_TRUE(attribute->isEnabled());

    // A chosen entry runs on the selected node.
    attribute->trigger();
    EXPECT_EQ(opened.Name(), QStringLiteral("New_Attribute"));
    EXPECT_EQ(view.SelectedNode()->Parent(), root);
    menu->close();
}

TEST(TreeListViewTest, KeyboardOpensTheMenuAtTheSelectionAndEditsValueOrName)
{
    SampleFile file(kSample);
    ViewedDocument viewed;
    TreeListView& view = viewed.view;
    OpenShownAndActive(viewed, file.Path());
    view.setFocus();
    view.ClearSelection();
    QTest::keyClick(&view, Qt::Key_Menu);
    EXPECT_EQ(view.LastContextMenu(), nullptr); // nothing selected, no menu

    const XmlNode* id = NodeNamed(viewed.document, QStringLiteral("id"));
    view.SelectNode(id->Id());
    for (QKeyCombination key : {QKeyCombination(Qt::Key_Menu), Qt::SHIFT | Qt::Key_F10}) {
        QTest::keyClick(&view, key.key(), key.keyboardModifiers());
        QMenu* menu = view.LastContextMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->isVisible());
        // Under the selected row, not wherever the pointer happens to be.
        const QRect row = view.RowRect(id);
        const QPoint at = view.viewport()->mapFromGlobal(menu->pos());
        EXPECT_NEAR(at.y(), row.bottom(), 2);
        EXPECT_LE(std::abs(at.x() - view.CellRect(view.Rows().RowOf(id), 0).left()), 2);
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
    view.SelectNode(IdNamed(viewed.document, QStringLiteral("b")));
    QTest::keyClick(&view, Qt::Key_Enter);
    EXPECT_FALSE(view.Editor().IsOpen());
}

TEST(TreeListViewTest, ValueFillsTheWidthAndNameWidthsAreSharedByEveryTree)
{
    SampleFile file("<r v=\"" + QByteArray(400, 'x') + "\" w=\"short\"/>");
    ViewedDocument one;
    TreeListView& first = one.view;
    OpenShownAndActive(one, file.Path());
    first.resize(1200, 300);
    QApplication::processEvents();
    EXPECT_EQ(first.Header()->sectionSize(0), 250);
    EXPECT_EQ(first.Header()->sectionSize(1), first.viewport()->width() - 250);
    first.resize(400, 300);
    QApplication::processEvents();
    EXPECT_EQ(first.Header()->sectionSize(1), 350); // narrow windows scroll instead

    ViewedDocument two;
    TreeListView& second = two.view;
    OpenShownAndActive(two, file.Path());
    second.resize(1000, 300);
    first.Header()->resizeSection(0, 320); // as a drag on the header does
    QApplication::processEvents();
    EXPECT_EQ(TreeColumnWidths::Shared().NameWidth(), 320);
    EXPECT_EQ(second.Header()->sectionSize(0), 320);
    EXPECT_EQ(second.Header()->sectionSize(1), second.viewport()->width() - 320);
    TreeListView third;
    EXPECT_EQ(third.Header()->sectionSize(0), 320);
    TreeColumnWidths::Shared().SetNameWidth(TreeColumnWidths::DefaultNameWidth);

    // A value cut short shows whole in its tool-tip; one that fits has none.
    first.resize(700, 300);
    QApplication::processEvents();
    auto tipAt = [&](const QString& name) {
        QToolTip::hideText();
        const QRect cell = first.CellRect(first.Rows().RowOf(NodeNamed(one.document, name)), 1);
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
    XmlDocument document;
    ASSERT_EQ(document.Load(file.Path()), XE_OK);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new TreeListView(&window);
    auto* edit = new QLineEdit(&window);
    layout->addWidget(view);
    layout->addWidget(edit);
    view->SetDocument(document);
    window.resize(700, 400);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const XmlNode* c = NodeNamed(document, QStringLiteral("c"));
    view->SelectNode(c->Id());
    const XmlNode* b = c->Parent();

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(b->ChildCount(), 2);
    EXPECT_FALSE(document.IsModified());

    view->setFocus();
    QTest::keyClick(view, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(b->ChildCount(), 3);
    EXPECT_EQ(b->ChildAt(1), view->SelectedNode());
    QTest::keyClick(view, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(b->ChildAt(2), view->SelectedNode());
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(b->ChildCount(), 2);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(b->ChildCount(), 3);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(b->ChildCount(), 2);

    QSignalSpy edits(view, &NodeTreeView::cellEditRequested);
    view->SelectNode(IdNamed(document, QStringLiteral("k")));
    QTest::keyClick(view, Qt::Key_F2);
    // The open box takes every key; Escape closes it and gives the focus back to the tree.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(view, Qt::Key_F2, Qt::ControlModifier);
    ASSERT_EQ(edits.count(), 2);
    EXPECT_EQ(edits.at(0).at(1).toInt(), 0);
    EXPECT_EQ(edits.at(1).at(1).toInt(), 1);
    Shown(*view);
}

TEST(TreeListViewTest, PaneHoldsTheViewUnderItsHeaderAndForwardsCommands)
{
    XmlDocument document;
    TreeListPane pane;
    TreeListView* view = pane.View();
    ASSERT_NE(view, nullptr);
    EXPECT_GE(view->Header()->height(), TreeListPane::HeaderHeight);
    EXPECT_TRUE(view->Header()->sectionsMovable());
    // The tree follows the application's palette rather than forcing its own.
    EXPECT_EQ(view->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    document.CreateNew();
    view->SetDocument(document);
    view->SelectNode(document.Root()->ChildAt(0)->Id());
    EXPECT_TRUE(pane.HandleCommand(CommandId::InsertAttribute));
    EXPECT_EQ(document.Root()->ChildAt(0)->ChildCount(), 1);
    EXPECT_FALSE(pane.HandleCommand(CommandId::FileSave));
    Shown(*view);
}

// The core promise of the view: whatever the user does, undoes and redoes, the rows are a walk
// of the document by the expanded states, and something stays selected.
TEST(TreeListViewTest, RowsFollowTheDocumentThroughRandomEditsUndoAndRedo)
{
    constexpr int kCommands[] = {
        CommandId::InsertElementBefore,
        CommandId::InsertElementAfter,
        CommandId::InsertElementAsChild,
        CommandId::InsertAttribute,
        CommandId::InsertCommentAfter,
        CommandId::InsertTextAsChild,
        CommandId::Duplicate,
        CommandId::MoveUp,
        CommandId::MoveDown,
        CommandId::Delete,
        CommandId::Copy,
        CommandId::Cut,
        CommandId::Paste,
        CommandId::Undo,
        CommandId::Undo,
        CommandId::Redo,
    };
    for (unsigned variant : {1u, 2u, 3u, 4u}) {
        OpenedView opened;
        TreeListView& view = opened.view;
        std::mt19937 random(variant);
        for (int step = 0; step < 300; ++step) {
            std::vector<const XmlNode*> nodes;
            auto collect = [&](auto& self, const XmlNode* parent) -> void {
                for (const XmlNode* child : *parent) {
                    nodes.push_back(child);
                    self(self, child);
                }
            };
            collect(collect, opened.document.Root());
            const XmlNode* selected = nodes[random() % nodes.size()];
            view.SelectNode(selected->Id());
            const unsigned choice = random() % 14;
            std::string action;
            if (choice < 9) {
                const int command = kCommands[random() % std::size(kCommands)];
                action = "command " + std::to_string(command);
                view.HandleCommand(command);
            } else if (choice == 9) {
                action = "edit";
                const int column = int(random() % 2);
                view.ApplyItemEdit(selected->Id(), column,
                                   column == 0 ? QStringLiteral("n%1").arg(step)
                                               : QStringLiteral("v%1").arg(step));
            } else if (choice < 12) {
                action = "expand or collapse";
                view.SetExpanded(selected->Id(), !view.IsExpanded(selected));
            } else {
                const bool copy = random() % 2 == 0;
                action = copy ? "drop copy" : "drop move";
                view.Drop(selected->Id(), nodes[random() % nodes.size()]->Id(), copy);
            }
            Shown(view);
            ASSERT_FALSE(::testing::Test::HasFailure())
                << "variant " << variant << " step " << step << " after " << action;
            ASSERT_NE(view.SelectedNode(), nullptr) << "variant " << variant << " step " << step;
        }
        // Undo everything: back to the file as loaded; redo it all again.
        while (opened.document.History().CanUndo())
            ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
        Shown(view);
        EXPECT_FALSE(opened.document.IsModified());
        while (opened.document.History().CanRedo())
            ASSERT_TRUE(view.HandleCommand(CommandId::Redo));
        Shown(view);
    }
}
