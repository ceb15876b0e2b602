// The rows of a tree of our own kept straight from the document (VisibleRows), against the
// document's own load time from the same run: expand-all and what follows it on the records
// file, and edits among 1.1 million shown siblings. No painting: what a view of our own would
// pay on top for the rows on screen does not grow with the document.
#include "BenchData.h"
#include "WallStopwatch.h"

#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "view/VisibleRows.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Records()
{
    const QByteArray bytes = BenchData::Records(16 * 1024 * 1024);
    XmlDocument document;
    WallStopwatch load;
    document.LoadFromData(bytes);
    const double loadSeconds = load.Seconds();
    VisibleRows rows(document);
    const XmlNode* top = nullptr;
    for (const XmlNode* node : *document.Root()) {
        if (node->HasChildren())
            top = node;
    }
    WallStopwatch all;
    rows.ExpandAll(top);
    const double allSeconds = all.Seconds();
    const int shown = rows.Count();
    WallStopwatch collapse;
    rows.Collapse(top);
    const double collapseSeconds = collapse.Seconds();
    WallStopwatch expand;
    rows.Expand(top);
    const double expandSeconds = expand.Seconds();
    std::printf("records: %d nodes, load %.3f s\n", document.NextId(), loadSeconds);
    std::printf("  expand-all       %.4f s (%.2f x load, %d rows shown)\n", allSeconds,
                allSeconds / loadSeconds, shown);
    std::printf("  then collapse    %.4f s\n", collapseSeconds);
    std::printf("  then expand      %.4f s (%.2f x load)\n", expandSeconds,
                expandSeconds / loadSeconds);
}

void Wide()
{
    constexpr int Children = 1100000;
    QByteArray bytes = "<r>";
    bytes.reserve(Children * 5 + 8);
    for (int i = 0; i < Children; ++i)
        bytes += "<e/>";
    bytes += "</r>";
    XmlDocument document;
    WallStopwatch load;
    document.LoadFromData(bytes);
    const double loadSeconds = load.Seconds();
    VisibleRows rows(document);
    const XmlNode* top = document.Root()->FirstChild();
    WallStopwatch expand;
    rows.Expand(top);
    const double expandSeconds = expand.Seconds();

    std::vector<double> inserts, removes, whole;
    for (int i = 0; i < 9; ++i) {
        const XmlNode* after = top->ChildAt(Children / 2 + i);
        XmlNodeData record;
        record.kind = XmlNodeKind::Element;
        record.localName = QStringLiteral("n");
        NodeIdPath path;
        WallStopwatch edit;
        document.InsertNode(record, top->Id(), after->Id(), path);
        const XmlNode* node = document.FindNode(path.back());
        WallStopwatch rowsOnly;
        rows.Inserted(node);
        inserts.push_back(rowsOnly.Seconds());
        whole.push_back(edit.Seconds());
        WallStopwatch removal;
        rows.AboutToRemove(node);
        removes.push_back(removal.Seconds());
        document.DeleteNode(node->Id());
    }
    std::printf("wide: %d children, load %.3f s\n", Children, loadSeconds);
    std::printf("  expand           %.4f s\n", expandSeconds);
    std::printf("  insert, rows     %.5f s median (document and rows %.5f s)\n", Median(inserts),
                Median(whole));
    std::printf("  remove, rows     %.5f s median\n", Median(removes));
    std::printf("  memory of rows   %.1f bytes per node\n",
                double(rows.Count()) * sizeof(void*) / double(document.NextId()));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    Records();
    Wide();
    return 0;
}
