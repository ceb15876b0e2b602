// Big documents through the real main window on the offscreen platform: opening until the
// first screen is painted, browsing an element with a very large number of children, a search
// without a match, single edits, saving, Copy as XML and closing. Every figure is printed next
// to its baseline from the same run: the bare xmlTextReader pass and the document's own load.
#include "BenchData.h"
#include "DocumentElement.h"
#include "PaintCounter.h"
#include "WallStopwatch.h"

#include "app/DesktopServices.h"
#include "app/DocumentFrame.h"
#include "app/DocumentTabs.h"
#include "app/FileDialogs.h"
#include "app/FreedMemory.h"
#include "app/MainFrame.h"
#include "app/ShellServices.h"
#include "config/AppSettings.h"
#include "document/XmlDocument.h"
#include "editing/CommandId.h"
#include "editing/FindFlags.h"
#include "view/InPlaceEdit.h"
#include "view/MessageBoxes.h"
#include "view/TreeListView.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Input {
    const char* name;
    QString path;
    qsizetype bytes = 0;
};

// The sizes of the inputs made so far, for the summary.
std::map<std::string, qsizetype> g_inputBytes;

// Generated once; the bytes are not kept, so they do not count in the memory figures.
Input MakeInput(const char* name, const QByteArray& bytes)
{
    Input in{name, {}, bytes.size()};
    in.path = BenchData::WriteTemp(QStringLiteral("tovi-bench-app-%1.xml").arg(name), bytes);
    g_inputBytes[name] = bytes.size();
    return in;
}

const Input& Records()
{
    static const Input input = MakeInput("records", BenchData::Records(100LL * 1024 * 1024));
    return input;
}

const Input& Prose()
{
    static const Input input = MakeInput("prose", BenchData::Prose(20LL * 1024 * 1024));
    return input;
}

// A records file whose document element has about 100 000 children.
const Input& Wide()
{
    static const Input input = MakeInput("wide", BenchData::Records(9800 * 1024));
    return input;
}

using InputFn = const Input& (*)();

std::map<std::string, double> g_best;
std::map<std::string, std::vector<double>> g_samples;
std::map<std::string, double> g_figure;

void Record(const std::string& name, double value)
{
    auto [it, inserted] = g_best.emplace(name, value);
    if (!inserted)
        it->second = std::min(it->second, value);
    g_samples[name].push_back(value);
}

double Median(const std::string& name)
{
    std::vector<double> values = g_samples[name];
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Worst(const std::string& name)
{
    const std::vector<double>& values = g_samples[name];
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

// Every message box is answered at once: No to the save prompt, OK to the rest.
class AnsweringBoxes : public MessageBoxes {
public:
    int shown = 0;
    void ShowError(QWidget*, const QString&, const QString& text) override
    {
        ++shown;
        std::fprintf(stderr, "error box: %s\n", qPrintable(text));
    }
    void ShowInformation(QWidget*, const QString&, const QString&) override { ++shown; }
    Answer AskYesNoCancel(QWidget*, const QString&, const QString&) override
    {
        ++shown;
        return Answer::No;
    }
};

class NoDialogs : public FileDialogs {
public:
    QStringList GetOpenFileNames(QWidget*, const QString&) override { return {}; }
    QString GetOpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override
    {
        return {};
    }
};

class NoDesktop : public DesktopServices {
public:
    bool OpenUrl(const QString&) override { return false; }
    bool ShowInFolder(const QString&) override { return false; }
};

// The program's main window with private settings, shown offscreen.
class Shell {
public:
    Shell()
    {
        settings.Open(folder.filePath(AppSettings::FileName()));
        frame = std::make_unique<MainFrame>(services);
        frame->resize(1200, 800);
        frame->show();
        QCoreApplication::processEvents();
    }

    DocumentTabs& Tabs() { return *frame->Tabs(); }
    TreeListView& View() { return *Tabs().ActiveFrame()->View(); }

    QTemporaryDir folder;
    AppSettings settings;
    AnsweringBoxes boxes;
    MessageBoxes::Override boxesInUse{boxes};
    NoDialogs dialogs;
    NoDesktop desktop;
    ShellServices services{dialogs, desktop, &settings, nullptr};
    std::unique_ptr<MainFrame> frame;
};

// Made on first use, gone before the application object.
std::unique_ptr<Shell> g_shell;

Shell& TheShell()
{
    if (!g_shell)
        g_shell = std::make_unique<Shell>();
    return *g_shell;
}

// Opens the file in a new tab and waits for its first screen; the seconds it took.
double OpenAndPaint(Shell& shell, const Input& input)
{
    WallStopwatch watch;
    const int index = shell.Tabs().OpenDocument(input.path);
    // The document loads on a worker; the tab is there at once and fills when it is done.
    shell.Tabs().FrameAt(index)->WaitForWork();
    if (shell.Tabs().IndexOfFile(input.path) != index)
        return -1;
    PaintCounter counter;
    shell.View().viewport()->installEventFilter(&counter);
    counter.WaitForPaint();
    const double seconds = watch.Seconds();
    shell.View().viewport()->removeEventFilter(&counter);
    return seconds;
}

void CloseActive(Shell& shell)
{
    shell.Tabs().CloseTab(shell.Tabs().ActiveIndex());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The floor, the document's own load and the whole open, each best of the iterations; the
// memory one tab holds and what is left of it after closing.
void BM_Open(benchmark::State& state, InputFn inputFn)
{
    const Input& input = inputFn();
    const std::string name = input.name;
    Shell& shell = TheShell();
    QByteArray bytes;
    {
        QFile file(input.path);
        file.open(QIODevice::ReadOnly);
        bytes = file.readAll();
    }
    for (auto _ : state) {
        {
            WallStopwatch floor;
            benchmark::DoNotOptimize(BenchData::ReaderFloorPass(bytes));
            Record("floor/" + name, floor.Seconds());
        }
        {
            XmlDocument document;
            WallStopwatch load;
            document.Load(input.path);
            Record("load/" + name, load.Seconds());
        }
        // The baseline holds nothing the baselines above left for reuse.
        FreedMemory::ReturnToSystem();
        const qint64 rssBefore = BenchData::ResidentBytes();
        const qint64 heapBefore = BenchData::HeapBytes();
        const double open = OpenAndPaint(shell, input);
        if (open < 0) {
            state.SkipWithError("open failed");
            return;
        }
        Record("open/" + name, open);
        state.SetIterationTime(open);
        g_figure["nodes/" + name] = shell.View().Document().NextId();
        Record("tab-heap/" + name, double(BenchData::HeapBytes() - heapBefore));
        Record("tab-rss/" + name, double(BenchData::ResidentBytes() - rssBefore));
        const qint64 rssOpen = BenchData::ResidentBytes();
        CloseActive(shell);
        if (qEnvironmentVariableIsSet("TOVI_BENCH_VERBOSE"))
            std::fprintf(stderr, "RSS before %.1f MB, open %.1f MB, closed %.1f MB\n",
                         double(rssBefore) / 1e6, double(rssOpen) / 1e6,
                         double(BenchData::ResidentBytes()) / 1e6);

        Record("rss-closed/" + name, double(BenchData::ResidentBytes()) / double(rssBefore));
        Record("heap-closed/" + name, double(BenchData::HeapBytes() - heapBefore));
    }
}

// A step of work and the paint it causes, timed together.
template <typename Step> double Painted(TreeListView& view, Step step)
{
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    WallStopwatch watch;
    step();
    view.viewport()->update();
    counter.WaitForPaint();
    const double seconds = watch.Seconds();
    view.viewport()->removeEventFilter(&counter);
    return seconds;
}

// Expanding the document element, scrolling to its end and selecting its last child.
void BM_Browse(benchmark::State& state, InputFn inputFn)
{
    const Input& input = inputFn();
    const std::string name = input.name;
    Shell& shell = TheShell();
    for (auto _ : state) {
        if (OpenAndPaint(shell, input) < 0) {
            state.SkipWithError("open failed");
            return;
        }
        TreeListView& view = shell.View();
        const XmlNode* top = DocumentElement(view.Document());
        g_figure["children/" + name] = top->ChildCount();
        Record("expand/" + name, Painted(view, [&] { view.SetExpanded(top->Id(), true); }));
        Record("scroll-end/" + name, Painted(view, [&] {
                   view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
               }));
        const XmlNode* last = top->ChildAt(top->ChildCount() - 1);
        Record("select-last/" + name, Painted(view, [&] { view.SelectNode(last->Id()); }));
        const double step = std::max({g_best["expand/" + name], g_best["scroll-end/" + name],
                                      g_best["select-last/" + name]});
        state.SetIterationTime(step);
        CloseActive(shell);
    }
}

// Find with every option and no match walks the whole document once, back to where it began.
// Then single edits in the middle of the document element's children, the element expanded
// (the view's worst case), each with its paint; Copy as XML of the document element; Save.
void BM_FindEditSave(benchmark::State& state, InputFn inputFn)
{
    const Input& input = inputFn();
    const std::string name = input.name;
    Shell& shell = TheShell();
    for (auto _ : state) {
        {
            XmlDocument document;
            WallStopwatch load;
            document.Load(input.path);
            Record("load/" + name, load.Seconds());
        }
        const qint64 heapBefore = BenchData::HeapBytes();
        if (OpenAndPaint(shell, input) < 0) {
            state.SkipWithError("open failed");
            return;
        }
        TreeListView& view = shell.View();
        g_figure["nodes/" + name] = view.Document().NextId();
        const XmlNode* top = DocumentElement(view.Document());
        view.SetExpanded(top->Id(), true);
        view.SelectNode(top->Id());
        const int boxesBefore = shell.boxes.shown;
        {
            WallStopwatch find;
            shell.Tabs().ActiveFrame()->FindRequest(QStringLiteral("no such text anywhere"),
                                                    FindFlag::AllKinds | FindFlag::MatchCase |
                                                        FindFlag::MatchWholeWord);
            Record("find/" + name, find.Seconds());
        }
        if (shell.boxes.shown != boxesBefore + 1)
            state.SkipWithError("the search should have ended in its not-found box");

        const int middle = top->ChildCount() / 2;
        view.SelectNode(top->ChildAt(middle)->Id());
        auto command = [&](const char* what, int id) {
            Record(std::string("edit-") + what + "/" + name, Painted(view, [&] {
                       shell.frame->HandleCommand(id);
                       if (view.Editor().IsOpen())
                           view.CancelCellEdit();
                   }));
        };
        {
            // The status bar's path of the selection, which follows each edit's paint: first
            // among these siblings, then for the next one, as a walk with Down asks for it.
            WallStopwatch path;
            const QString text = shell.Tabs().ActiveFrame()->SelectedPath();
            Record("status-path/" + name, path.Seconds());
            view.SelectNode(top->ChildAt(middle + 1)->Id());
            WallStopwatch next;
            const QString nextText = shell.Tabs().ActiveFrame()->SelectedPath();
            Record("status-path-next/" + name, next.Seconds());
            view.SelectNode(top->ChildAt(middle)->Id());
            if (text.isEmpty() || nextText == text)
                state.SkipWithError("the selection should have a path of its own");
        }
        for (int round = 0; round < 5; ++round) {
            command("insert", CommandId::InsertElementAfter);
            command("delete", CommandId::Delete);
            command("duplicate", CommandId::Duplicate);
            command("move-up", CommandId::MoveUp);
            command("move-down", CommandId::MoveDown);
            command("undo", CommandId::Undo);
            command("redo", CommandId::Redo);
        }
        Record("tab-heap-edited/" + name, double(BenchData::HeapBytes() - heapBefore));

        view.SelectNode(top->Id());
        {
            WallStopwatch copy;
            shell.frame->HandleCommand(CommandId::CopyAsXml);
            Record("copy-xml/" + name, copy.Seconds());
        }
        g_figure["copied-bytes/" + name] = QGuiApplication::clipboard()->text().toUtf8().size();
        QGuiApplication::clipboard()->clear();

        const QString saved = input.path + QStringLiteral(".saved.xml");
        {
            // Save As's work without its dialog: the same frame call the command makes.
            WallStopwatch save;
            DocumentFrame* frame = shell.Tabs().ActiveFrame();
            frame->StartSaveAs(saved);
            frame->WaitForWork();
            Record("save/" + name, save.Seconds());
        }
        g_figure["saved-bytes/" + name] = double(QFile(saved).size());
        QFile::remove(saved);
        CloseActive(shell);
        state.SetIterationTime(g_best["find/" + name]);
    }
}

void PrintSummary()
{
    auto best = [](const std::string& key) { return g_best.count(key) ? g_best[key] : -1.0; };
    std::printf("\nSummary: best of the iterations unless marked; ratios against the same run\n");
    for (const std::string n : {"records", "prose", "wide"}) {
        if (!g_best.count("open/" + n) && !g_best.count("find/" + n))
            continue;
        const double nodes = g_figure["nodes/" + n];
        const double floor = best("floor/" + n);
        const double load = best("load/" + n);
        std::printf("\n%s: %.1f MB, %.0f nodes\n", n.c_str(), double(g_inputBytes[n]) / 1e6, nodes);
        if (g_best.count("open/" + n)) {
            std::printf("  reader floor                 %8.3f s\n", floor);
            std::printf("  document load                %8.3f s   %5.2f x floor\n", load,
                        load / floor);
            std::printf("  open until painted           %8.3f s   %5.2f x floor  (target <= 2)\n",
                        best("open/" + n), best("open/" + n) / floor);
            std::printf("  one open tab                 %8.1f B/node heap, %.1f B/node RSS\n",
                        best("tab-heap/" + n) / nodes, best("tab-rss/" + n) / nodes);
            std::printf("  after closing                RSS %5.3f x before (target <= 1.10), "
                        "heap %+.1f MB\n",
                        Worst("rss-closed/" + n), Worst("heap-closed/" + n) / 1e6);
        }
        if (g_best.count("find/" + n)) {
            if (load > 0)
                std::printf("  find, no match, every option %8.3f s   %5.2f x load  (target <= "
                            "0.5)\n",
                            best("find/" + n), best("find/" + n) / load);
            std::printf("  tab after the edits          %8.1f B/node heap (target <= 180)\n",
                        Worst("tab-heap-edited/" + n) / nodes);
            for (const char* what :
                 {"insert", "delete", "duplicate", "move-up", "move-down", "undo", "redo"}) {
                const std::string key = std::string("edit-") + what + "/" + n;
                std::printf("  %-28s %8.2f ms median, %.2f ms worst (target < 10)\n",
                            (std::string("edit ") + what + ", painted").c_str(), Median(key) * 1e3,
                            Worst(key) * 1e3);
            }
            std::printf(
                "  status bar path, after paint  %7.2f ms (the selection among its siblings), %.2f "
                "ms for the next one\n",
                best("status-path/" + n) * 1e3, best("status-path-next/" + n) * 1e3);
            std::printf("  Copy as XML, document element %7.3f s   %.1f MB (target < 1 s)\n",
                        best("copy-xml/" + n), g_figure["copied-bytes/" + n] / 1e6);
            std::printf("  save                         %8.3f s   %.0f MB/s (target >= 150)\n",
                        best("save/" + n), g_figure["saved-bytes/" + n] / best("save/" + n) / 1e6);
        }
    }
    for (const std::string n : {"wide", "records"}) {
        if (!g_best.count("expand/" + n))
            continue;
        std::printf("\nbrowsing %s, document element with %.0f children (target < 100 ms each)\n",
                    n.c_str(), g_figure["children/" + n]);
        std::printf("  expand, painted              %8.1f ms\n", best("expand/" + n) * 1e3);
        std::printf("  scroll to the end, painted   %8.1f ms\n", best("scroll-end/" + n) * 1e3);
        std::printf("  select the last child        %8.1f ms\n", best("select-last/" + n) * 1e3);
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_Browse, wide, &Wide)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_FindEditSave, wide, &Wide)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_Open, records, &Records)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_Browse, records, &Records)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_FindEditSave, records, &Records)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_Open, prose, &Prose)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_FindEditSave, prose, &Prose)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseManualTime();

int main(int argc, char** argv)
{
    // The same painting as on a screen, without a window system.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_shell.reset();
    PrintSummary();
    return 0;
}
