#include "document/XmlDocument.h"
#include "document/DocumentObserver.h"
#include "document/XmlException.h"

#include "NodeRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

TEST(XmlDocumentTest, NewDocumentHoldsRootNodeAndCountsAsModified)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.CreateNew());
    ASSERT_EQ(doc.Root()->ChildCount(), 1);
    const XmlNode* root = doc.Root()->ChildAt(0);
    EXPECT_EQ(root->Kind(), XmlNodeKind::Element);
    EXPECT_EQ(root->LocalName(), QStringLiteral("Root_Node"));
    EXPECT_TRUE(root->Prefix().isEmpty());
    EXPECT_TRUE(root->Value().isEmpty());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_THROW(doc.Root()->ChildAt(1), XmlException);
}

TEST(XmlDocumentTest, IdsGrowAndPathsLeadFromTopLevel)
{
    XmlDocument doc;
    XmlNode* a = doc.AppendChild(doc.Root(), Record(XmlNodeKind::Element, "a"));
    XmlNode* b = doc.AppendChild(a, Record(XmlNodeKind::Element, "b"));
    XmlNode* c = doc.InsertChild(a, 0, Record(XmlNodeKind::Attribute, "c", "v"));
    EXPECT_EQ(a->Id(), 0);
    EXPECT_EQ(b->Id(), 1);
    EXPECT_EQ(c->Id(), 2);
    EXPECT_EQ(a->IndexOfChild(c), 0);
    EXPECT_EQ(c->Value(), QStringLiteral("v"));
    NodeIdPath path;
    ASSERT_TRUE(doc.GetIdPath(1, path));
    EXPECT_EQ(path, (NodeIdPath{0, 1}));
    ASSERT_TRUE(doc.GetIdPath(0, path));
    EXPECT_EQ(path, (NodeIdPath{0}));
    EXPECT_FALSE(doc.GetIdPath(42, path));
    EXPECT_TRUE(path.empty());
}

TEST(XmlDocumentTest, UniqueAttributeNamesIgnoreCaseAndCountEveryKind)
{
    XmlDocument doc;
    XmlNode* e = doc.AppendChild(doc.Root(), Record(XmlNodeKind::Element, "e"));
    EXPECT_EQ(doc.MakeUniqueAttributeName("", "a", e), QStringLiteral("a"));
    doc.AppendChild(e, Record(XmlNodeKind::Attribute, "a"));
    doc.AppendChild(e, Record(XmlNodeKind::Attribute, "A_1"));
    doc.AppendChild(e, Record(XmlNodeKind::Element, "a_2"));
    doc.AppendChild(e, Record(XmlNodeKind::Attribute, "a_4", {}, "p"));
    EXPECT_EQ(doc.MakeUniqueAttributeName("", "a", e), QStringLiteral("a_3"));
    EXPECT_EQ(doc.MakeUniqueAttributeName("P", "a_4", e), QStringLiteral("a_4_1"));
    EXPECT_EQ(doc.MakeUniqueAttributeName("", "a", nullptr), QStringLiteral("a"));
}

TEST(XmlDocumentTest, CopySubtreeGivesFreshIdsInPreOrderAndSuffixesCaseClashes)
{
    XmlDocument doc;
    XmlNode* root = doc.AppendChild(doc.Root(), Record(XmlNodeKind::Element, "root"));
    XmlNode* e = doc.AppendChild(root, Record(XmlNodeKind::Element, "e"));
    doc.AppendChild(e, Record(XmlNodeKind::Attribute, "id", "1"));
    doc.AppendChild(e, Record(XmlNodeKind::Attribute, "ID", "2"));
    XmlNode* inner = doc.AppendChild(e, Record(XmlNodeKind::Element, "inner"));
    doc.AppendChild(inner, Record(XmlNodeKind::Text, "#Text", "hello"));
    const int32_t next = doc.NextId();
    XmlNode* copy = doc.CopySubtree(e, root, 2);
    ASSERT_EQ(root->ChildCount(), 2);
    EXPECT_EQ(root->ChildAt(1), copy);
    EXPECT_EQ(copy->Id(), next);
    ASSERT_EQ(copy->ChildCount(), 3);
    EXPECT_EQ(copy->ChildAt(0)->LocalName(), QStringLiteral("id"));
    EXPECT_EQ(copy->ChildAt(1)->LocalName(), QStringLiteral("ID_1"));
    EXPECT_EQ(copy->ChildAt(1)->Value(), QStringLiteral("2"));
    EXPECT_EQ(copy->ChildAt(1)->Id(), next + 2);
    EXPECT_EQ(copy->ChildAt(2)->ChildAt(0)->Value(), QStringLiteral("hello"));
    EXPECT_EQ(copy->ChildAt(2)->ChildAt(0)->Id(), next + 4);
    EXPECT_EQ(doc.FindNode(next + 4), copy->ChildAt(2)->ChildAt(0));
}

TEST(XmlDocumentTest, MoveNodeToChecksTargetsAndUndoes)
{
    XmlDocument doc;
    XmlNode* root = doc.AppendChild(doc.Root(), Record(XmlNodeKind::Element, "root"));
    XmlNode* a = doc.AppendChild(root, Record(XmlNodeKind::Element, "a"));
    XmlNode* aChild = doc.AppendChild(a, Record(XmlNodeKind::Element, "deep"));
    XmlNode* b = doc.AppendChild(root, Record(XmlNodeKind::Element, "b"));
    XmlNode* text = doc.AppendChild(b, Record(XmlNodeKind::Text, "#Text", "t"));
    XmlNode* comment = doc.AppendChild(root, Record(XmlNodeKind::Comment, "#Comment", "c"));
    doc.OnLoaded(XE_OK);
    RecordingObserver observer;
    doc.AddObserver(&observer);

    EXPECT_FALSE(doc.MoveNodeTo(a->Id(), aChild->Id())); // onto a descendant
    EXPECT_FALSE(doc.MoveNodeTo(a->Id(), a->Id()));      // onto itself
    EXPECT_FALSE(doc.MoveNodeTo(a->Id(), text->Id()));   // onto a text node
    EXPECT_FALSE(doc.MoveNodeTo(a->Id(), -1));           // element to the top level
    EXPECT_FALSE(doc.MoveNodeTo(a->Id(), root->Id()));   // into its own parent
    EXPECT_FALSE(doc.MoveNodeTo(99, root->Id()));
    EXPECT_TRUE(observer.events.empty());
    EXPECT_FALSE(doc.IsModified());

    ASSERT_TRUE(doc.MoveNodeTo(a->Id(), b->Id()));
    EXPECT_EQ(b->ChildAt(0), a);
    EXPECT_EQ(observer.events, (std::vector<std::string>{"removed /0/1", "inserted /0/3/1"}));
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.History().Undo());
    EXPECT_EQ(root->ChildAt(0), a);
    EXPECT_EQ(a->Parent(), root);
    EXPECT_FALSE(doc.IsModified());

    ASSERT_TRUE(doc.MoveNodeTo(comment->Id(), -1));
    EXPECT_EQ(doc.Root()->ChildAt(0), comment);
    ASSERT_TRUE(doc.History().Undo());
    EXPECT_EQ(root->ChildAt(2), comment);
}

TEST(XmlDocumentTest, CopyNodeToUndoRemovesAndRedoRestoresSameIds)
{
    XmlDocument doc;
    XmlNode* root = doc.AppendChild(doc.Root(), Record(XmlNodeKind::Element, "root"));
    XmlNode* a = doc.AppendChild(root, Record(XmlNodeKind::Element, "a"));
    doc.AppendChild(a, Record(XmlNodeKind::Attribute, "x", "1"));
    XmlNode* b = doc.AppendChild(root, Record(XmlNodeKind::Element, "b"));
    doc.AppendChild(b, Record(XmlNodeKind::Attribute, "x", "2"));
    RecordingObserver observer;
    doc.AddObserver(&observer);

    ASSERT_TRUE(doc.CopyNodeTo(a->ChildAt(0)->Id(), b->Id()));
    XmlNode* copy = b->ChildAt(0);
    EXPECT_EQ(copy->LocalName(), QStringLiteral("x_1"));
    const int32_t copyId = copy->Id();
    ASSERT_TRUE(doc.History().Undo());
    EXPECT_EQ(b->ChildCount(), 1);
    EXPECT_EQ(observer.events.back(), "removed /0/3/" + std::to_string(copyId));
    ASSERT_TRUE(doc.History().Redo());
    ASSERT_EQ(b->ChildCount(), 2);
    EXPECT_EQ(b->ChildAt(0)->Id(), copyId);
    EXPECT_EQ(doc.FindNode(copyId), b->ChildAt(0));
    // A new action drops the undone tail; the parked copy is destroyed with it.
    ASSERT_TRUE(doc.History().Undo());
    ASSERT_TRUE(doc.MoveNodeTo(a->Id(), b->Id()));
    EXPECT_EQ(doc.FindNode(copyId), nullptr);
    EXPECT_EQ(doc.History().Count(), 1);
}

TEST(XmlDocumentTest, ChildPositionsStayRightThroughInsertionsRemovalsAndMoves)
{
    XmlDocument doc;
    XmlNode* parent = doc.AppendChild(doc.Root(), Record(XmlNodeKind::Element, "p"));
    std::vector<XmlNode*> children;
    for (int i = 0; i < 200; ++i)
        children.push_back(doc.AppendChild(parent, Record(XmlNodeKind::Element, "c")));
    std::mt19937 random(11);
    auto actual = [&](const XmlNode* child) {
        return int(std::find(parent->begin(), parent->end(), child) - parent->begin());
    };
    for (int step = 0; step < 3000; ++step) {
        const int count = parent->ChildCount();
        switch (random() % 4) {
        case 0:
            children.push_back(doc.InsertChild(parent, int(random() % unsigned(count + 1)),
                                               Record(XmlNodeKind::Element, "n")));
            break;
        case 1:
            if (count > 1) {
                const int index = int(random() % unsigned(count));
                XmlNode* removed = parent->ChildAt(index);
                ASSERT_TRUE(doc.DeleteNode(removed->Id())); // parked in the history, alive
                // It still knows where it stood, which is what finds its mirror.
                ASSERT_EQ(removed->PositionHint(), index);
                children.erase(std::find(children.begin(), children.end(), removed));
            }
            break;
        case 2:
            parent->MoveChild(int(random() % unsigned(count)), int(random() % unsigned(count)));
            break;
        default:
            break;
        }
        // Lookups of any child, near the change or far from it, in any order.
        for (int probe = 0; probe < 3; ++probe) {
            const XmlNode* child = children[random() % children.size()];
            ASSERT_EQ(parent->IndexOfChild(child), actual(child)) << "step " << step;
        }
    }
    for (const XmlNode* child : children)
        EXPECT_EQ(parent->IndexOfChild(child), actual(child));
    EXPECT_EQ(parent->IndexOfChild(doc.Root()), -1);
}
