#include "view/NodeTreeAccessible.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "view/NodeTreeView.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "description|Value text|expandable expanded collapsed selected" of every row's cells,
// read through the tree's children as a screen reader walks them; each cell must also give
// back its own index, row and column, so a cell filed under the wrong place fails here.
std::vector<std::string> Rows(QAccessibleInterface* tree)
{
    std::vector<std::string> rows;
    for (int index = NodeTreeAccessible::HeaderCount; index < tree->childCount(); index += 2) {
        QAccessibleInterface* name = tree->child(index);
        QAccessibleInterface* value = tree->child(index + 1);
        if (!name || !value) {
            ADD_FAILURE() << "no cell at " << index;
            break;
        }
        EXPECT_EQ(tree->indexOfChild(name), index);
        EXPECT_EQ(tree->indexOfChild(value), index + 1);
        const int row = (index - NodeTreeAccessible::HeaderCount) / 2;
        EXPECT_EQ(name->tableCellInterface()->rowIndex(), row);
        EXPECT_EQ(value->tableCellInterface()->columnIndex(), 1);
        EXPECT_EQ(tree->tableInterface()->cellAt(row, 0), name);
        EXPECT_EQ(name->role(), QAccessible::TreeItem);
        EXPECT_EQ(value->role(), QAccessible::Cell);
        const QAccessible::State state = name->state();
        rows.push_back(name->text(QAccessible::Name).toStdString() + ": " +
                       name->text(QAccessible::Description).toStdString() + "|" +
                       value->text(QAccessible::Name).toStdString() + "|" +
                       (state.expandable ? "+" : "") + (state.expanded ? "E" : "") +
                       (state.collapsed ? "C" : "") + (state.selected ? "S" : ""));
    }
    return rows;
}

struct Heard {
    QAccessible::Event type;
    int child;
    std::string description;
};
std::vector<Heard> g_heard;

void Record(QAccessibleEvent* event)
{
    QAccessibleInterface* cell = event->accessibleInterface();
    g_heard.push_back({event->type(), event->child(),
                       cell ? cell->text(QAccessible::Description).toStdString() : "?"});
}

} // namespace

TEST(NodeTreeAccessibleTest, TheTreeReadsAsHeadersThenCellsRowByRow)
{
    XmlDocument document;
    ASSERT_EQ(document.LoadFromData("<?pi d?><r a='1'><b>t<!--c--><e/></b><x><y/></x></r>"), XE_OK);
    NodeTreeView view;
    view.SetDocument(document);
    view.Reset();
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(&view);
    ASSERT_TRUE(tree && tree->tableInterface());
    EXPECT_EQ(tree->role(), QAccessible::Tree);
    EXPECT_EQ(tree->child(0)->text(QAccessible::Name), QStringLiteral("Name"));
    EXPECT_EQ(tree->child(1)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(tree->indexOfChild(tree->child(1)), 1);
    EXPECT_EQ(Rows(tree), (std::vector<std::string>{"pi: processing instruction, level 1|d|",
                                                    "r: element, level 1, collapsed||+C"}));

    view.SelectNode(view.Rows().At(1)->Id());
    view.ExpandAll(view.Rows().At(1)->Id());
    view.SetExpanded(view.Rows().At(7)->Id(), false);
    EXPECT_EQ(Rows(tree),
              (std::vector<std::string>{
                  "pi: processing instruction, level 1|d|", "r: element, level 1, expanded||+ES",
                  "a: attribute, level 2|1|", "b: element, level 2, expanded||+E",
                  "#Text: text, level 3|t|", "#Comment: comment, level 3|c|",
                  "e: element, level 3||", "x: element, level 2, collapsed||+C"}));
    EXPECT_EQ(tree->tableInterface()->rowCount(), 8);
    EXPECT_EQ(tree->tableInterface()->selectedRows(), QList<int>{1});
    EXPECT_EQ(tree->child(tree->childCount()), nullptr);
}

TEST(NodeTreeAccessibleTest, CellsFollowTheirNodesAndGoWithThem)
{
    XmlDocument document;
    ASSERT_EQ(document.LoadFromData("<r><a><b/></a><c/></r>"), XE_OK);
    NodeTreeView view;
    view.SetDocument(document);
    view.Reset();
    view.ExpandAll(view.Rows().At(0)->Id());
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(&view);
    QAccessibleInterface* c = tree->child(NodeTreeAccessible::ChildIndex(3, 0));
    ASSERT_EQ(c->text(QAccessible::Name), QStringLiteral("c"));
    EXPECT_EQ(tree->child(NodeTreeAccessible::ChildIndex(3, 0)), c); // made once

    // Rows closing above it move the cell up with its node.
    view.SetExpanded(view.Rows().At(1)->Id(), false);
    EXPECT_EQ(tree->indexOfChild(c), NodeTreeAccessible::ChildIndex(2, 0));
    EXPECT_EQ(c->tableCellInterface()->rowIndex(), 2);

    // A removed node's cells are gone; reloading the document drops every cell.
    const QAccessible::Id removed = QAccessible::uniqueId(c);
    ASSERT_TRUE(document.DeleteNode(view.Rows().At(2)->Id()));
    EXPECT_EQ(QAccessible::accessibleInterface(removed), nullptr);
    const QAccessible::Id kept =
        QAccessible::uniqueId(tree->child(NodeTreeAccessible::ChildIndex(1, 0)));
    view.Reset();
    EXPECT_EQ(QAccessible::accessibleInterface(kept), nullptr);
    EXPECT_EQ(tree->childCount(), NodeTreeAccessible::ChildIndex(1, 0));
}

TEST(NodeTreeAccessibleTest, ExpandingCollapsingSelectingAndEditsAreAnnounced)
{
    XmlDocument document;
    ASSERT_EQ(document.LoadFromData("<r><a><b><c/></b></a><d/></r>"), XE_OK);
    NodeTreeView view;
    view.SetDocument(document);
    view.Reset();
    view.show();
    view.activateWindow();
    view.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    g_heard.clear();
    NodeTreeAccessible::RecordAnnouncements(&Record);
    const int name = NodeTreeAccessible::ChildIndex(0, 0);

    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Asterisk, Qt::ShiftModifier); // one row told, not three
    QTest::keyClick(&view, Qt::Key_Home);
    QTest::keyClick(&view, Qt::Key_Left);
    ASSERT_TRUE(document.SetLocalName(view.Rows().At(0)->Id(), QStringLiteral("q")));
    NodeTreeAccessible::RecordAnnouncements(nullptr);

    const std::string rOpen = "element, level 1, expanded";
    const std::string rShut = "element, level 1, collapsed";
    const int a = NodeTreeAccessible::ChildIndex(1, 0);
    const std::vector<std::tuple<QAccessible::Event, int, std::string>> expected{
        {QAccessible::Selection, name, rShut},
        {QAccessible::Focus, name, rShut},
        {QAccessible::StateChanged, name, rOpen},
        {QAccessible::DescriptionChanged, name, rOpen},
        {QAccessible::Selection, a, "element, level 2, collapsed"},
        {QAccessible::Focus, a, "element, level 2, collapsed"},
        {QAccessible::StateChanged, a, "element, level 2, expanded"},
        {QAccessible::DescriptionChanged, a, "element, level 2, expanded"},
        {QAccessible::Selection, name, rOpen},
        {QAccessible::Focus, name, rOpen},
        {QAccessible::StateChanged, name, rShut},
        {QAccessible::DescriptionChanged, name, rShut},
        {QAccessible::NameChanged, name, rShut},
        {QAccessible::NameChanged, name + 1, ""},
    };
    std::vector<std::tuple<QAccessible::Event, int, std::string>> heard;
    for (const Heard& event : g_heard)
        heard.emplace_back(event.type, event.child, event.description);
    EXPECT_EQ(heard, expected);
}
