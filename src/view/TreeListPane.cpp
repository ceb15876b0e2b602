#include "view/TreeListPane.h"

#include "view/TreeListView.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QVBoxLayout>

TreeListPane::TreeListPane(QWidget* parent) : QWidget(parent), m_view(new TreeListView(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view);

    // The header uses the menu font; it keeps its fixed height unless that font needs more.
    QHeaderView* header = m_view->Header();
    const QFont menuFont = QApplication::font("QMenu");
    header->setFont(menuFont);
    header->setFixedHeight(std::max(HeaderHeight, QFontMetrics(menuFont).height() + 4));
    setFocusProxy(m_view);
}

bool TreeListPane::HandleCommand(int commandId)
{
    return m_view->HandleCommand(commandId);
}

void TreeListPane::FindRequest(const QString& text, FindFlags flags)
{
    m_view->FindRequest(text, flags);
}

bool TreeListPane::OnBeginLabelEdit(int32_t, int)
{
    return false;
}
