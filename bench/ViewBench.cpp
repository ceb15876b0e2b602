// What the tree view adds to opening a large file, against the document's own load time from
// the same run: showing the document and the first screens painted on the offscreen platform;
// then expand-all and the steps after it.
#include "BenchData.h"
#include "DocumentElement.h"
#include "PaintCounter.h"
#include "WallStopwatch.h"

#include "document/XmlDocument.h"
#include "view/TreeListView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double TargetNodes = 1e6;

struct Input {
    QString path;
    qsizetype bytes = 0;
    int32_t nodes = 0;
};

// A records file sized from a small sample so that it holds about a million nodes.
const Input& Records()
{
    static Input input = [] {
        XmlDocument sample;
        const QByteArray small = BenchData::Records(1024 * 1024);
        sample.LoadFromData(small);
        const double nodesPerByte = double(sample.NextId()) / double(small.size());
        const QByteArray bytes = BenchData::Records(qsizetype(TargetNodes / nodesPerByte));
        Input in;
        in.path = BenchData::WriteTemp(QStringLiteral("tovi-bench-view-records.xml"), bytes);
        in.bytes = bytes.size();
        XmlDocument full;
        full.Load(in.path);
        in.nodes = full.NextId();
        return in;
    }();
    return input;
}

std::map<std::string, double> g_best;
int g_shownAfterExpandAll = 0;

void Record(const std::string& name, double seconds)
{
    auto [it, inserted] = g_best.emplace(name, seconds);
    if (!inserted)
        it->second = std::min(it->second, seconds);
}

void BM_LoadAndOpen(benchmark::State& state)
{
    const Input& input = Records();
    for (auto _ : state) {
        {
            XmlDocument document;
            WallStopwatch watch;
            if (document.Load(input.path) != XE_OK)
                state.SkipWithError("load failed");
            Record("load", watch.Seconds());
        }

        auto document = std::make_unique<XmlDocument>();
        auto view = std::make_unique<TreeListView>();
        view->resize(1000, 700);
        WallStopwatch open;
        if (document->Load(input.path) != XE_OK)
            state.SkipWithError("open failed");
        view->SetDocument(*document);
        const double openSeconds = open.Seconds();
        Record("open", openSeconds);
        state.SetIterationTime(openSeconds);

        PaintCounter counter;
        view->viewport()->installEventFilter(&counter);
        WallStopwatch shown;
        view->show();
        if (counter.WaitForPaint() >= 0)
            Record("first-screen", shown.Seconds());

        // The big parent opened and then its far end: 190 000 rows under one element.
        if (const XmlNode* top = DocumentElement(*document)) {
            WallStopwatch expanded;
            view->SetExpanded(top->Id(), true);
            if (counter.WaitForPaint() >= 0)
                Record("expand-screen", expanded.Seconds());
            WallStopwatch scrolled;
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
            if (counter.WaitForPaint() >= 0)
                Record("scroll-end-screen", scrolled.Seconds());

            // Expand-all, then Left and Right on the document element: the steps that froze
            // the window for minutes while each expanded subtree was laid out on its own.
            view->SelectNode(top->Id());
            WallStopwatch all;
            view->ExpandAll(top->Id());
            Record("expand-all-laid-out", all.Seconds());
            if (counter.WaitForPaint() >= 0)
                Record("expand-all-screen", all.Seconds());
            g_shownAfterExpandAll = view->Rows().Count();
            auto press = [&view](Qt::Key key) {
                QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
                QApplication::sendEvent(view.get(), &event);
            };
            WallStopwatch collapsed;
            press(Qt::Key_Left);
            if (counter.WaitForPaint() >= 0)
                Record("collapse-after-all-screen", collapsed.Seconds());
            WallStopwatch reexpanded;
            press(Qt::Key_Right);
            if (counter.WaitForPaint() >= 0)
                Record("expand-after-all-screen", reexpanded.Seconds());
            // A letter no name starts with: the type-ahead search reads every shown row.
            QApplication::setKeyboardInputInterval(0);
            WallStopwatch typed;
            QKeyEvent letter(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
            QApplication::sendEvent(view.get(), &letter);
            Record("type-ahead-no-match", typed.Seconds());
        }
        view->viewport()->removeEventFilter(&counter);
        view->hide();
        WallStopwatch close;
        view.reset();
        document.reset();
        Record("close", close.Seconds());
    }
}

void PrintSummary()
{
    const Input& input = Records();
    auto best = [](const char* name) { return g_best.count(name) ? g_best[name] : -1.0; };
    const double load = best("load");
    const double open = best("open");
    const double screen = best("first-screen");
    std::printf("\nSummary (best of the iterations, %d nodes, %.1f MB)\n", input.nodes,
                double(input.bytes) / 1e6);
    std::printf("  document load           %8.3f s\n", load);
    std::printf("  view open (load+show)   %8.3f s\n", open);
    std::printf("  first screen            %8.3f s\n", screen);
    std::printf("  expand the big element  %8.3f s\n", best("expand-screen"));
    std::printf("  scroll to its end       %8.3f s\n", best("scroll-end-screen"));
    std::printf("  expand-all of it        %8.3f s (%d rows shown)\n", best("expand-all-screen"),
                g_shownAfterExpandAll);
    std::printf("    of which to layout    %8.3f s\n", best("expand-all-laid-out"));
    std::printf("  then collapse (Left)    %8.3f s\n", best("collapse-after-all-screen"));
    std::printf("  then expand (Right)     %8.3f s\n", best("expand-after-all-screen"));
    std::printf("  a letter nothing starts with %8.3f s (type-ahead through every row)\n",
                best("type-ahead-no-match"));
    std::printf("  close the view          %8.3f s\n", best("close"));
    if (load > 0)
        std::printf("  ratio (open + first screen)/load  %6.2f (must stay <= 1.3)\n",
                    (open + screen) / load);
}

} // namespace

BENCHMARK(BM_LoadAndOpen)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

int main(int argc, char** argv)
{
    // The screens are measured without a window system: the same painting, nothing shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}
