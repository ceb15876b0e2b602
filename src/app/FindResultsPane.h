#pragma once

#include <QDockWidget>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <vector>

class DocumentFrame;
class QTreeWidget;

// One match of Find all, as the list shows it. The node is known by ID only: the document may
// change or lose it before the user picks the row.
struct FoundNode {
    int32_t id = -1;
    QString path;
    QString name;
    QString value;
};

// The closable list of Find all's matches under the tabs: path, name and value of each match.
// Picking a row asks the owner to select the node in the tab the search ran in.
class FindResultsPane : public QDockWidget {
    Q_OBJECT
public:
    explicit FindResultsPane(QWidget* parent);

    // Replaces the list with the matches found in `frame`, and shows the pane.
    void ShowResults(DocumentFrame* frame, const std::vector<FoundNode>& matches);
    QTreeWidget* List() const { return m_list; }
    int Count() const;

signals:
    // A row was picked; `frame` is null when its tab has closed (or reloaded) since.
    void nodeChosen(DocumentFrame* frame, int32_t id);

private:
    void Choose();

    QTreeWidget* m_list = nullptr;
    QPointer<DocumentFrame> m_frame;
};
