#include "app/XPathQueryPane.h"

#include "app/DocumentFrame.h"
#include "app/ListKeys.h"
#include "app/ShellText.h"
#include "config/StringTable.h"
#include "document/XmlDocument.h"
#include "editing/ExactXPath.h"
#include "view/BusyCursor.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

// The node rows of a query. A node's exact path is made when its row is first shown: it
// counts the node's siblings, which a list of every record of a large file cannot afford
// for all rows at once.
class XPathResultModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Reset(DocumentFrame* frame, std::vector<XPathQueryResult::Node> nodes)
    {
        beginResetModel();
        m_frame = frame;
        m_nodes = std::move(nodes);
        m_paths.assign(m_nodes.size(), QString());
        m_pathMade.assign(m_nodes.size(), false);
        endResetModel();
    }
    DocumentFrame* Frame() const { return m_frame.data(); }
    int32_t IdAt(int row) const { return m_nodes[size_t(row)].id; }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_nodes.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : 3;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const int ids[] = {StringId::FindResultsPath, StringId::NameColumn,
                                  StringId::ValueColumn};
        return ShellText::Get(ids[section]);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const size_t row = size_t(index.row());
        const XPathQueryResult::Node& node = m_nodes[row];
        switch (index.column()) {
        case 0:
            return Path(row);
        case 1:
            return node.name;
        default: {
            // Long or multi-line values are cut to one readable line; the tree shows them
            // whole.
            QString line = node.value.left(200);
            line.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
            return line;
        }
        }
    }

private:
    QString Path(size_t row) const
    {
        if (!m_pathMade[row] && m_frame && m_nodes[row].id >= 0) {
            m_paths[row] = GetExactXPathText(*m_frame->Document(), m_nodes[row].id);
            m_pathMade[row] = true;
        }
        return m_paths[row];
    }

    QPointer<DocumentFrame> m_frame;
    std::vector<XPathQueryResult::Node> m_nodes;
    mutable std::vector<QString> m_paths;
    mutable std::vector<bool> m_pathMade;
};

XPathQueryPane::XPathQueryPane(QWidget* parent, std::function<DocumentFrame*()> activeFrame)
    : QDockWidget(parent), m_activeFrame(std::move(activeFrame))
{
    setObjectName(QStringLiteral("XPathQuery"));
    setWindowTitle(ShellText::Get(StringId::XPathQueryTitle));
    setFeatures(QDockWidget::DockWidgetClosable);
    setAllowedAreas(Qt::BottomDockWidgetArea);

    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* row = new QHBoxLayout;
    m_expression = new QComboBox(body);
    m_expression->setObjectName(QStringLiteral("XPathExpression"));
    m_expression->setEditable(true);
    m_expression->setInsertPolicy(QComboBox::NoInsert);
    m_expression->setMaxCount(HistoryLimit);
    // As in the find dialog: the expression is what was typed, not a history entry the
    // combo box's completer matched without regard to case.
    m_expression->setCompleter(nullptr);
    m_expression->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_evaluate = new QPushButton(ShellText::Get(StringId::XPathEvaluate), body);
    m_evaluate->setObjectName(QStringLiteral("XPathEvaluate"));
    row->addWidget(m_expression);
    row->addWidget(m_evaluate);
    layout->addLayout(row);
    m_prefixes = new QLabel(body);
    m_prefixes->setObjectName(QStringLiteral("XPathPrefixes"));
    m_prefixes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_prefixes->setWordWrap(true);
    layout->addWidget(m_prefixes);
    m_outcome = new QLabel(body);
    m_outcome->setObjectName(QStringLiteral("XPathOutcome"));
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_outcome->setWordWrap(true);
    m_outcome->setTextFormat(Qt::PlainText);
    layout->addWidget(m_outcome);
    m_model = new XPathResultModel(this);
    m_list = new QTreeView(body);
    m_list->setObjectName(QStringLiteral("XPathResults"));
    ListKeys::Keep(m_list);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setModel(m_model);
    m_list->header()->setStretchLastSection(true);
    layout->addWidget(m_list, 1);
    setWidget(body);

    connect(m_evaluate, &QPushButton::clicked, this, &XPathQueryPane::Evaluate);
    connect(m_expression->lineEdit(), &QLineEdit::returnPressed, this, &XPathQueryPane::Evaluate);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &XPathQueryPane::Choose);
    connect(m_list, &QTreeView::activated, this, &XPathQueryPane::Choose);
    hide();
}

void XPathQueryPane::Open()
{
    show();
    raise();
    m_expression->setFocus();
    m_expression->lineEdit()->selectAll();
}

QString XPathQueryPane::Prefixes() const
{
    return m_prefixes->text();
}

QString XPathQueryPane::Outcome() const
{
    return m_outcome->text();
}

int XPathQueryPane::Count() const
{
    return m_model->rowCount();
}

void XPathQueryPane::Remember(const QString& expression)
{
    for (int i = m_expression->count() - 1; i >= 0; --i) {
        if (m_expression->itemText(i) == expression)
            m_expression->removeItem(i);
    }
    m_expression->insertItem(0, expression);
    while (m_expression->count() > HistoryLimit)
        m_expression->removeItem(m_expression->count() - 1);
    m_expression->setCurrentIndex(0);
}

void XPathQueryPane::Evaluate()
{
    const QString expression = m_expression->currentText().trimmed();
    DocumentFrame* frame = m_activeFrame ? m_activeFrame() : nullptr;
    if (expression.isEmpty() || !frame || !frame->Document())
        return;
    Remember(expression);
    XPathQueryResult result;
    {
        const BusyCursor busy;
        result = XPathQuery::Run(*frame->Document(), expression);
    }
    QStringList prefixes;
    for (const NamespaceScope::Declaration& binding : result.namespaces)
        prefixes << ShellText::Format(StringId::XPathPrefix, {binding.prefix, binding.uri});
    m_prefixes->setText(prefixes.join(QStringLiteral("; ")));
    m_prefixes->setVisible(!prefixes.isEmpty());
    switch (result.type) {
    case XPathQueryResult::Type::Nodes:
        m_outcome->setText(
            ShellText::Format(StringId::XPathNodeCount, {QString::number(result.nodes.size())}));
        break;
    case XPathQueryResult::Type::Number:
        m_outcome->setText(ShellText::Format(StringId::XPathNumber, {result.value}));
        break;
    case XPathQueryResult::Type::String:
        m_outcome->setText(ShellText::Format(StringId::XPathString, {result.value}));
        break;
    case XPathQueryResult::Type::Boolean:
        m_outcome->setText(ShellText::Format(StringId::XPathBoolean, {result.value}));
        break;
    case XPathQueryResult::Type::Error:
        m_outcome->setText(ShellText::Format(StringId::XPathError, {result.value}));
        break;
    }
    // No row is picked while the list fills.
    const QSignalBlocker blocker(m_list->selectionModel());
    m_model->Reset(frame, std::move(result.nodes));
}

void XPathQueryPane::Choose()
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid())
        return;
    const int32_t id = m_model->IdAt(current.row());
    if (id >= 0)
        emit nodeChosen(m_model->Frame(), id);
}
