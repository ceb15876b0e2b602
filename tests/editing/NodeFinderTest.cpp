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
    int32_t Find(const XmlNode* start, const QString& text, FindFlags flags,
                 bool* wrapped = nullptr)
    {
        NodeIdPath path;
        if (!NodeFinder::FindNext(doc, start->Id(), text, flags, path, wrapped))
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
    EXPECT_EQ(d.Find(d.item, "item", names | FindFlag::MatchWholeWord), d.item->Id()); // itself
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
    // Instructions go with comments, found by target and data; their data is a value too.
    XmlNode* instruction =
        Add(d.doc, d.deep, XmlNodeKind::ProcessingInstruction, "app", "run fast");
    EXPECT_EQ(d.Find(d.root, "app run", FindFlag::Comments), instruction->Id());
    EXPECT_EQ(d.Find(d.root, "run", FindFlag::NodeValues), instruction->Id());
    EXPECT_EQ(d.Find(d.root, "app", FindFlag::AllKinds & ~FindFlag::Comments), -1);
    EXPECT_EQ(
        d.Find(d.root, "run", FindFlag::AllKinds & ~FindFlag::Comments & ~FindFlag::NodeValues),
        -1);
    // Text content is a node value, matched on its own (no name before it).
    EXPECT_EQ(d.Find(d.root, "text item", FindFlag::NodeValues | FindFlag::MatchWholeWord),
              d.text->Id());
    EXPECT_EQ(d.Find(d.root, "TEXT", FindFlag::NodeValues | FindFlag::MatchCase), -1);
    EXPECT_EQ(d.Find(d.root, "text", FindFlag::AllKinds & ~FindFlag::NodeValues), -1);
}

TEST(NodeFinderTest, FindAllListsEveryMatchInDocumentOrder)
{
    Doc d;
    EXPECT_EQ(NodeFinder::FindAll(d.doc, "item", FindFlag::AllKinds),
              (std::vector<int32_t>{d.item->Id(), d.text->Id(), d.itemize->Id(), d.comment->Id()}));
    EXPECT_EQ(
        NodeFinder::FindAll(d.doc, "item",
                            FindFlag::AllKinds | FindFlag::MatchWholeWord | FindFlag::SearchUp),
        (std::vector<int32_t>{d.item->Id(), d.text->Id(), d.comment->Id()}));
    EXPECT_EQ(NodeFinder::FindAll(d.doc, "Item", FindFlag::AllKinds | FindFlag::MatchCase),
              std::vector<int32_t>{});
    EXPECT_TRUE(NodeFinder::FindAll(XmlDocument(), "x", FindFlag::AllKinds).empty());
}

TEST(NodeFinderTest, DocumentOrderWrapsBothWaysAndExaminesTheStartLast)
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
    // The only match is the start: the whole document is passed and the start is found again.
    bool wrapped = false;
    EXPECT_EQ(d.Find(d.leaf, "leaf", all, &wrapped), d.leaf->Id());
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(d.Find(d.leaf, "leaf", all | FindFlag::SearchUp, &wrapped), d.leaf->Id());
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(d.Find(d.root, "nowhere", all, &wrapped), -1);
    EXPECT_FALSE(wrapped);
    // Wrapping is reported only when the match lies beyond the end (or, up, the start).
    EXPECT_EQ(d.Find(d.root, "leaf", all, &wrapped), d.leaf->Id());
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(d.Find(d.leaf, "item", all, &wrapped), d.item->Id());
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(d.Find(d.root, "leaf", all | FindFlag::SearchUp, &wrapped), d.leaf->Id());
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(d.Find(d.leaf, "item", all | FindFlag::SearchUp, &wrapped), d.itemize->Id());
    EXPECT_FALSE(wrapped);
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
