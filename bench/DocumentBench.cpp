// Load, save and memory figures of the document model, each next to its baseline from the same
// run: a bare xmlTextReader pass that reads every name and value and builds nothing.
#include "BenchData.h"
#include "WallStopwatch.h"

#include "document/XmlDocument.h"

#include <QFile>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>

namespace {

struct Input {
    QByteArray bytes;
    QString path;
};

Input& Records()
{
    static Input input = [] {
        Input in;
        in.bytes = BenchData::Records(100LL * 1024 * 1024);
        in.path = BenchData::WriteTemp(QStringLiteral("tovi-bench-records.xml"), in.bytes);
        return in;
    }();
    return input;
}

Input& Prose()
{
    static Input input = [] {
        Input in;
        in.bytes = BenchData::Prose(20LL * 1024 * 1024);
        in.path = BenchData::WriteTemp(QStringLiteral("tovi-bench-prose.xml"), in.bytes);
        return in;
    }();
    return input;
}

// The 1 GB records file of `--huge`: written once, its bytes not kept in memory.
Input& RecordsGigabyte()
{
    static Input input = [] {
        Input in;
        in.path = BenchData::WriteTemp(QStringLiteral("tovi-bench-records-1g.xml"),
                                       BenchData::Records(1024LL * 1024 * 1024));
        in.bytes.resize(qsizetype(QFile(in.path).size())); // only its size is used
        return in;
    }();
    return input;
}

using InputFn = Input& (*)();

// Best (minimum) seconds per benchmark name, and figures for the summary.
std::map<std::string, double> g_best;
std::map<std::string, double> g_figure;

// Thread CPU time: on this shared two-core machine wall time mostly measures the neighbours.
class Stopwatch {
public:
    Stopwatch() : m_start(Now()), m_kernelStart(KernelNow()) {}
    double Seconds() const { return Now() - m_start; }
    // Of that, the time in the kernel: mostly clearing the fresh pages a load takes, whose
    // speed on this virtual machine varies fourfold from minute to minute.
    double KernelSeconds() const { return KernelNow() - m_kernelStart; }

private:
    static double Now()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    }
    static double KernelNow()
    {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        return double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) * 1e-6;
    }
    double m_start;
    double m_kernelStart;
};

void Record(const std::string& name, double seconds)
{
    auto [it, inserted] = g_best.emplace(name, seconds);
    if (!inserted)
        it->second = std::min(it->second, seconds);
}

void BM_BareReader(benchmark::State& state, InputFn input, const char* name)
{
    const QByteArray& bytes = input().bytes;
    for (auto _ : state) {
        Stopwatch watch;
        benchmark::DoNotOptimize(BenchData::ReaderFloorPass(bytes));
        Record(std::string("floor/") + name, watch.Seconds());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void BM_Load(benchmark::State& state, InputFn input, const char* name)
{
    const Input& in = input();
    for (auto _ : state) {
        const qint64 rssBefore = BenchData::ResidentBytes();
        auto doc = std::make_unique<XmlDocument>();
        WallStopwatch wall;
        Stopwatch watch;
        const XmlStatus status = doc->Load(in.path);
        const double seconds = watch.Seconds();
        const std::string key = std::string("load/") + name;
        if (!g_best.count(key) || seconds < g_best[key]) {
            g_figure[std::string("load-kernel/") + name] = watch.KernelSeconds();
            // A large load has its memory made ready on a second thread, whose time the
            // loading thread's clock does not see: the wall clock does.
            g_figure[std::string("load-wall/") + name] = wall.Seconds();
        }
        Record(key, seconds);
        // The first load gets fresh pages from the system, as a single load of a file does;
        // later ones may reuse what the allocator kept.
        g_figure.emplace(std::string("first-load/") + name, seconds);
        if (status != XE_OK) {
            state.SkipWithError("load failed");
            return;
        }
        const double nodes = doc->NextId();
        g_figure[std::string("nodes/") + name] = nodes;
        g_figure[std::string("model-bytes/") + name] = double(doc->MemoryUsage());
        // The first iteration's growth: later ones may reuse memory the allocator kept.
        g_figure.emplace(std::string("rss-bytes/") + name,
                         double(BenchData::ResidentBytes() - rssBefore));
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * in.bytes.size());
}

void BM_Save(benchmark::State& state, InputFn input, const char* name)
{
    const Input& in = input();
    XmlDocument doc;
    if (doc.Load(in.path) != XE_OK) {
        state.SkipWithError("load failed");
        return;
    }
    const QString out = in.path + QStringLiteral(".saved");
    qint64 written = 0;
    for (auto _ : state) {
        Stopwatch watch;
        if (doc.Save(out) != XE_OK) {
            state.SkipWithError("save failed");
            return;
        }
        Record(std::string("save/") + name, watch.Seconds());
        written = QFile(out).size();
    }
    g_figure[std::string("saved-bytes/") + name] = double(written);
    state.SetBytesProcessed(int64_t(state.iterations()) * written);
    QFile::remove(out);
}

void PrintSummary()
{
    std::printf("\nSummary (best thread CPU time of the iterations; ratios are against the same "
                "run's floor)\n");
    std::printf("%-10s %10s %10s %8s %10s %12s %12s %10s\n", "input", "floor s", "load s", "ratio",
                "save MB/s", "model B/node", "RSS B/node", "B/in-byte");
    for (const char* name : {"records", "prose", "records-1g"}) {
        const std::string n = name;
        if (n == "records-1g" && g_best.count("load/" + n) && g_best.count("load/records")) {
            const double nodes = g_figure["nodes/" + n];
            const double kernel = g_figure["load-kernel/" + n];
            const double kernel100 = g_figure["load-kernel/records"];
            std::printf("records-1g: %.0f bytes, %.0f nodes, load %.3f s = %.2f x the 100 MB "
                        "load (%.2f x its first, cold, load of %.3f s); model %.1f B/node, RSS "
                        "%.1f B/node\n"
                        "  in the kernel %.3f s against %.3f s; outside it %.2f x; wall clock "
                        "%.3f s against %.3f s = %.2f x\n",
                        double(RecordsGigabyte().bytes.size()), nodes, g_best["load/" + n],
                        g_best["load/" + n] / g_best["load/records"],
                        g_best["load/" + n] / g_figure["first-load/records"],
                        g_figure["first-load/records"], g_figure["model-bytes/" + n] / nodes,
                        std::max(0.0, g_figure["rss-bytes/" + n]) / nodes, kernel, kernel100,
                        (g_best["load/" + n] - kernel) / (g_best["load/records"] - kernel100),
                        g_figure["load-wall/" + n], g_figure["load-wall/records"],
                        g_figure["load-wall/" + n] / g_figure["load-wall/records"]);
        }
        if (!g_best.count("floor/" + n) || !g_best.count("load/" + n))
            continue;
        const double floor = g_best["floor/" + n];
        const double load = g_best["load/" + n];
        const double nodes = g_figure["nodes/" + n];
        const double inputBytes = double((n == "records" ? Records() : Prose()).bytes.size());
        const double saveMBs = g_best.count("save/" + n)
                                   ? g_figure["saved-bytes/" + n] / g_best["save/" + n] / 1e6
                                   : 0.0;
        std::printf("%-10s %10.3f %10.3f %8.2f %10.1f %12.1f %12.1f %10.2f\n", name, floor, load,
                    load / floor, saveMBs, g_figure["model-bytes/" + n] / nodes,
                    std::max(0.0, g_figure["rss-bytes/" + n]) / nodes,
                    g_figure["model-bytes/" + n] / inputBytes);
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_BareReader, records, &Records, "records")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Load, records, &Records, "records")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Save, records, &Records, "records")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_BareReader, prose, &Prose, "prose")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Load, prose, &Prose, "prose")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Save, prose, &Prose, "prose")->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    // --huge adds the load of a 1 GB records file (one iteration; ~10 GB of memory), kept out
    // of the default run for its time and size.
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--huge") {
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            benchmark::RegisterBenchmark("BM_Load/records-1g", BM_Load, &RecordsGigabyte,
                                         "records-1g")
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
            break;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}
