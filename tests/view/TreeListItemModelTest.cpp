#include "view/TreeListItemModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Every child's reported row must be its real position, and the index must lead back to it.
void ExpectConsistent(const TreeListItemModel& model, const TreeListItem* parent)
{
    for (size_t i = 0; i < parent->children.size(); ++i) {
        const TreeListItem* child = parent->children[i];
        ASSERT_EQ(child->parent, parent);
        ASSERT_EQ(model.RowOf(child), int(i));
        const QModelIndex index = model.IndexOf(child, 1);
        ASSERT_EQ(model.ItemOf(index), child);
        ASSERT_EQ(index.row(), int(i));
        ASSERT_EQ(index.column(), 1);
        ExpectConsistent(model, child);
    }
}

} // namespace

TEST(TreeListItemModelTest, RandomInsertionsAndRemovalsKeepRowsAndTheTesterSatisfied)
{
    TreeListItemModel model;
    model.SetCellTextSource(
        [](const TreeListItem* item, int column) { return QString::number(item->param + column); });
    model.InsertColumn(0, QStringLiteral("Name"));
    model.InsertColumn(1, QStringLiteral("Value"));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    std::mt19937 random(7);
    std::vector<TreeListItem*> items;
    int32_t next = 0;
    for (int step = 0; step < 1500; ++step) {
        const unsigned choice = random() % 10;
        if (choice < 7 || items.empty()) {
            TreeListItem* parent =
                items.empty() || random() % 4 == 0 ? nullptr : items[random() % items.size()];
            const int count = int((parent ? parent : model.RootItem())->children.size());
            const int index = count == 0 ? 0 : int(random() % (unsigned(count) + 2)) - 1;
            items.push_back(model.InsertItem(parent, index, next++));
        } else {
            TreeListItem* victim = items[random() % items.size()];
            model.RemoveItem(victim);
            // Drop every item that went with the subtree (they are no longer in the tree).
            std::vector<TreeListItem*> alive;
            std::function<void(TreeListItem*)> collect = [&](TreeListItem* item) {
                for (TreeListItem* child : item->children) {
                    alive.push_back(child);
                    collect(child);
                }
            };
            collect(model.RootItem());
            items = alive;
        }
        // Rows asked for between the edits, of items near an edit or far from it.
        for (int probe = 0; probe < 3 && !items.empty(); ++probe) {
            const TreeListItem* item = items[random() % items.size()];
            const auto& siblings = item->parent->children;
            ASSERT_EQ(model.RowOf(item),
                      int(std::find(siblings.begin(), siblings.end(), item) - siblings.begin()))
                << "step " << step;
        }
    }
    EXPECT_EQ(model.ItemCount(), items.size());
    ExpectConsistent(model, model.RootItem());
    EXPECT_EQ(model.data(model.IndexOf(items.front(), 1)).toString(),
              QString::number(items.front()->param + 1));
}

TEST(TreeListItemModelTest, ManySiblingsInsertAndRemoveInTheMiddle)
{
    TreeListItemModel model;
    model.InsertColumn(0, QStringLiteral("Name"));
    constexpr int kCount = 100000;
    model.BeginBulkInsert();
    for (int i = 0; i < kCount; ++i)
        model.InsertItem(nullptr, -1, i);
    model.EndBulkInsert();
    TreeListItem* last = model.RootItem()->children.back();
    EXPECT_EQ(model.RowOf(last), kCount - 1);

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    TreeListItem* middle = model.InsertItem(nullptr, kCount / 2, -5);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), kCount / 2);
    EXPECT_EQ(model.RowOf(middle), kCount / 2);
    EXPECT_EQ(model.RowOf(last), kCount);
    EXPECT_EQ(model.RowOf(model.RootItem()->children[kCount / 2 + 1]), kCount / 2 + 1);

    QSignalSpy removed(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
    model.RemoveItem(model.RootItem()->children.front());
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 0);
    EXPECT_EQ(model.RowOf(middle), kCount / 2 - 1);
    EXPECT_EQ(model.RowOf(last), kCount - 1);
    EXPECT_EQ(model.ItemCount(), size_t(kCount));
}

TEST(TreeListItemModelTest, PopulatedSubtreeIsAnnouncedAsOneRow)
{
    TreeListItemModel model;
    model.InsertColumn(0, QStringLiteral("Name"));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    TreeListItem* top = model.InsertItem(nullptr, -1, 1, [&](TreeListItem* item) {
        TreeListItem* child = model.InsertItem(item, -1, 2);
        model.InsertItem(child, -1, 3);
        model.InsertItem(item, -1, 4);
    });
    EXPECT_EQ(inserted.count(), 1);
    ASSERT_EQ(top->children.size(), 2u);
    EXPECT_EQ(top->children[0]->children.size(), 1u);
    EXPECT_EQ(model.rowCount(model.IndexOf(top)), 2);
    EXPECT_EQ(model.ItemCount(), 4u);

    model.RemoveAllItems();
    EXPECT_EQ(model.ItemCount(), 0u);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(TreeListItemModelTest, HeaderCarriesTitlesAndAlignment)
{
    TreeListItemModel model;
    model.InsertColumn(0, QStringLiteral("Value"));
    model.InsertColumn(0, QStringLiteral("Name"), Qt::AlignRight);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value"));
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_FALSE(model.headerData(2, Qt::Horizontal).isValid());
}
