#include "EditingTestHelpers.h"

#include <gtest/gtest.h>

using namespace editing_test;

namespace {

// <root a="1"><x:item>t</x:item></root> followed by a top-level comment.
struct Sample {
    XmlDocument doc;
    XmlNode* root;
    XmlNode* attr;
    XmlNode* item;
    XmlNode* text;
    XmlNode* comment;
    RecordingObserver observer;
    Sample()
    {
        root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
        attr = Add(doc, root, XmlNodeKind::Attribute, "a", "1");
        item = Add(doc, root, XmlNodeKind::Element, "item", {}, "x");
        text = Add(doc, item, XmlNodeKind::Text, "#Text", "t");
        comment = Add(doc, doc.Root(), XmlNodeKind::Comment, "#Comment", "c");
        doc.OnLoaded(XE_OK);
        doc.AddObserver(&observer);
    }
};

} // namespace

TEST(EditOperationsTest, RenameToSameNameRecordsNothingAndUndoRestoresNames)
{
    Sample s;
    EXPECT_TRUE(s.doc.RenameNode(s.item->Id(), "x", "item"));
    EXPECT_EQ(s.doc.History().Count(), 0);
    EXPECT_FALSE(s.doc.IsModified());
    EXPECT_TRUE(s.observer.events.empty());

    ASSERT_TRUE(s.doc.RenameNode(s.item->Id(), "y", "thing"));
    EXPECT_EQ(s.item->QualifiedName(), QStringLiteral("y:thing"));
    EXPECT_EQ(s.observer.events, (std::vector<std::string>{"changed /0/2"}));
    EXPECT_TRUE(s.doc.IsModified());
    ASSERT_TRUE(s.doc.SetLocalName(s.item->Id(), "other"));
    EXPECT_EQ(s.item->QualifiedName(), QStringLiteral("y:other"));
    ASSERT_TRUE(s.doc.SetNodeValue(s.attr->Id(), "2\r\nthree"));
    EXPECT_EQ(s.doc.History().Count(), 3);
    EXPECT_TRUE(s.doc.SetNodeValue(s.attr->Id(), "2\r\nthree")); // unchanged: no action
    EXPECT_EQ(s.doc.History().Count(), 3);

    while (s.doc.History().CanUndo())
        s.doc.History().Undo();
    EXPECT_EQ(s.item->QualifiedName(), QStringLiteral("x:item"));
    EXPECT_EQ(s.attr->Value(), QStringLiteral("1"));
    EXPECT_FALSE(s.doc.IsModified());
    s.doc.History().Redo();
    EXPECT_EQ(s.item->QualifiedName(), QStringLiteral("y:thing"));
}

TEST(EditOperationsTest, UnregisteredIdsAreRefusedByEveryOperation)
{
    Sample s;
    NodeIdPath path;
    EXPECT_FALSE(s.doc.RenameNode(99, "", "n"));
    EXPECT_FALSE(s.doc.SetLocalName(99, "n"));
    EXPECT_FALSE(s.doc.SetNodeValue(-1, "v"));
    EXPECT_FALSE(s.doc.MoveNodeStep(99, true));
    EXPECT_FALSE(s.doc.DeleteNode(99));
    EXPECT_FALSE(s.doc.DuplicateNode(99));
    EXPECT_FALSE(s.doc.InsertNode(Record(XmlNodeKind::Element, "e"), 99, -1, path));
    EXPECT_EQ(s.doc.History().Count(), 0);
}

TEST(EditOperationsTest, StepMovesStopAtTheEndsAndNeverCrossAttributes)
{
    Sample s;
    EXPECT_FALSE(s.doc.MoveNodeStep(s.attr->Id(), true));
    EXPECT_FALSE(s.doc.MoveNodeStep(s.item->Id(), false));
    // Attributes stay before the content, as the file has them.
    EXPECT_FALSE(s.doc.MoveNodeStep(s.item->Id(), true));
    EXPECT_FALSE(s.doc.MoveNodeStep(s.attr->Id(), false));
    EXPECT_EQ(s.doc.History().Count(), 0);

    XmlNode* second = Add(s.doc, s.root, XmlNodeKind::Comment, "#Comment", "2");
    ASSERT_TRUE(s.doc.MoveNodeStep(second->Id(), true));
    EXPECT_EQ(s.root->ChildAt(1), second);
    const std::string at = "/0/" + std::to_string(second->Id());
    EXPECT_EQ(s.observer.events, (std::vector<std::string>{"removed " + at, "inserted " + at}));
    ASSERT_TRUE(s.doc.MoveNodeStep(s.comment->Id(), true)); // top level too
    EXPECT_EQ(s.doc.Root()->ChildAt(0), s.comment);
    s.doc.History().Undo();
    s.doc.History().Undo();
    EXPECT_EQ(s.root->ChildAt(1), s.item);
    EXPECT_EQ(s.doc.Root()->ChildAt(0), s.root);
}

TEST(EditOperationsTest, DeleteRefusesDocumentElementAndUndoReturnsSameNodes)
{
    Sample s;
    EXPECT_FALSE(s.doc.DeleteNode(s.root->Id()));
    EXPECT_FALSE(s.doc.DuplicateNode(s.root->Id()));
    EXPECT_EQ(s.doc.History().Count(), 0);

    ASSERT_TRUE(s.doc.RenameNode(s.text->Id(), "", "renamed"));
    const int32_t itemId = s.item->Id();
    ASSERT_TRUE(s.doc.DeleteNode(itemId));
    EXPECT_EQ(s.root->ChildCount(), 1);
    ASSERT_TRUE(s.doc.History().Undo());
    EXPECT_EQ(s.root->ChildAt(1), s.item);
    EXPECT_EQ(s.item->ChildAt(0), s.text);
    EXPECT_EQ(s.doc.FindNode(itemId), s.item);
    ASSERT_TRUE(s.doc.History().Undo()); // the rename before the delete is still undoable
    EXPECT_EQ(s.text->LocalName(), QStringLiteral("#Text"));

    ASSERT_TRUE(s.doc.DeleteNode(s.comment->Id())); // a top-level comment may go
    EXPECT_EQ(s.doc.Root()->ChildCount(), 1);
    s.doc.History().Undo();
    EXPECT_EQ(s.doc.Root()->ChildAt(1), s.comment);
}

TEST(EditOperationsTest, DuplicateCopiesRightAfterWithFreshIdsAndUniqueAttributeNames)
{
    Sample s;
    ASSERT_TRUE(s.doc.DuplicateNode(s.attr->Id()));
    ASSERT_EQ(s.root->ChildCount(), 3);
    const XmlNode* copy = s.root->ChildAt(1);
    EXPECT_EQ(copy->LocalName(), QStringLiteral("a_1"));
    EXPECT_EQ(copy->Value(), QStringLiteral("1"));
    ASSERT_TRUE(s.doc.DuplicateNode(s.attr->Id()));
    EXPECT_EQ(s.root->ChildAt(1)->LocalName(), QStringLiteral("a_2"));

    const int32_t before = s.doc.NextId();
    ASSERT_TRUE(s.doc.DuplicateNode(s.item->Id()));
    const XmlNode* itemCopy = s.root->ChildAt(s.root->IndexOfChild(s.item) + 1);
    EXPECT_EQ(Dump(itemCopy), Dump(s.item));
    EXPECT_EQ(itemCopy->Id(), before);
    EXPECT_EQ(itemCopy->ChildAt(0)->Id(), before + 1);
    EXPECT_EQ(s.observer.events.back(), "inserted /0/" + std::to_string(before));
    s.doc.History().Undo();
    EXPECT_EQ(s.root->ChildCount(), 4);

    ASSERT_TRUE(s.doc.DuplicateNode(s.comment->Id()));
    EXPECT_EQ(s.doc.Root()->ChildCount(), 3);
}

TEST(EditOperationsTest, DuplicateRefusesAttributeWhenEverySuffixIsTaken)
{
    XmlDocument doc;
    XmlNode* e = Add(doc, doc.Root(), XmlNodeKind::Element, "e");
    XmlNode* a = Add(doc, e, XmlNodeKind::Attribute, "a");
    for (int n = 1; n <= 999; ++n)
        Add(doc, e, XmlNodeKind::Attribute, "a_" + QString::number(n));
    EXPECT_FALSE(doc.DuplicateNode(a->Id()));
    EXPECT_EQ(e->ChildCount(), 1000);
    EXPECT_EQ(doc.History().Count(), 0);
}

TEST(EditOperationsTest, InsertPlacesByAfterIdAndChecksParentAndKind)
{
    Sample s;
    NodeIdPath path;
    ASSERT_TRUE(s.doc.InsertNode(Record(XmlNodeKind::Element, "first"), s.root->Id(), -1, path));
    EXPECT_EQ(s.root->ChildAt(1)->LocalName(), QStringLiteral("first")); // after the attribute
    EXPECT_EQ(path, (NodeIdPath{s.root->Id(), s.root->ChildAt(1)->Id()}));
    ASSERT_TRUE(
        s.doc.InsertNode(Record(XmlNodeKind::Text, "#Text"), s.root->Id(), s.attr->Id(), path));
    EXPECT_EQ(s.root->ChildAt(1)->Kind(), XmlNodeKind::Text);
    // An attribute asked for among the content goes after the last attribute.
    ASSERT_TRUE(s.doc.InsertNode(Record(XmlNodeKind::Attribute, "b"), s.root->Id(),
                                 s.root->LastChild()->Id(), path));
    EXPECT_EQ(s.root->ChildAt(1)->LocalName(), QStringLiteral("b"));
    ASSERT_TRUE(
        s.doc.InsertNode(Record(XmlNodeKind::Comment, "#Comment"), s.root->Id(), 12345, path));
    EXPECT_EQ(s.root->LastChild()->Kind(), XmlNodeKind::Comment); // unknown after: appended

    ASSERT_TRUE(s.doc.InsertNode(Record(XmlNodeKind::Comment, "#Comment"), -1, s.root->Id(), path));
    EXPECT_EQ(s.doc.Root()->ChildAt(1)->Id(), path.back());
    EXPECT_EQ(path.size(), 1u);
    s.doc.History().Undo();
    s.doc.History().Redo();
    EXPECT_EQ(s.doc.Root()->ChildAt(1)->Id(), path.back());

    // Instructions, like comments, may stand beside the document element.
    EXPECT_TRUE(s.doc.InsertNode(Record(XmlNodeKind::ProcessingInstruction, "t"), -1, -1, path));
    const int count = s.doc.History().Count();
    EXPECT_FALSE(s.doc.InsertNode(Record(XmlNodeKind::Text, "#Text"), -1, -1, path));
    EXPECT_FALSE(s.doc.InsertNode(Record(XmlNodeKind::Element, "e"), -1, -1, path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(s.doc.InsertNode(Record(XmlNodeKind::Element, "e"), s.text->Id(), -1, path));
    EXPECT_FALSE(s.doc.InsertNode(Record(XmlNodeKind::Comment, "c"), s.attr->Id(), -1, path));
    // Kinds no view shows and no writer writes, and nameless elements, never enter the tree.
    EXPECT_FALSE(s.doc.InsertNode(Record(XmlNodeKind::None, "n"), s.root->Id(), -1, path));
    EXPECT_FALSE(s.doc.InsertNode(Record(XmlNodeKind(4), "cdata"), s.root->Id(), -1, path));
    EXPECT_FALSE(s.doc.InsertNode(Record(XmlNodeKind::ProcessingInstruction, ""), -1, -1, path));
    EXPECT_FALSE(s.doc.InsertNode(Record(XmlNodeKind::Attribute, ""), s.root->Id(), -1, path));
    EXPECT_EQ(s.doc.History().Count(), count);
}
