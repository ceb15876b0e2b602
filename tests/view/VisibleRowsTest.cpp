#include "view/VisibleRows.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

namespace {

std::vector<const XmlNode*> All(const VisibleRows& rows)
{
    std::vector<const XmlNode*> all;
    for (int row = 0; row < rows.Count(); ++row)
        all.push_back(rows.At(row));
    return all;
}

// Works the opening out in several stops, as a worker asked to pause would, then applies it.
void OpenInSteps(VisibleRows& rows, VisibleRows::Opening& opening)
{
    const std::vector<const XmlNode*> before = All(rows);
    int stops = 0;
    while (!rows.Continue(opening, [](int64_t) { return false; }))
        ++stops;
    EXPECT_GE(stops, 2);
    EXPECT_EQ(All(rows), before); // nothing shows until it is applied
    rows.Finish(opening);
}

} // namespace

TEST(VisibleRowsTest, AnOpeningWorkedOutInStepsShowsWhatOpeningAtOnceShows)
{
    std::string xml = "<!--top--><r>";
    for (int i = 0; i < 12000; ++i)
        xml += "<g><i>t</i><i/><j/></g>";
    xml += "</r><?tail?>";
    XmlDocument document;
    ASSERT_EQ(document.LoadFromData(QByteArray::fromStdString(xml)), XE_OK);
    const XmlNode* r = Named(document.Root(), "r");
    VisibleRows atOnce(document);
    VisibleRows inSteps(document);

    atOnce.ExpandAll(r);
    OpenInSteps(inSteps, *inSteps.StartOpening(r, true));
    EXPECT_EQ(atOnce.Count(), 2 + 12000 * 5 + 1);
    EXPECT_EQ(All(inSteps), All(atOnce));
    EXPECT_TRUE(inSteps.IsExpanded(r->ChildAt(11999)));

    // Closing what shows most rows keeps them for opening it again right after; any other
    // change in between makes that a walk again.
    inSteps.Collapse(r);
    EXPECT_EQ(inSteps.Count(), 3);
    EXPECT_TRUE(inSteps.Reopen(r));
    EXPECT_EQ(All(inSteps), All(atOnce));
    inSteps.Collapse(r);
    inSteps.Collapse(r->ChildAt(30));
    EXPECT_FALSE(inSteps.Reopen(r));
    inSteps.Expand(r);
    atOnce.Collapse(r->ChildAt(30));
    EXPECT_EQ(All(inSteps), All(atOnce));

    // Again after a collapse: only what was expanded opens.
    const XmlNode* g = r->ChildAt(10);
    for (VisibleRows* rows : {&atOnce, &inSteps}) {
        rows->Collapse(g);
        rows->Collapse(r);
    }
    atOnce.Expand(r);
    OpenInSteps(inSteps, *inSteps.StartOpening(r, false));
    EXPECT_EQ(All(inSteps), All(atOnce));
    EXPECT_FALSE(inSteps.IsExpanded(g));

    // Rows that changed while it was worked out: applying it opens afresh from them.
    const XmlNode* closedMeanwhile = r->ChildAt(20);
    atOnce.Collapse(r);
    inSteps.Collapse(r);
    const auto stale = inSteps.StartOpening(r, false);
    inSteps.Continue(*stale, [](int64_t) { return false; });
    inSteps.Collapse(closedMeanwhile);
    while (!inSteps.Continue(*stale, [](int64_t) { return true; })) {
    }
    inSteps.Finish(*stale);
    atOnce.Collapse(closedMeanwhile);
    atOnce.Expand(r);
    EXPECT_EQ(All(inSteps), All(atOnce));
    EXPECT_FALSE(inSteps.IsExpanded(closedMeanwhile));
}
