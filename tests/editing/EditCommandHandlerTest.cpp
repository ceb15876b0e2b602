#include "editing/EditCommandHandler.h"
#include "EditingTestHelpers.h"
#include "editing/CommandId.h"
#include "editing/NodeClipboard.h"

#include <gtest/gtest.h>

using namespace editing_test;

namespace {

// <root a="1"><x:item/><last/></root><!--c-->
struct View {
    XmlDocument doc;
    XmlNode* root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
    XmlNode* attr = Add(doc, root, XmlNodeKind::Attribute, "a", "1");
    XmlNode* item = Add(doc, root, XmlNodeKind::Element, "item", {}, "x");
    XmlNode* last = Add(doc, root, XmlNodeKind::Element, "last");
    XmlNode* comment = Add(doc, doc.Root(), XmlNodeKind::Comment, "#Comment", "c");
    MemoryClipboard clipboard;
    EditCommandHandler handler{doc, clipboard};

    EditCommandOutcome Run(uint16_t id, const XmlNode* selected, bool showPrefixes = true)
    {
        EditContext context;
        context.selectedId = selected ? selected->Id() : -1;
        const XmlNode* parent = selected ? selected->Parent() : nullptr;
        context.parentItemId = parent && parent != doc.Root() ? parent->Id() : -1;
        context.showPrefixes = showPrefixes;
        return handler.Execute(id, context);
    }
    NodeIdPath PathOf(const XmlNode* node)
    {
        NodeIdPath path;
        doc.GetIdPath(node->Id(), path);
        return path;
    }
};

} // namespace

TEST(EditCommandHandlerTest, SiblingInsertsUseParentAndPreviousSibling)
{
    View v;
    EditCommandOutcome out = v.Run(CommandId::InsertElementBefore, v.item);
    ASSERT_TRUE(out.changed);
    const XmlNode* added = v.root->ChildAt(1); // after the attribute, before item
    EXPECT_EQ(added->LocalName(), QStringLiteral("New_Element"));
    EXPECT_EQ(out.editPath, v.PathOf(added));
    EXPECT_EQ(out.editColumn, 0);
    EXPECT_TRUE(out.expandPath.empty());

    out = v.Run(CommandId::InsertTextAfter, v.item);
    ASSERT_TRUE(out.changed);
    EXPECT_EQ(v.root->ChildAt(v.root->IndexOfChild(v.item) + 1)->Kind(), XmlNodeKind::Text);
    EXPECT_EQ(out.editColumn, 1);

    // Before the first child, an attribute: content lands after the attributes, as in a file.
    out = v.Run(CommandId::InsertCommentBefore, v.attr);
    ASSERT_TRUE(out.changed);
    EXPECT_EQ(v.root->ChildAt(0), v.attr);
    EXPECT_EQ(v.root->ChildAt(1)->Kind(), XmlNodeKind::Comment);
    EXPECT_EQ(out.editPath, v.PathOf(v.root->ChildAt(1)));
    EXPECT_EQ(out.editColumn, 1);
}

TEST(EditCommandHandlerTest, TopLevelInsertsTakeOnlyComments)
{
    View v;
    EXPECT_FALSE(v.Run(CommandId::InsertElementBefore, v.root).changed);
    EXPECT_FALSE(v.Run(CommandId::InsertTextAfter, v.root).changed);
    EXPECT_EQ(v.doc.History().Count(), 0);
    EditCommandOutcome out = v.Run(CommandId::InsertCommentBefore, v.root);
    ASSERT_TRUE(out.changed);
    EXPECT_EQ(v.doc.Root()->ChildAt(0)->Kind(), XmlNodeKind::Comment);
    EXPECT_EQ(out.editPath.size(), 1u);
    ASSERT_TRUE(v.Run(CommandId::InsertCommentAfter, v.root).changed);
    EXPECT_EQ(v.doc.Root()->ChildAt(2)->Kind(), XmlNodeKind::Comment);
    EXPECT_EQ(v.doc.Root()->ChildCount(), 4);
}

TEST(EditCommandHandlerTest, ChildInsertsGoFirstExpandAndNameAttributesUniquely)
{
    View v;
    Add(v.doc, v.item, XmlNodeKind::Element, "new_attribute"); // clashes ignoring case and kind
    EditCommandOutcome out = v.Run(CommandId::InsertAttribute, v.item);
    ASSERT_TRUE(out.changed);
    EXPECT_EQ(v.item->ChildAt(0)->LocalName(), QStringLiteral("New_Attribute_1"));
    EXPECT_EQ(out.expandPath, v.PathOf(v.item));
    EXPECT_EQ(out.editPath, v.PathOf(v.item->ChildAt(0)));
    EXPECT_EQ(out.editColumn, 0);

    out = v.Run(CommandId::InsertElementAsChild, v.root);
    ASSERT_TRUE(out.changed);
    EXPECT_EQ(v.root->ChildAt(1)->Kind(), XmlNodeKind::Element); // first after the attribute
    out = v.Run(CommandId::InsertCommentAsChild, v.last);
    EXPECT_EQ(out.expandPath, v.PathOf(v.last));
    EXPECT_EQ(out.editColumn, 1);
    out = v.Run(CommandId::InsertTextAsChild, v.attr); // under a non-element: refused
    EXPECT_FALSE(out.changed);
    EXPECT_TRUE(out.editPath.empty());
}

TEST(EditCommandHandlerTest, NoSelectionDoesNothingButUndoRedoAndPrefixToggleRun)
{
    View v;
    for (uint16_t id : {CommandId::Delete, CommandId::Copy, CommandId::InsertCommentBefore,
                        CommandId::Rename, CommandId::CopyName}) {
        const EditCommandOutcome out = v.Run(id, nullptr);
        EXPECT_TRUE(out.handled);
        EXPECT_FALSE(out.changed);
        EXPECT_TRUE(out.editPath.empty());
    }
    EXPECT_FALSE(v.clipboard.hasText);
    EXPECT_FALSE(v.Run(CommandId::FileSave, v.root).handled);

    ASSERT_TRUE(v.Run(CommandId::Duplicate, v.item).changed);
    EditCommandOutcome out = v.Run(CommandId::Undo, nullptr);
    EXPECT_TRUE(out.changed);
    EXPECT_TRUE(out.repaint);
    EXPECT_TRUE(v.Run(CommandId::Redo, nullptr).changed);
    out = v.Run(CommandId::ShowPrefixes, nullptr);
    EXPECT_TRUE(out.togglePrefixes);
    EXPECT_TRUE(out.repaint);
    EXPECT_EQ(v.Run(CommandId::Rename, v.item).editPath, v.PathOf(v.item));
    EXPECT_EQ(v.Run(CommandId::ChangeValue, v.attr).editColumn, 1);
}

TEST(EditCommandHandlerTest, CutCopiesThenDeletesButNeverDeletesWhatWasNotCopied)
{
    View v;
    const int32_t attrId = v.attr->Id();
    ASSERT_TRUE(v.Run(CommandId::Cut, v.attr).changed);
    EXPECT_EQ(v.doc.FindNode(attrId)->Parent()->Parent(), nullptr); // parked
    EXPECT_TRUE(NodeClipboard::HasPrivateClipboardData(v.clipboard));
    EXPECT_EQ(v.doc.History().Count(), 1);
    v.doc.History().Undo();
    EXPECT_EQ(v.root->ChildAt(0)->Id(), attrId);

    v.Run(CommandId::Cut, v.root); // the document element: copied, not deleted
    EXPECT_EQ(v.doc.Root()->ChildAt(0), v.root);
    EXPECT_EQ(v.doc.History().Count(), 1);

    v.clipboard.refuse = true;
    EXPECT_FALSE(v.Run(CommandId::Cut, v.item).changed);
    EXPECT_EQ(v.root->ChildAt(1), v.item);

    v.clipboard.refuse = false;
    ASSERT_TRUE(v.Run(CommandId::Copy, v.item).changed);
    ASSERT_TRUE(v.Run(CommandId::Paste, v.last).changed);
    EXPECT_EQ(v.last->LastChild()->QualifiedName(), QStringLiteral("x:item"));
    EXPECT_FALSE(v.Run(CommandId::Paste, v.attr).changed);
}

TEST(EditCommandHandlerTest, TextCopiesFollowThePrefixDisplay)
{
    View v;
    EXPECT_EQ(v.Run(CommandId::CopyName, v.item, true).clipboardText, QStringLiteral("x:item"));
    EXPECT_EQ(v.clipboard.text, QStringLiteral("x:item"));
    EXPECT_EQ(v.Run(CommandId::CopyName, v.item, false).clipboardText, QStringLiteral("item"));
    EXPECT_EQ(v.Run(CommandId::CopyValue, v.attr).clipboardText, QStringLiteral("1"));
    EXPECT_EQ(v.Run(CommandId::CopyXPath, v.attr).clipboardText, QStringLiteral("//root[@a == 1]"));
    EXPECT_EQ(v.Run(CommandId::CopyExactXPath, v.attr).clipboardText, QStringLiteral("/root/@a"));
    EXPECT_EQ(v.clipboard.text, QStringLiteral("/root/@a"));
    const std::optional<QString> xml = v.Run(CommandId::CopyAsXml, v.last).clipboardText;
    ASSERT_TRUE(xml.has_value());
    EXPECT_TRUE(xml->contains(QStringLiteral("<last")));
    EXPECT_FALSE(NodeClipboard::HasPrivateClipboardData(v.clipboard));
}

TEST(EditCommandHandlerTest, StateReflectsSelectionClipboardAndHistory)
{
    View v;
    EditContext context;
    context.selectedId = v.item->Id();
    context.parentItemId = v.root->Id();
    EditCommandState state = v.handler.State(context);
    EXPECT_FALSE(state.IsEnabled(CommandId::Paste));
    EXPECT_FALSE(state.IsEnabled(CommandId::Undo));
    EXPECT_TRUE(state.IsEnabled(CommandId::InsertElementBefore));
    v.Run(CommandId::Copy, v.item);
    v.Run(CommandId::Duplicate, v.item);
    state = v.handler.State(context);
    EXPECT_TRUE(state.IsEnabled(CommandId::Paste));
    EXPECT_TRUE(state.IsEnabled(CommandId::Undo));
    context.selectedId = 999; // an item without a node
    state = v.handler.State(context);
    EXPECT_FALSE(state.IsEnabled(CommandId::Copy));
    EXPECT_FALSE(state.IsEnabled(CommandId::InsertElementBefore));
}
