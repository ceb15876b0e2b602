#pragma once

#include "view/TreeListItem.h"

#include <QAbstractItemModel>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// The generic item store behind TreeListControl, exposed as a Qt item model. It knows items,
// their order and column titles; cell texts come from a callback (the control's hooks).
class TreeListItemModel : public QAbstractItemModel {
    Q_OBJECT
public:
    using CellTextSource = std::function<QString(const TreeListItem* item, int column)>;

    explicit TreeListItemModel(QObject* parent = nullptr);
    ~TreeListItemModel() override;

    void SetCellTextSource(CellTextSource source) { m_textSource = std::move(source); }
    // The accessible description of a row (its first cell).
    using RowDescriptionSource = std::function<QString(const TreeListItem* item)>;
    // Whether an item can never get children (a leaf that stays one).
    using ChildlessSource = std::function<bool(const TreeListItem* item)>;
    void SetChildlessSource(ChildlessSource source) { m_childlessSource = std::move(source); }
    void SetRowDescriptionSource(RowDescriptionSource source)
    {
        m_descriptionSource = std::move(source);
    }

    // --- Columns ------------------------------------------------------------------------
    int ColumnCount() const { return int(m_titles.size()); }
    void InsertColumn(int index, const QString& title, Qt::Alignment alignment = Qt::AlignLeft);
    QString ColumnTitle(int index) const;

    // --- Items --------------------------------------------------------------------------
    // The invisible item whose children are the top-level items.
    TreeListItem* RootItem() { return &m_root; }
    const TreeListItem* RootItem() const { return &m_root; }
    using Populate = std::function<void(TreeListItem* item)>;
    // Inserts a new item under `parent` (null: top level) at `index` (-1 or beyond appends).
    // `populate` may add the new item's children before views hear of the row, so a whole
    // subtree is announced as one inserted row.
    TreeListItem* InsertItem(TreeListItem* parent, int index, int32_t param,
                             const Populate& populate = {});
    void ReserveChildren(TreeListItem* item, size_t count) { item->children.reserve(count); }
    // Removes the item with its whole subtree; the pointers become invalid afterwards.
    void RemoveItem(TreeListItem* item);
    void RemoveAllItems();
    // Between these two calls insertions announce nothing; the end resets every view. Used
    // to build a whole document at once without a signal per item.
    void BeginBulkInsert();
    void EndBulkInsert();
    bool InBulkInsert() const { return m_bulk; }

    // Position of the item among its parent's children; O(1) amortised.
    int RowOf(const TreeListItem* item) const;
    QModelIndex IndexOf(const TreeListItem* item, int column = 0) const;
    TreeListItem* ItemOf(const QModelIndex& index) const;
    size_t ItemCount() const { return m_itemCount; }

    // --- QAbstractItemModel -------------------------------------------------------------
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    TreeListItem* AllocateItem();
    void FreeSubtree(TreeListItem* item);
    void FreeAll();
    TreeListItem* ParentOf(const QModelIndex& parent) const;

    TreeListItem m_root;
    QStringList m_titles;
    QList<Qt::Alignment> m_alignments;
    CellTextSource m_textSource;
    RowDescriptionSource m_descriptionSource;
    ChildlessSource m_childlessSource;
    bool m_bulk = false;
    int m_silent = 0; // inside a populate callback
    size_t m_itemCount = 0;

    // Items come from fixed-size chunks with a free list: a million allocations of a small
    // struct would dominate the time to show a large document.
    static constexpr size_t ChunkSize = 4096;
    std::vector<std::unique_ptr<TreeListItem[]>> m_chunks;
    size_t m_usedInLastChunk = ChunkSize;
    std::vector<TreeListItem*> m_freeItems;
};
