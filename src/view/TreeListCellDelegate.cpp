#include "view/TreeListCellDelegate.h"

#include "view/TreeListControl.h"
#include "view/TreeListItemModel.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

TreeListCellDelegate::TreeListCellDelegate(TreeListControl* control)
    : QAbstractItemDelegate(control), m_control(control)
{
}

void TreeListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    const TreeListItem* item = m_control->ItemModel()->ItemOf(index);
    if (!item)
        return;
    painter->save();
    m_control->DrawCell(item, index.column(), *painter, option.rect, m_control->ItemStateOf(item));
    painter->restore();
}

QSize TreeListCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const QFontMetrics metrics(option.font);
    return QSize(TreeListControl::ImageSize + 2 + metrics.averageCharWidth() * 8,
                 std::max(TreeListControl::ImageSize + 2, metrics.height() + 2));
}
