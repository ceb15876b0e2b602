#include "view/VisibleRows.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The shown rows as "name/level" joined by spaces.
std::string Shown(const VisibleRows& rows)
{
    std::string text;
    for (int row = 0; row < rows.Count(); ++row) {
        const XmlNode* node = rows.At(row);
        text += (text.empty() ? "" : " ") + node->LocalName().toStdString() + "/" +
                std::to_string(VisibleRows::Level(node));
        EXPECT_EQ(rows.RowOf(node), row);
    }
    return text;
}

const XmlNode* Named(const XmlNode* parent, const char* name)
{
    for (const XmlNode* child : *parent) {
        if (child->LocalName() == QLatin1String(name))
            return child;
        if (const XmlNode* inner = Named(child, name))
            return inner;
    }
    return nullptr;
}

} // namespace

TEST(VisibleRowsTest, ExpandCollapseAndEditsKeepTheRowsInDocumentOrder)
{
    XmlDocument document;
    ASSERT_EQ(document.LoadFromData("<!--c--><r><a><b/><c/></a><d><e/></d><f/></r>"), XE_OK);
    VisibleRows rows(document);
    EXPECT_EQ(Shown(rows), "#Comment/0 r/0");
    const XmlNode* r = Named(document.Root(), "r");
    const XmlNode* a = Named(r, "a");
    const XmlNode* d = Named(r, "d");
    rows.Expand(a); // hidden: remembered, no rows yet
    EXPECT_EQ(rows.RowOf(a), -1);
    rows.Expand(r);
    EXPECT_EQ(Shown(rows), "#Comment/0 r/0 a/1 b/2 c/2 d/1 f/1");
    rows.Collapse(r);
    EXPECT_EQ(Shown(rows), "#Comment/0 r/0");
    EXPECT_TRUE(rows.IsExpanded(a));
    rows.ExpandAll(r);
    EXPECT_EQ(Shown(rows), "#Comment/0 r/0 a/1 b/2 c/2 d/1 e/2 f/1");
    EXPECT_FALSE(rows.IsExpanded(Named(r, "b"))); // leaves are never expanded
    rows.Collapse(a);
    EXPECT_EQ(Shown(rows), "#Comment/0 r/0 a/1 d/1 e/2 f/1");

    // A node inserted after a collapsed sibling, first under a parent, and under a collapsed
    // parent (no row); removals take the whole shown subtree.
    XmlNodeData element;
    element.kind = XmlNodeKind::Element;
    element.localName = QStringLiteral("n");
    NodeIdPath path;
    ASSERT_TRUE(document.InsertNode(element, r->Id(), a->Id(), path));
    rows.Inserted(document.FindNode(path.back()));
    EXPECT_EQ(Shown(rows), "#Comment/0 r/0 a/1 n/1 d/1 e/2 f/1");
    element.localName = QStringLiteral("m");
    ASSERT_TRUE(document.InsertNode(element, d->Id(), -1, path));
    rows.Inserted(document.FindNode(path.back()));
    EXPECT_EQ(Shown(rows), "#Comment/0 r/0 a/1 n/1 d/1 m/2 e/2 f/1");
    element.localName = QStringLiteral("x");
    ASSERT_TRUE(document.InsertNode(element, a->Id(), -1, path));
    rows.Inserted(document.FindNode(path.back()));
    EXPECT_EQ(rows.Count(), 8);
    rows.AboutToRemove(d);
    ASSERT_TRUE(document.DeleteNode(d->Id()));
    EXPECT_EQ(Shown(rows), "#Comment/0 r/0 a/1 n/1 f/1");
    rows.Expand(a);
    EXPECT_EQ(Shown(rows), "#Comment/0 r/0 a/1 x/2 b/2 c/2 n/1 f/1");
}
