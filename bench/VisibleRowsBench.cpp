// The tree view of our own (NodeTreeView over VisibleRows) on the offscreen platform, each step
// timed until the viewport has painted: expand-all and what follows it on the records file
// against the document's load time (an optional argument sets the file's size in MB), and edits
// among many shown siblings against a bare paint of the same screen, both from the same run.
#include "BenchData.h"
#include "WallStopwatch.h"

#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "view/NodeTreeView.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds from the step until the view has painted what it changed.
double Painted(NodeTreeView& view, const std::function<void()>& step)
{
    WallStopwatch watch;
    step();
    view.viewport()->repaint();
    return watch.Seconds();
}

void ShowView(NodeTreeView& view)
{
    view.resize(1000, 700);
    view.Reset();
    view.show();
    QApplication::processEvents();
}

void Records(int megabytes)
{
    const QByteArray bytes = BenchData::Records(qsizetype(megabytes) * 1024 * 1024);
    XmlDocument document;
    WallStopwatch load;
    document.LoadFromData(bytes);
    const double loadSeconds = load.Seconds();
    NodeTreeView view;
    view.SetDocument(document);
    ShowView(view);
    const XmlNode* top = nullptr;
    for (const XmlNode* node : *document.Root()) {
        if (node->HasChildren())
            top = node;
    }
    const int32_t id = top->Id();
    view.SelectNode(id);
    const double all = Painted(view, [&] { view.ExpandAll(id); });
    const int shown = view.Rows().Count();
    const double collapse = Painted(view, [&] { view.SetExpanded(id, false); });
    const double expand = Painted(view, [&] { view.SetExpanded(id, true); });
    // A record in the middle, its own rows among a million shown ones.
    const int32_t inner = top->ChildAt(top->ChildCount() / 2)->Id();
    view.SelectNode(inner);
    const double innerCollapse = Painted(view, [&] { view.SetExpanded(inner, false); });
    const double innerExpand = Painted(view, [&] { view.SetExpanded(inner, true); });
    // An edit in the middle with every row shown.
    std::vector<double> inserts, removes;
    for (int i = 0; i < 5; ++i) {
        XmlNodeData record;
        record.kind = XmlNodeKind::Element;
        record.localName = QStringLiteral("n");
        NodeIdPath path;
        inserts.push_back(
            Painted(view, [&] { document.InsertNode(record, top->Id(), inner, path); }));
        removes.push_back(Painted(view, [&] { document.DeleteNode(path.back()); }));
    }
    std::printf("records: %d nodes, load %.3f s\n", document.NextId(), loadSeconds);
    std::printf("  expand-all          %.4f s (%.3f x load, %d rows shown)\n", all,
                all / loadSeconds, shown);
    std::printf("  then collapse       %.4f s (%.3f x load)\n", collapse, collapse / loadSeconds);
    std::printf("  then expand         %.4f s (%.3f x load)\n", expand, expand / loadSeconds);
    std::printf("  a middle record: collapse %.5f s, expand %.5f s\n", innerCollapse, innerExpand);
    std::printf("  every row shown: insert %.5f s, delete %.5f s (medians)\n", Median(inserts),
                Median(removes));
}

void Wide(int children)
{
    QByteArray bytes = "<r>";
    bytes.reserve(children * 4 + 8);
    for (int i = 0; i < children; ++i)
        bytes += "<e/>";
    bytes += "</r>";
    XmlDocument document;
    document.LoadFromData(bytes);
    const XmlNode* top = document.Root()->FirstChild();
    // The document's own part of an insert and a delete, before any view observes it.
    std::vector<double> alone;
    for (int i = 0; i < 9; ++i) {
        XmlNodeData record;
        record.kind = XmlNodeKind::Element;
        record.localName = QStringLiteral("n");
        NodeIdPath path;
        WallStopwatch watch;
        document.InsertNode(record, top->Id(), top->ChildAt(children / 2 + i)->Id(), path);
        document.DeleteNode(path.back());
        alone.push_back(watch.Seconds());
    }
    NodeTreeView view;
    view.SetDocument(document);
    ShowView(view);
    const double expand = Painted(view, [&] { view.SetExpanded(top->Id(), true); });
    view.SelectNode(top->ChildAt(children / 2)->Id());

    std::vector<double> paints, inserts, removes, undos, redos, moves;
    for (int i = 0; i < 9; ++i) {
        paints.push_back(Painted(view, [] {}));
        XmlNodeData record;
        record.kind = XmlNodeKind::Element;
        record.localName = QStringLiteral("n");
        NodeIdPath path;
        const int32_t after = top->ChildAt(children / 2 + i)->Id();
        inserts.push_back(
            Painted(view, [&] { document.InsertNode(record, top->Id(), after, path); }));
        const int32_t added = path.back();
        moves.push_back(Painted(view, [&] { document.MoveNodeStep(added, true); }));
        removes.push_back(Painted(view, [&] { document.DeleteNode(added); }));
        undos.push_back(Painted(view, [&] { document.History().Undo(); }));
        redos.push_back(Painted(view, [&] { document.History().Redo(); }));
    }
    const double paint = Median(paints);
    auto line = [paint](const char* what, const std::vector<double>& times) {
        const double median = Median(times);
        std::printf("  %-8s %.5f s median, worst %.5f s (%.2f x paint)\n", what, median,
                    *std::max_element(times.begin(), times.end()), median / paint);
    };
    std::printf("wide: %d siblings shown, expand %.4f s, bare paint %.5f s median\n", children,
                expand, paint);
    std::printf("  insert and delete without a view %.5f s median\n", Median(alone));
    line("insert", inserts);
    line("move up", moves);
    line("delete", removes);
    line("undo", undos);
    line("redo", redos);
    std::printf("  memory of the rows %.1f bytes per node\n",
                double(view.Rows().Count()) * sizeof(void*) / double(document.NextId()));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // An optional size of the records file in MB (16 unless given; 100 for 6.5 million nodes).
    const int megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 16;
    Records(megabytes);
    Wide(100000);
    Wide(1100000);
    return 0;
}
