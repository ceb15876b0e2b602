#include "EditingTestHelpers.h"
#include "editing/CommandId.h"
#include "editing/EditCommandHandler.h"
#include "editing/ItemEditLogic.h"
#include "editing/NodeClipboard.h"
#include "editing/NodeFinder.h"
#include "editing/NodePathText.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace editing_test;

namespace {

const QString kCatalogue = QStringLiteral(TOVI_SOURCE_DIR "/tests/editing/data/catalogue.xml");

// The first node in document order with this qualified name and kind.
const XmlNode* Named(const XmlNode* from, const QString& name, XmlNodeKind kind)
{
    for (const XmlNode* child : *from) {
        if (child->Kind() == kind && child->QualifiedName() == name)
            return child;
        if (const XmlNode* found = Named(child, name, kind))
            return found;
    }
    return nullptr;
}

struct Loaded : ::testing::Test {
    XmlDocument doc;
    MemoryClipboard clipboard;
    const XmlNode* top = nullptr;
    void SetUp() override
    {
        ASSERT_EQ(doc.Load(kCatalogue), XE_OK);
        ASSERT_EQ(doc.Root()->ChildCount(), 2);
        top = doc.Root()->ChildAt(1);
        ASSERT_EQ(top->QualifiedName(), QStringLiteral("cat:catalogue"));
    }
    const XmlNode* Element(const QString& name)
    {
        return Named(doc.Root(), name, XmlNodeKind::Element);
    }
};

} // namespace

TEST_F(Loaded, EditsUndoAndSaveRoundTripThroughAFile)
{
    const XmlNode* part = Element("cat:part");
    ASSERT_NE(part, nullptr);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(ItemEditLogic::ApplyItemEdit(doc, part->Id(), 0, "item", false).accepted);
    EXPECT_EQ(part->QualifiedName(), QStringLiteral("cat:item"));
    EXPECT_TRUE(doc.DuplicateNode(part->ChildAt(0)->Id())); // id -> id_1
    EXPECT_EQ(part->ChildAt(1)->LocalName(), QStringLiteral("id_1"));
    EXPECT_TRUE(doc.MoveNodeStep(part->Id(), false));
    EXPECT_FALSE(doc.DeleteNode(top->Id()));
    EXPECT_TRUE(doc.DeleteNode(doc.Root()->ChildAt(0)->Id()));
    EXPECT_TRUE(doc.IsModified());

    QTemporaryDir dir;
    const QString saved = dir.filePath("out.xml");
    ASSERT_EQ(doc.Save(saved), XE_OK);
    EXPECT_FALSE(doc.IsModified());
    XmlDocument reread;
    ASSERT_EQ(reread.Load(saved), XE_OK);
    ASSERT_EQ(reread.Root()->ChildCount(), 1);
    EXPECT_EQ(Dump(reread.Root()->ChildAt(0)), Dump(top));

    while (doc.History().CanUndo())
        doc.History().Undo();
    XmlDocument original;
    ASSERT_EQ(original.Load(kCatalogue), XE_OK);
    EXPECT_EQ(Dump(doc.Root()->ChildAt(1)), Dump(original.Root()->ChildAt(1)));
}

TEST_F(Loaded, CopyPasteBetweenLoadedDocumentsKeepsTheSubtree)
{
    XmlDocument other;
    ASSERT_EQ(other.Load(kCatalogue), XE_OK);
    const XmlNode* part = Element("cat:part");
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(clipboard, doc, part->Id()));
    const XmlNode* target = Named(other.Root(), "itemize", XmlNodeKind::Element);
    ASSERT_TRUE(NodeClipboard::PasteFromClipboard(clipboard, other, target->Id()));
    EXPECT_EQ(Dump(target->LastChild()), Dump(part));
    EXPECT_GE(target->LastChild()->Id(), doc.NextId());
}

TEST_F(Loaded, PathsAndFindOnARealDocument)
{
    const XmlNode* part = Element("cat:part");
    EXPECT_EQ(GetNodePathText(doc, part->ChildAt(1)->Id()),
              QStringLiteral("//cat:catalogue/cat:part[@xml:lang == en]"));
    EXPECT_EQ(GetNodePathText(doc, top->ChildAt(0)->Id()),
              QStringLiteral("//cat:catalogue[@xmlns:cat == urn:example:catalogue]"));

    NodeIdPath path;
    const FindFlags words = FindFlag::AllKinds | FindFlag::MatchWholeWord;
    // The text "per_box" is content: a node value.
    ASSERT_TRUE(NodeFinder::FindNext(doc, top->Id(), "per", words, path));
    EXPECT_EQ(doc.FindNode(path.back())->Kind(), XmlNodeKind::Text);
    ASSERT_TRUE(NodeFinder::FindNext(doc, top->Id(), "DISCONTINUED", words, path));
    EXPECT_EQ(doc.FindNode(path.back())->Kind(), XmlNodeKind::Comment);
    ASSERT_TRUE(NodeFinder::FindNext(doc, top->Id(), "p2", words, path));
    EXPECT_EQ(doc.FindNode(path.back())->LocalName(), QStringLiteral("id"));
    // "parts" stands next to a slash, which is no delimiter.
    EXPECT_FALSE(NodeFinder::FindNext(doc, top->Id(), "parts", words, path));
    EXPECT_TRUE(NodeFinder::FindNext(doc, top->Id(), "parts", FindFlag::AllKinds, path));
}
