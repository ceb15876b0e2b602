#include "editing/NodeClipboard.h"
#include "EditingTestHelpers.h"

#include <gtest/gtest.h>

using namespace editing_test;

namespace {

struct Pair {
    XmlDocument doc;
    XmlNode* root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
    XmlNode* source = Add(doc, root, XmlNodeKind::Element, "item", {}, "x");
    XmlNode* target = Add(doc, root, XmlNodeKind::Element, "target");
    MemoryClipboard clipboard;
    Pair()
    {
        Add(doc, source, XmlNodeKind::Attribute, "id", "7");
        Add(doc, source, XmlNodeKind::Attribute, "lang", "en", "xml");
        Add(doc, source, XmlNodeKind::Text, "#Text", "body");
        Add(doc, target, XmlNodeKind::Comment, "#Comment", "existing");
    }
};

} // namespace

TEST(NodeClipboardTest, CopyPasteRoundTripAppendsWithFreshIdsAndIsUndoable)
{
    Pair p;
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(p.clipboard, p.doc, p.source->Id()));
    EXPECT_TRUE(NodeClipboard::HasPrivateClipboardData(p.clipboard));
    EXPECT_FALSE(p.clipboard.hasText); // only the private format goes on the clipboard

    // Paste into another document, as between two tabs or two running editors.
    XmlDocument other;
    XmlNode* otherRoot = Add(other, other.Root(), XmlNodeKind::Element, "r");
    Add(other, otherRoot, XmlNodeKind::Element, "first");
    RecordingObserver observer;
    other.AddObserver(&observer);
    const int32_t firstNew = other.NextId();
    ASSERT_TRUE(NodeClipboard::PasteFromClipboard(p.clipboard, other, otherRoot->Id()));
    ASSERT_EQ(otherRoot->ChildCount(), 2);
    const XmlNode* pasted = otherRoot->LastChild();
    EXPECT_EQ(Dump(pasted), Dump(p.source));
    EXPECT_EQ(pasted->Id(), firstNew);
    EXPECT_EQ(pasted->ChildAt(2)->Id(), firstNew + 3);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"inserted /0/" + std::to_string(firstNew)}));
    EXPECT_EQ(other.History().Count(), 1);

    ASSERT_TRUE(other.History().Undo());
    EXPECT_EQ(otherRoot->ChildCount(), 1);
    ASSERT_TRUE(other.History().Redo());
    EXPECT_EQ(otherRoot->LastChild(), pasted);
    EXPECT_EQ(other.FindNode(firstNew), pasted);
}

TEST(NodeClipboardTest, PastedAttributesKeepTheirNamesAndStayBeforeTheContent)
{
    Pair p;
    const XmlNode* id = p.source->ChildAt(0);
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(p.clipboard, p.doc, id->Id()));
    // Where the name is taken, the paste is refused: the file could not hold both.
    EXPECT_FALSE(NodeClipboard::PasteFromClipboard(p.clipboard, p.doc, p.source->Id()));
    ASSERT_TRUE(NodeClipboard::PasteFromClipboard(p.clipboard, p.doc, p.target->Id()));
    EXPECT_EQ(p.target->ChildAt(0)->LocalName(), QStringLiteral("id"));
    EXPECT_EQ(p.target->ChildAt(0)->Value(), QStringLiteral("7"));
    EXPECT_EQ(p.target->ChildAt(1)->Kind(), XmlNodeKind::Comment);
    // A comment a file could not hold is never pasted.
    XmlNode* comment = p.target->ChildAt(1);
    p.doc.AssignValue(comment, u"a--b");
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(p.clipboard, p.doc, comment->Id()));
    EXPECT_FALSE(NodeClipboard::PasteFromClipboard(p.clipboard, p.doc, p.source->Id()));
}

TEST(NodeClipboardTest, NamespacesInUseTravelAndRepeatNothing)
{
    XmlDocument source;
    ASSERT_EQ(source.LoadFromData("<lib xmlns=\"urn:d\" xmlns:dc=\"urn:dc\">"
                                  "<book><dc:title>T</dc:title></book></lib>"),
              XE_OK);
    const XmlNode* book = source.Root()->ChildAt(0)->ChildAt(2);
    const XmlNode* title = book->ChildAt(0);
    MemoryClipboard clipboard;
    XmlDocument target;
    ASSERT_EQ(target.LoadFromData("<shelf/>"), XE_OK);
    XmlNode* shelf = target.Root()->ChildAt(0);

    // Into another document: the declarations come along on the pasted element, which then
    // saves and loads back in its namespace.
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(clipboard, source, title->Id()));
    ASSERT_TRUE(NodeClipboard::PasteFromClipboard(clipboard, target, shelf->Id()));
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(clipboard, source, book->Id()));
    ASSERT_TRUE(NodeClipboard::PasteFromClipboard(clipboard, target, shelf->Id()));
    QByteArray saved;
    ASSERT_EQ(target.SerializeDocument(saved), XE_OK);
    EXPECT_TRUE(saved.contains("<dc:title xmlns:dc=\"urn:dc\">T</dc:title>")) << saved.data();
    EXPECT_TRUE(saved.contains("<book xmlns=\"urn:d\" xmlns:dc=\"urn:dc\">")) << saved.data();

    // Into its own document (or any place where they are in scope): nothing is repeated.
    const int children = book->ChildCount();
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(clipboard, source, title->Id()));
    ASSERT_TRUE(NodeClipboard::PasteFromClipboard(clipboard, source, book->Id()));
    ASSERT_EQ(book->ChildCount(), children + 1);
    EXPECT_EQ(book->LastChild()->ChildCount(), 1); // the text alone
}

TEST(NodeClipboardTest, PasteRefusesNonElementTargetsTextAndBadBlocksWithoutTrace)
{
    Pair p;
    const std::string before = Dump(p.root);
    const int32_t nextId = p.doc.NextId();
    auto unchanged = [&] {
        EXPECT_EQ(Dump(p.root), before);
        EXPECT_EQ(p.doc.NextId(), nextId);
        EXPECT_EQ(p.doc.History().Count(), 0);
    };

    NodeClipboard::PutClipboardText(p.clipboard, "<a/>");
    EXPECT_EQ(p.clipboard.text, QStringLiteral("<a/>"));
    EXPECT_FALSE(NodeClipboard::HasPrivateClipboardData(p.clipboard));
    EXPECT_FALSE(NodeClipboard::PasteFromClipboard(p.clipboard, p.doc, p.target->Id()));
    unchanged();

    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(p.clipboard, p.doc, p.source->Id()));
    EXPECT_FALSE(NodeClipboard::PasteFromClipboard(p.clipboard, p.doc, p.source->ChildAt(0)->Id()));
    EXPECT_FALSE(NodeClipboard::PasteFromClipboard(p.clipboard, p.doc, 999));
    unchanged();

    // A block cut inside the last child's value: the element and its first children would
    // decode, but nothing may stay behind.
    QByteArray& block = p.clipboard.formats[NodeClipboard::FormatName()];
    block.chop(6);
    EXPECT_FALSE(NodeClipboard::PasteFromClipboard(p.clipboard, p.doc, p.target->Id()));
    block[0] = char(7); // a processing-instruction kind from a foreign program
    EXPECT_FALSE(NodeClipboard::PasteFromClipboard(p.clipboard, p.doc, p.target->Id()));
    unchanged();
}

TEST(NodeClipboardTest, AnUnopenableClipboardCopiesNothing)
{
    Pair p;
    p.clipboard.refuse = true;
    EXPECT_FALSE(NodeClipboard::CopyNodeToClipboard(p.clipboard, p.doc, p.source->Id()));
    EXPECT_FALSE(NodeClipboard::CopyNodeToClipboard(p.clipboard, p.doc, 999));
    EXPECT_FALSE(NodeClipboard::HasPrivateClipboardData(p.clipboard));
    EXPECT_FALSE(NodeClipboard::PasteFromClipboard(p.clipboard, p.doc, p.target->Id()));
}
