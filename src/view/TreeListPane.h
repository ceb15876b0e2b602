#pragma once

#include "editing/FindFlags.h"

#include <QWidget>

class TreeListView;

// The widget of one document tab: the document view under its Name and Value header. Commands
// and the find request sent to the pane go on to the view.
class TreeListPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int HeaderHeight = 18;

    explicit TreeListPane(QWidget* parent = nullptr);

    TreeListView* View() const { return m_view; }
    bool HandleCommand(int commandId);
    void FindRequest(const QString& text, FindFlags flags);
    // Asked before an edit box opens over a cell of the tree; true refuses the edit. The pane
    // itself never refuses; a pane that must keep some cells unedited answers here.
    virtual bool OnBeginLabelEdit(int32_t nodeId, int column);

private:
    TreeListView* m_view;
};
