// Trees built by edits have no depth limit of their own (drag moves nest elements): every
// walk over them must be iterative, and what saves must load again.
#include "ReliabilityHelpers.h"

#include "editing/ClipboardRecord.h"

#include <gtest/gtest.h>

using namespace reliability;

namespace {

XmlNode* BuildChain(XmlDocument& document, int depth)
{
    XmlNodeData record;
    record.kind = XmlNodeKind::Element;
    record.localName = QStringLiteral("e");
    XmlNode* node = document.AppendChild(document.Root(), record);
    for (int i = 1; i < depth; ++i)
        node = document.AppendChild(node, record);
    return node;
}

} // namespace

TEST(DeepTreeTest, HundredThousandLevelsDoNotOverflowTheStack)
{
    XmlDocument document;
    XmlNode* deepest = BuildChain(document, 100000);
    NodeIdPath path;
    ASSERT_TRUE(document.GetIdPath(deepest->Id(), path));
    EXPECT_EQ(path.size(), size_t(100000));
    // Serialising is left out here: indentation makes the text of a chain grow with the
    // square of its depth (10 GB at this depth), which WhatSavesLoadsAgain bounds.
    EXPECT_GT(ClipboardRecord::EncodeBlock(*document.Root()->ChildAt(0)).size(), 100000 * 20);
    EXPECT_GT(document.MemoryUsage(), size_t(0));
    XmlNode* copy = document.CopySubtree(document.Root()->ChildAt(0), document.Root(), 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Id(), 100000);
    // Dragging the chain onto its own deepest element is refused, not copied forever.
    EXPECT_FALSE(document.CopyNodeTo(document.Root()->ChildAt(0)->Id(), deepest->Id()));
    EXPECT_TRUE(document.DeleteNode(copy->ChildAt(0)->Id()));
    EXPECT_TRUE(document.History().Undo());
    // The destructor frees both chains.
}

TEST(DeepTreeTest, WhatSavesLoadsAgain)
{
    // Deeper than the loader takes: the save must refuse it rather than write a file that
    // this editor can no longer open.
    for (int depth : {256, 257, 300}) {
        SCOPED_TRACE(depth);
        XmlDocument document;
        BuildChain(document, depth);
        QByteArray text;
        if (document.SerializeDocument(text) != XE_OK)
            continue;
        XmlDocument back;
        EXPECT_EQ(back.LoadFromData(text), XE_OK) << "a saved document does not load";
    }
}
