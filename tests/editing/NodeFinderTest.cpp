#include "editing/NodeFinder.h"
#include "EditingTestHelpers.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace editing_test;

namespace {

// <root id="r"><x:item a="v">text item</x:item><itemize/><deep><leaf/></deep></root><!--c-->
struct Doc {
    XmlDocument doc;
    XmlNode* root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
    XmlNode* rootAttr = Add(doc, root, XmlNodeKind::Attribute, "id", "r");
    XmlNode* item = Add(doc, root, XmlNodeKind::Element, "item", "", "x");
    XmlNode* itemAttr = Add(doc, item, XmlNodeKind::Attribute, "a", "v");
    XmlNode* text = Add(doc, item, XmlNodeKind::Text, "#Text", "text item");
    XmlNode* itemize = Add(doc, root, XmlNodeKind::Element, "itemize");
    XmlNode* deep = Add(doc, root, XmlNodeKind::Element, "deep");
    XmlNode* leaf = Add(doc, deep, XmlNodeKind::Element, "leaf");
    XmlNode* comment = Add(doc, doc.Root(), XmlNodeKind::Comment, "#Comment", "Note ITEM");

    // The ID of the match, or -1.
    int32_t Find(const XmlNode* start, const QString& text, FindFlags flags)
    {
        NodeIdPath path;
        if (!NodeFinder::FindNext(doc, start->Id(), text, flags, path))
            return -1;
        NodeIdPath expected;
        doc.GetIdPath(path.back(), expected);
        EXPECT_EQ(path, expected);
        return path.back();
    }
};

} // namespace

TEST(NodeFinderTest, WholeWordUsesDelimitersAndOverlappingOccurrences)
{
    EXPECT_TRUE(NodeFinder::Matches(u"xab ab", u"ab", true));
    EXPECT_TRUE(NodeFinder::Matches(u"ab_c", u"ab", true));
    EXPECT_TRUE(NodeFinder::Matches(u"c-ab", u"ab", true));
    EXPECT_FALSE(NodeFinder::Matches(u"ab/c", u"ab", true));
    EXPECT_FALSE(NodeFinder::Matches(u"<ab>", u"ab", true));
    EXPECT_TRUE(NodeFinder::Matches(u"ab/c", u"ab", false));
    EXPECT_TRUE(NodeFinder::Matches(u"xa-a-a", u"a-a", true)); // only the overlapping one fits
    EXPECT_FALSE(NodeFinder::Matches(u"aaa", u"aa", true));
    EXPECT_EQ(kFindWordDelimiters.size(), 32);
}

TEST(NodeFinderTest, NamesCaseFoldingAndWholeWord)
{
    Doc d;
    const FindFlags names = FindFlag::NodeNames;
    EXPECT_EQ(d.Find(d.root, "item", names), d.item->Id());
    EXPECT_EQ(d.Find(d.root, "item", names | FindFlag::MatchWholeWord), d.item->Id());
    EXPECT_EQ(d.Find(d.item, "item", names), d.itemize->Id());
    EXPECT_EQ(d.Find(d.item, "item", names | FindFlag::MatchWholeWord), -1);
    EXPECT_EQ(d.Find(d.root, "ITEM", names), d.item->Id());
    EXPECT_EQ(d.Find(d.root, "ITEM", names | FindFlag::MatchCase), -1);
    EXPECT_EQ(d.Find(d.root, "X:Item", names), d.item->Id());
    EXPECT_EQ(d.Find(d.root, "item", 0), -1); // no kind option: nothing is examined
}

TEST(NodeFinderTest, KindOptionsSelectTheCandidateTexts)
{
    Doc d;
    ASSERT_TRUE(d.doc.SetNodeValue(d.deep->Id(), "val"));
    EXPECT_EQ(d.Find(d.root, " val", FindFlag::NodeValues), d.deep->Id());
    EXPECT_EQ(d.Find(d.root, "deep val", FindFlag::NodeNames | FindFlag::NodeValues), d.deep->Id());
    EXPECT_EQ(d.Find(d.root, "v", FindFlag::AttributeValues), d.itemAttr->Id());
    EXPECT_EQ(d.Find(d.root, "a v", FindFlag::AttributeNames | FindFlag::AttributeValues),
              d.itemAttr->Id());
    EXPECT_EQ(d.Find(d.root, "id", FindFlag::AttributeNames), d.rootAttr->Id());
    EXPECT_EQ(d.Find(d.root, "note item", FindFlag::Comments), d.comment->Id());
    // Instructions go with comments, found by target and data.
    XmlNode* instruction =
        Add(d.doc, d.deep, XmlNodeKind::ProcessingInstruction, "app", "run fast");
    EXPECT_EQ(d.Find(d.root, "app run", FindFlag::Comments), instruction->Id());
    EXPECT_EQ(d.Find(d.root, "run", FindFlag::AllKinds & ~FindFlag::Comments), -1);
    // Text nodes are never candidates.
    EXPECT_EQ(d.Find(d.root, "text", FindFlag::AllKinds), -1);
}

TEST(NodeFinderTest, DocumentOrderWrapsBothWaysAndSkipsTheStart)
{
    Doc d;
    const FindFlags all = FindFlag::NodeNames | FindFlag::AttributeNames;
    // Down: attributes right after their element, before its content.
    EXPECT_EQ(d.Find(d.item, "a", FindFlag::AttributeNames), d.itemAttr->Id());
    EXPECT_EQ(d.Find(d.leaf, "root", all), d.root->Id()); // wraps past the top-level comment
    EXPECT_EQ(d.Find(d.comment, "root", all), d.root->Id());
    // Up from the first top-level node wraps to the deepest last node.
    EXPECT_EQ(d.Find(d.root, "#", FindFlag::Comments | FindFlag::SearchUp), -1);
    EXPECT_EQ(d.Find(d.root, "leaf", all | FindFlag::SearchUp), d.leaf->Id());
    EXPECT_EQ(d.Find(d.leaf, "i", all | FindFlag::SearchUp), d.itemize->Id());
    EXPECT_EQ(d.Find(d.itemize, "i", all | FindFlag::SearchUp), d.item->Id());
    EXPECT_EQ(d.Find(d.text, "a", all | FindFlag::SearchUp), d.itemAttr->Id());
    // The only match is the start: the whole document is passed and nothing is reported.
    EXPECT_EQ(d.Find(d.leaf, "leaf", all), -1);
    EXPECT_EQ(d.Find(d.leaf, "leaf", all | FindFlag::SearchUp), -1);
}

TEST(NodeFinderTest, UnusableStartsFindNothing)
{
    Doc d;
    NodeIdPath path;
    EXPECT_FALSE(NodeFinder::FindNext(d.doc, 999, "root", FindFlag::NodeNames, path));
    const int32_t deepId = d.deep->Id();
    ASSERT_TRUE(d.doc.DeleteNode(deepId)); // parked in the undo action, still registered
    EXPECT_FALSE(NodeFinder::FindNext(d.doc, deepId, "root", FindFlag::NodeNames, path));
    XmlDocument empty;
    EXPECT_FALSE(NodeFinder::FindNext(empty, -1, "x", FindFlag::AllKinds, path));
}

TEST(NodeFinderTest, UnicodeCaseFoldingIsAppliedToBothSides)
{
    XmlDocument doc;
    XmlNode* root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
    XmlNode* e = Add(doc, root, XmlNodeKind::Element, QString::fromUtf8("ÄÖÜ_Ωmega"));
    NodeIdPath path;
    ASSERT_TRUE(NodeFinder::FindNext(doc, root->Id(), QString::fromUtf8("äöü"),
                                     FindFlag::NodeNames | FindFlag::MatchWholeWord, path));
    EXPECT_EQ(path.back(), e->Id());
    EXPECT_TRUE(NodeFinder::FindNext(doc, root->Id(), QString::fromUtf8("ωMEGA"),
                                     FindFlag::NodeNames, path));
}

TEST(NodeFinderTest, StepsAreNotQuadraticInTheNumberOfSiblings)
{
    XmlDocument doc;
    XmlNode* root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
    for (int i = 0; i < 200000; ++i)
        Add(doc, root, XmlNodeKind::Element, "e");
    NodeIdPath path;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(NodeFinder::FindNext(doc, root->Id(), "zz", FindFlag::AllKinds, path));
    EXPECT_FALSE(
        NodeFinder::FindNext(doc, root->Id(), "zz", FindFlag::AllKinds | FindFlag::SearchUp, path));
    EXPECT_LT(timer.elapsed(), 2000);
}
