#pragma once

#include <QObject>

class QAbstractItemView;

// The keys a results list answers itself stay with it while it has the focus, rather than
// reaching the window's edit commands, which act on the document's tree: Ctrl+C copies the
// row's text as in any list, and Delete in a list of found nodes never deletes a node.
class ListKeys : public QObject {
public:
    // The filter lives as long as the list.
    static void Keep(QAbstractItemView* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
