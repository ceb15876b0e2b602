#include "ViewTestHelpers.h"

#include "document/XmlDocument.h"
#include "editing/CommandId.h"
#include "view/TreeListItemModel.h"
#include "view/TreeListView.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <gtest/gtest.h>

#include <random>

using namespace view_test;

namespace {

std::vector<TreeListItem*> AllItems(const TreeListView& view, const TreeListItem* parent = nullptr)
{
    std::vector<TreeListItem*> items;
    for (int i = 0; i < view.ChildItemCount(parent); ++i) {
        TreeListItem* child = view.ChildItem(parent, i);
        items.push_back(child);
        const std::vector<TreeListItem*> inner = AllItems(view, child);
        items.insert(items.end(), inner.begin(), inner.end());
    }
    return items;
}

constexpr int kCommands[] = {
    CommandId::InsertElementBefore,
    CommandId::InsertElementAfter,
    CommandId::InsertElementAsChild,
    CommandId::InsertAttribute,
    CommandId::InsertCommentBefore,
    CommandId::InsertCommentAfter,
    CommandId::InsertCommentAsChild,
    CommandId::InsertTextBefore,
    CommandId::InsertTextAfter,
    CommandId::InsertTextAsChild,
    CommandId::Duplicate,
    CommandId::MoveUp,
    CommandId::MoveDown,
    CommandId::Delete,
    CommandId::Copy,
    CommandId::Cut,
    CommandId::Paste,
    CommandId::Undo,
    CommandId::Undo,
    CommandId::Redo,
};

} // namespace

// The core promise of the view: whatever the user does, undoes and redoes, the items are the
// node tree, item for node, in the same order.
TEST(TreeListViewMirrorTest, ItemsMirrorTheNodesThroughRandomEditsUndoAndRedo)
{
    SampleFile file(kSample);
    for (unsigned variant : {1u, 2u, 3u, 4u}) {
        TreeListView view;
        ASSERT_TRUE(view.OpenFile(file.Path()));
        QAbstractItemModelTester tester(view.ItemModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        std::mt19937 random(variant);
        for (int step = 0; step < 300; ++step) {
            const std::vector<TreeListItem*> items = AllItems(view);
            TreeListItem* selected = items.empty() ? nullptr : items[random() % items.size()];
            view.SelectItem(selected);
            const unsigned choice = random() % 12;
            std::string action;
            if (choice < 9) {
                const int command = kCommands[random() % std::size(kCommands)];
                action = "command " + std::to_string(command);
                view.HandleCommand(command);
            } else if (choice == 9 && selected) {
                action = "edit";
                const int column = int(random() % 2);
                view.ApplyItemEdit(selected, column,
                                   column == 0 ? QStringLiteral("n%1").arg(step)
                                               : QStringLiteral("v%1").arg(step));
            } else if (!items.empty()) {
                TreeListItem* target = random() % 5 == 0 ? nullptr : items[random() % items.size()];
                const bool copy = random() % 2 == 0;
                action = copy ? "drop copy" : "drop move";
                view.DropItem(selected, target, copy);
            }
            ASSERT_EQ(MirrorDifference(view), "")
                << "variant " << variant << " step " << step << " after " << action;
            // Every notified insertion leaves its node selected, so a selection always exists.
            if (!items.empty()) {
                ASSERT_NE(view.SelectedItem(), nullptr)
                    << "variant " << variant << " step " << step;
            }
        }
        // Undo everything: back to the file as loaded, item for item.
        while (view.Document().History().CanUndo())
            ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
        EXPECT_EQ(MirrorDifference(view), "");
        EXPECT_FALSE(view.Document().IsModified());
        while (view.Document().History().CanRedo())
            ASSERT_TRUE(view.HandleCommand(CommandId::Redo));
        EXPECT_EQ(MirrorDifference(view), "");
    }
}

TEST(TreeListViewMirrorTest, AHundredThousandSiblingsStayMirroredWhenEditedInTheMiddle)
{
    QByteArray xml = "<root>";
    for (int i = 0; i < 100000; ++i)
        xml += "<e/>";
    xml += "</root>";
    SampleFile file(xml);
    TreeListView view;
    ASSERT_TRUE(view.OpenFile(file.Path()));
    TreeListItem* root = view.ChildItem(nullptr, 0);
    ASSERT_EQ(view.ChildItemCount(root), 100000);
    view.ExpandItem(root);

    view.SelectItem(view.ChildItem(root, 50000));
    ASSERT_TRUE(view.HandleCommand(CommandId::Duplicate));
    EXPECT_EQ(view.SelectedItem(), view.ChildItem(root, 50001));
    ASSERT_TRUE(view.HandleCommand(CommandId::MoveUp));
    EXPECT_EQ(view.SelectedItem(), view.ChildItem(root, 50000));
    view.SelectItem(view.ChildItem(root, 99999));
    ASSERT_TRUE(view.HandleCommand(CommandId::Delete));
    ASSERT_TRUE(view.HandleCommand(CommandId::Undo));
    EXPECT_EQ(view.SelectedItem(), view.ChildItem(root, 99999));
    EXPECT_EQ(view.ItemModel()->RowOf(view.SelectedItem()), 99999);
    EXPECT_EQ(view.ChildItemCount(root), 100001);
    EXPECT_EQ(MirrorDifference(view), "");
}
