#pragma once

#include "document/NodeIdPath.h"

#include <QWidget>
#include <vector>

class QLabel;
class QTreeWidget;

// The errors of the last validation, under the tree of its tab: message, line and the node's
// path. Enter or a double click on a row asks for its node. An edit of the document makes the
// list out of date, which it says, keeping the rows (their nodes are known by ID).
class ToolErrorsPane : public QWidget {
    Q_OBJECT
public:
    struct Row {
        QString message;
        int line = -1;
        QString path;
        NodeIdPath node; // empty when the error could not be placed
    };

    explicit ToolErrorsPane(QWidget* parent);

    void ShowErrors(const std::vector<Row>& rows, qint64 omitted);
    void MarkOutOfDate();
    bool IsOutOfDate() const { return m_outOfDate; }
    QTreeWidget* List() const { return m_list; }
    int Count() const;

signals:
    void nodeChosen(const NodeIdPath& node);

private:
    void UpdateTitle();

    QLabel* m_title = nullptr;
    QTreeWidget* m_list = nullptr;
    std::vector<NodeIdPath> m_nodes;
    qint64 m_omitted = 0;
    bool m_outOfDate = false;
};
