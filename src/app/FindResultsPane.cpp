#include "app/FindResultsPane.h"

#include "app/DocumentFrame.h"
#include "app/ListKeys.h"
#include "app/ShellText.h"
#include "config/StringTable.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace {

// Long or multi-line values are cut to one readable line; the tree shows them whole.
constexpr qsizetype kShownValueLength = 200;

QString OneLine(const QString& text)
{
    QString line = text.left(kShownValueLength);
    line.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    return line;
}

} // namespace

FindResultsPane::FindResultsPane(QWidget* parent) : QDockWidget(parent)
{
    setObjectName(QStringLiteral("FindResults"));
    setWindowTitle(ShellText::Get(StringId::FindResultsTitle));
    setFeatures(QDockWidget::DockWidgetClosable);
    setAllowedAreas(Qt::BottomDockWidgetArea);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("FindResultsList"));
    ListKeys::Keep(m_list);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHeaderLabels({ShellText::Get(StringId::FindResultsPath),
                             ShellText::Get(StringId::NameColumn),
                             ShellText::Get(StringId::ValueColumn)});
    m_list->header()->setStretchLastSection(true);
    setWidget(m_list);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &FindResultsPane::Choose);
    connect(m_list, &QTreeWidget::itemActivated, this, &FindResultsPane::Choose);
    hide();
}

int FindResultsPane::Count() const
{
    return m_list->topLevelItemCount();
}

void FindResultsPane::ShowResults(DocumentFrame* frame, const std::vector<FoundNode>& matches)
{
    m_frame = frame;
    {
        // No row is picked while the list fills.
        const QSignalBlocker blocker(m_list);
        m_list->clear();
        QList<QTreeWidgetItem*> rows;
        rows.reserve(qsizetype(matches.size()));
        for (const FoundNode& match : matches) {
            auto* row = new QTreeWidgetItem({match.path, match.name, OneLine(match.value)});
            row->setData(0, Qt::UserRole, match.id);
            row->setToolTip(0, match.path);
            rows.append(row);
        }
        m_list->addTopLevelItems(rows);
    }
    show();
    raise();
}

void FindResultsPane::Choose()
{
    const QTreeWidgetItem* row = m_list->currentItem();
    if (!row || !row->isSelected())
        return;
    emit nodeChosen(m_frame.data(), row->data(0, Qt::UserRole).toInt());
}
