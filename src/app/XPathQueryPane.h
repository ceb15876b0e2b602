#pragma once

#include "tools/XPathQuery.h"

#include <QDockWidget>
#include <QPointer>
#include <functional>

class DocumentFrame;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeView;
class XPathResultModel;

// The closable XPath pane under the tabs: an expression with this session's history, the
// prefixes it may use, and what it gave on the active document (the nodes, a value or
// libxml2's error). Picking a node row asks the owner to select the node in the tab the
// query ran in; rows know their nodes by ID only.
class XPathQueryPane : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int HistoryLimit = 20;

    // `activeFrame` gives the tab a query runs in (null without one).
    XPathQueryPane(QWidget* parent, std::function<DocumentFrame*()> activeFrame);

    // Shows the pane with the focus in the expression.
    void Open();
    // Evaluates the expression in the field on the active document.
    void Evaluate();

    QComboBox* Expression() const { return m_expression; }
    QPushButton* EvaluateButton() const { return m_evaluate; }
    QTreeView* List() const { return m_list; }
    QString Prefixes() const;
    QString Outcome() const;
    int Count() const;

signals:
    // A row was picked; `frame` is null when its tab has closed (or reloaded) since.
    void nodeChosen(DocumentFrame* frame, int32_t id);

private:
    void Remember(const QString& expression);
    void Choose();

    std::function<DocumentFrame*()> m_activeFrame;
    QComboBox* m_expression = nullptr;
    QPushButton* m_evaluate = nullptr;
    QLabel* m_prefixes = nullptr;
    QLabel* m_outcome = nullptr;
    QTreeView* m_list = nullptr;
    XPathResultModel* m_model = nullptr;
};
