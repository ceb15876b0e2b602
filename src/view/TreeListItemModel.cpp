#include "view/TreeListItemModel.h"

#include <algorithm>

TreeListItemModel::TreeListItemModel(QObject* parent) : QAbstractItemModel(parent) {}

TreeListItemModel::~TreeListItemModel() = default;

void TreeListItemModel::InsertColumn(int index, const QString& title, Qt::Alignment alignment)
{
    index = std::clamp(index, 0, ColumnCount());
    beginInsertColumns(QModelIndex(), index, index);
    m_titles.insert(index, title);
    m_alignments.insert(index, alignment);
    endInsertColumns();
}

QString TreeListItemModel::ColumnTitle(int index) const
{
    return index >= 0 && index < ColumnCount() ? m_titles.at(index) : QString();
}

TreeListItem* TreeListItemModel::AllocateItem()
{
    if (!m_freeItems.empty()) {
        TreeListItem* item = m_freeItems.back();
        m_freeItems.pop_back();
        return item;
    }
    if (m_usedInLastChunk == ChunkSize) {
        m_chunks.push_back(std::make_unique<TreeListItem[]>(ChunkSize));
        m_usedInLastChunk = 0;
    }
    return &m_chunks.back()[m_usedInLastChunk++];
}

TreeListItem* TreeListItemModel::InsertItem(TreeListItem* parent, int index, int32_t param,
                                            const Populate& populate)
{
    if (!parent)
        parent = &m_root;
    const int count = int(parent->children.size());
    if (index < 0 || index > count)
        index = count;

    const bool announce = !m_bulk && m_silent == 0;
    if (announce)
        beginInsertRows(IndexOf(parent), index, index);
    TreeListItem* item = AllocateItem();
    item->parent = parent;
    item->param = param;
    item->row = index;
    item->validRows = 0;
    parent->children.insert(parent->children.begin() + index, item);
    // Appending keeps every earlier row valid; a middle insertion invalidates from there on.
    if (index == count && parent->validRows == count)
        parent->validRows = count + 1;
    else
        parent->validRows = std::min(parent->validRows, int32_t(index));
    ++m_itemCount;
    if (populate) {
        ++m_silent;
        populate(item);
        --m_silent;
    }
    if (announce)
        endInsertRows();
    return item;
}

void TreeListItemModel::RemoveItem(TreeListItem* item)
{
    if (!item || item == &m_root || !item->parent)
        return;
    TreeListItem* parent = item->parent;
    const int row = RowOf(item);
    const bool announce = !m_bulk && m_silent == 0;
    if (announce)
        beginRemoveRows(IndexOf(parent), row, row);
    parent->children.erase(parent->children.begin() + row);
    parent->validRows = std::min(parent->validRows, int32_t(row));
    if (announce)
        endRemoveRows();
    FreeSubtree(item);
}

void TreeListItemModel::FreeSubtree(TreeListItem* item)
{
    // Iterative, so a very deep document cannot exhaust the stack.
    std::vector<TreeListItem*> pending{item};
    while (!pending.empty()) {
        TreeListItem* current = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), current->children.begin(), current->children.end());
        std::vector<TreeListItem*>().swap(current->children);
        current->parent = nullptr;
        current->validRows = 0;
        current->param = 0;
        m_freeItems.push_back(current);
        --m_itemCount;
    }
}

void TreeListItemModel::FreeAll()
{
    std::vector<TreeListItem*>().swap(m_root.children);
    m_root.validRows = 0;
    m_freeItems.clear();
    m_chunks.clear();
    m_usedInLastChunk = ChunkSize;
    m_itemCount = 0;
}

void TreeListItemModel::RemoveAllItems()
{
    if (m_bulk) {
        FreeAll();
        return;
    }
    beginResetModel();
    FreeAll();
    endResetModel();
}

void TreeListItemModel::BeginBulkInsert()
{
    if (m_bulk)
        return;
    beginResetModel();
    m_bulk = true;
}

void TreeListItemModel::EndBulkInsert()
{
    if (!m_bulk)
        return;
    m_bulk = false;
    endResetModel();
}

int TreeListItemModel::RowOf(const TreeListItem* item) const
{
    TreeListItem* parent = item ? item->parent : nullptr;
    if (!parent)
        return -1;
    if (item->row >= parent->validRows) {
        const int32_t count = int32_t(parent->children.size());
        // One sibling before it came or went: the item moved by one, and so did every item
        // after it, so a lookup after a single edit costs nothing.
        for (int32_t candidate : {item->row, item->row + 1, item->row - 1}) {
            if (candidate >= 0 && candidate < count &&
                parent->children[size_t(candidate)] == item) {
                const_cast<TreeListItem*>(item)->row = candidate;
                return candidate;
            }
        }
        // Otherwise renumber the stale tail once; later lookups in it are then O(1).
        for (int32_t i = parent->validRows; i < count; ++i)
            parent->children[size_t(i)]->row = i;
        parent->validRows = count;
    }
    return item->row;
}

QModelIndex TreeListItemModel::IndexOf(const TreeListItem* item, int column) const
{
    if (!item || item == &m_root || !item->parent)
        return {};
    return createIndex(RowOf(item), column, const_cast<TreeListItem*>(item));
}

TreeListItem* TreeListItemModel::ItemOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<TreeListItem*>(index.internalPointer());
}

TreeListItem* TreeListItemModel::ParentOf(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return const_cast<TreeListItem*>(&m_root);
    return ItemOf(parent);
}

QModelIndex TreeListItemModel::index(int row, int column, const QModelIndex& parent) const
{
    // The view asks for every visible row at each layout, so this stays free of calls.
    const TreeListItem* parentItem = &m_root;
    if (parent.isValid()) {
        if (parent.column() != 0 || parent.model() != this)
            return {};
        parentItem = static_cast<const TreeListItem*>(parent.internalPointer());
    }
    if (row < 0 || column < 0 || column >= int(m_titles.size()) ||
        size_t(row) >= parentItem->children.size())
        return {};
    return createIndex(row, column, parentItem->children[size_t(row)]);
}

QModelIndex TreeListItemModel::parent(const QModelIndex& child) const
{
    TreeListItem* item = ItemOf(child);
    if (!item || !item->parent || item->parent == &m_root)
        return {};
    return IndexOf(item->parent, 0);
}

int TreeListItemModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    TreeListItem* item = ParentOf(parent);
    return item ? int(item->children.size()) : 0;
}

int TreeListItemModel::columnCount(const QModelIndex&) const
{
    return ColumnCount();
}

bool TreeListItemModel::hasChildren(const QModelIndex& parent) const
{
    // Asked for every visible row at each layout of the view, so kept to one load.
    if (!parent.isValid())
        return !m_root.children.empty();
    if (parent.column() != 0 || parent.model() != this)
        return false;
    return !static_cast<const TreeListItem*>(parent.internalPointer())->children.empty();
}

QVariant TreeListItemModel::data(const QModelIndex& index, int role) const
{
    TreeListItem* item = ItemOf(index);
    if (!item)
        return {};
    if (role == Qt::DisplayRole && m_textSource)
        return m_textSource(item, index.column());
    if (role == Qt::AccessibleDescriptionRole && index.column() == 0 && m_descriptionSource)
        return m_descriptionSource(item);
    return {};
}

QVariant TreeListItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_titles.at(section);
    if (role == Qt::TextAlignmentRole)
        return int(m_alignments.at(section) | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TreeListItemModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // QTreeView then skips its expanded-state lookups for the row, a hash lookup among every
    // expanded item on each layout.
    const TreeListItem* item = ItemOf(index);
    if (item && item->children.empty() && m_childlessSource && m_childlessSource(item))
        return flags | Qt::ItemNeverHasChildren;
    return flags;
}
