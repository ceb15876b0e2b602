#include "editing/EditCommandState.h"
#include "editing/CommandId.h"

#include <gtest/gtest.h>

#include <set>

using namespace CommandId;

namespace {

using Kind = std::optional<XmlNodeKind>;
constexpr XmlNodeKind E = XmlNodeKind::Element;
constexpr XmlNodeKind A = XmlNodeKind::Attribute;
constexpr XmlNodeKind T = XmlNodeKind::Text;
constexpr XmlNodeKind C = XmlNodeKind::Comment;

EditCommandState For(Kind selected, Kind parent, bool clipboard = false)
{
    EditSelectionState state;
    state.selectedKind = selected;
    state.parentKind = parent;
    state.clipboardHasPrivateData = clipboard;
    return EditCommandState::Compute(state);
}

// Enabled commands of a state, as a set for comparison.
std::set<uint16_t> Enabled(const EditCommandState& state)
{
    std::set<uint16_t> ids;
    for (uint16_t id : EditCommandState::Commands()) {
        if (state.IsEnabled(id))
            ids.insert(id);
    }
    return ids;
}

} // namespace

TEST(EditCommandStateTest, SelectionRowsEnableExactlyTheirCommands)
{
    const std::set<uint16_t> copies{Copy,      CopyName,  CopyValue,
                                    CopyAsXml, CopyXPath, CopyExactXPath};
    auto with = [](std::set<uint16_t> base, std::initializer_list<uint16_t> more) {
        base.insert(more);
        return base;
    };
    // Nothing selected: only the top-level comment inserts (which then do nothing) and the
    // prefix toggle.
    EXPECT_EQ(Enabled(For({}, {})),
              (std::set<uint16_t>{InsertCommentBefore, InsertCommentAfter, ShowPrefixes}));
    // The document element: no cut, delete, duplicate, element/text siblings.
    EXPECT_EQ(Enabled(For(E, {}, true)),
              with(copies, {Paste, Rename, InsertAttribute, InsertElementAsChild,
                            InsertCommentAsChild, InsertTextAsChild, InsertCommentBefore,
                            InsertCommentAfter, MoveUp, MoveDown, ShowPrefixes}));
    EXPECT_EQ(
        Enabled(For(E, E)),
        with(copies, {Cut, Delete, Duplicate, Rename, InsertAttribute, InsertElementAsChild,
                      InsertCommentAsChild, InsertTextAsChild, InsertElementBefore,
                      InsertElementAfter, InsertTextBefore, InsertTextAfter, InsertCommentBefore,
                      InsertCommentAfter, MoveUp, MoveDown, ShowPrefixes}));
    const std::set<uint16_t> leafUnderElement =
        with(copies, {Cut, Delete, Duplicate, ChangeValue, InsertElementBefore, InsertElementAfter,
                      InsertTextBefore, InsertTextAfter, InsertCommentBefore, InsertCommentAfter,
                      MoveUp, MoveDown, ShowPrefixes});
    EXPECT_EQ(Enabled(For(A, E, true)), with(leafUnderElement, {Rename}));
    // Text has no name of its own: Rename would open no editor, so it is not offered.
    EXPECT_EQ(Enabled(For(T, E)), leafUnderElement);
    EXPECT_EQ(Enabled(For(C, E)), leafUnderElement);
    // A top-level comment: removable, comment siblings only, no rename.
    EXPECT_EQ(Enabled(For(C, {})),
              with(copies, {Cut, Delete, Duplicate, ChangeValue, InsertCommentBefore,
                            InsertCommentAfter, MoveUp, MoveDown, ShowPrefixes}));
}

TEST(EditCommandStateTest, PasteNeedsAnElementAndThePrivateFormat)
{
    EXPECT_TRUE(For(E, E, true).IsEnabled(Paste));
    EXPECT_FALSE(For(E, E, false).IsEnabled(Paste));
    EXPECT_FALSE(For(A, E, true).IsEnabled(Paste));
    EXPECT_FALSE(For({}, {}, true).IsEnabled(Paste));
}

TEST(EditCommandStateTest, HistoryModifiedStateAndPrefixCheck)
{
    EditSelectionState state;
    state.canUndo = true;
    state.isModified = true;
    state.showPrefixes = false;
    EditCommandState result = EditCommandState::Compute(state);
    EXPECT_TRUE(result.IsEnabled(Undo));
    EXPECT_FALSE(result.IsEnabled(Redo));
    EXPECT_TRUE(result.IsEnabled(FileSave));
    EXPECT_TRUE(result.IsEnabled(SaveAll));
    EXPECT_TRUE(result.IsEnabled(ShowPrefixes));
    EXPECT_FALSE(result.IsChecked(ShowPrefixes));

    state = {};
    state.canRedo = true;
    result = EditCommandState::Compute(state);
    EXPECT_FALSE(result.IsEnabled(Undo));
    EXPECT_TRUE(result.IsEnabled(Redo));
    EXPECT_FALSE(result.IsEnabled(FileSave));
    EXPECT_TRUE(result.IsChecked(ShowPrefixes));
    EXPECT_FALSE(result.IsEnabled(FileNew)); // not decided here
}
