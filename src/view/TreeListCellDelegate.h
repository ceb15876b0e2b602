#pragma once

#include <QAbstractItemDelegate>

class TreeListControl;

// Hands every cell paint of the Qt tree to the control's DrawCell hook.
class TreeListCellDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    explicit TreeListCellDelegate(TreeListControl* control);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TreeListControl* m_control;
};
