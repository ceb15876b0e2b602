#include "app/ToolErrorsPane.h"

#include "app/ListKeys.h"
#include "app/ShellText.h"
#include "config/StringTable.h"

#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

ToolErrorsPane::ToolErrorsPane(QWidget* parent)
    : QWidget(parent), m_title(new QLabel(this)), m_list(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("ToolErrors"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* header = new QHBoxLayout;
    header->addWidget(m_title, 1);
    auto* close = new QToolButton(this);
    close->setAutoRaise(true);
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    header->addWidget(close);
    layout->addLayout(header);
    layout->addWidget(m_list);
    m_title->setWordWrap(true);
    m_list->setObjectName(QStringLiteral("ToolErrorsList"));
    ListKeys::Keep(m_list);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({ShellText::Get(StringId::ErrorListMessage),
                             ShellText::Get(StringId::ErrorListLine),
                             ShellText::Get(StringId::FindResultsPath)});
    m_list->header()->setStretchLastSection(true);
    // Enter and a double click; a plain selection only moves through the list.
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const int row = m_list->indexOfTopLevelItem(item);
        if (row >= 0 && size_t(row) < m_nodes.size() && !m_nodes[size_t(row)].empty())
            emit nodeChosen(m_nodes[size_t(row)]);
    });
}

int ToolErrorsPane::Count() const
{
    return m_list->topLevelItemCount();
}

void ToolErrorsPane::ShowErrors(const std::vector<Row>& rows, qint64 omitted)
{
    m_list->clear();
    m_nodes.clear();
    m_outOfDate = false;
    m_omitted = omitted;
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.size()));
    for (const Row& row : rows) {
        auto* item = new QTreeWidgetItem(
            {row.message, row.line > 0 ? QString::number(row.line) : QString(), row.path});
        item->setToolTip(0, row.message);
        items.append(item);
        m_nodes.push_back(row.node);
    }
    m_list->addTopLevelItems(items);
    m_list->resizeColumnToContents(1);
    m_list->setColumnWidth(0, std::max(200, m_list->viewport()->width() / 2));
    if (!items.isEmpty())
        m_list->setCurrentItem(items.front());
    UpdateTitle();
    show();
}

void ToolErrorsPane::MarkOutOfDate()
{
    if (m_outOfDate || m_list->topLevelItemCount() == 0)
        return;
    m_outOfDate = true;
    UpdateTitle();
}

void ToolErrorsPane::UpdateTitle()
{
    QString title = ShellText::Get(StringId::ErrorListTitle) +
                    QStringLiteral(": %1").arg(qint64(m_nodes.size()) + m_omitted);
    if (m_omitted > 0)
        title += u' ' + ShellText::Format(StringId::ErrorListOmitted, {QString::number(m_omitted)});
    if (m_outOfDate)
        title += u' ' + ShellText::Get(StringId::ErrorListOutOfDate);
    m_title->setText(title);
}
