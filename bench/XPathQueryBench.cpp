// An attribute-value query on the records file: our whole query (serialise, parse, evaluate,
// map the results to our nodes) against `xmllint --xpath` on the saved file (parse included),
// timed in the same run.
#include "BenchData.h"
#include "WallStopwatch.h"

#include "document/XmlDocument.h"
#include "tools/XPathQuery.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>

namespace {

// xmllint cannot bind prefixes for --xpath, so both sides use the same prefix-free form of
// //db:record[@type='alpha'].
const QString kExpression = QStringLiteral("//*[local-name()='record'][@type='alpha']");
constexpr int kRuns = 3;

double Best(const auto& run)
{
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i)
        best = std::min(best, run());
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray bytes = BenchData::Records(100LL * 1024 * 1024);
    const QString path = BenchData::WriteTemp(QStringLiteral("tovi-bench-records.xml"), bytes);
    XmlDocument document;
    if (document.Load(path) != 0) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(path));
        return 1;
    }

    size_t found = 0;
    const double ours = Best([&] {
        const WallStopwatch watch;
        const XPathQueryResult result = XPathQuery::Run(document, kExpression);
        found = result.nodes.size();
        return watch.Seconds();
    });
    size_t prefixed = 0;
    const double oursPrefixed = Best([&] {
        const WallStopwatch watch;
        prefixed =
            XPathQuery::Run(document, QStringLiteral("//db:record[@type='alpha']")).nodes.size();
        return watch.Seconds();
    });
    std::printf("query %s on %.0f MB: %zu nodes\n", qPrintable(kExpression), bytes.size() / 1e6,
                found);
    std::printf("  ours (serialise + parse + evaluate + map): %.3f s\n", ours);
    std::printf("  ours with //db:record[@type='alpha']:      %.3f s (%zu nodes)\n", oursPrefixed,
                prefixed);

    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty()) {
        std::printf("  xmllint not found (package libxml2-utils): no ratio\n");
        return 0;
    }
    bool failed = false;
    const double theirs = Best([&] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        const WallStopwatch watch;
        process.start(xmllint, {QStringLiteral("--xpath"), kExpression, path});
        process.waitForFinished(-1);
        failed = failed || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0;
        return watch.Seconds();
    });
    if (failed)
        std::printf("  xmllint failed\n");
    std::printf("  xmllint --xpath (parse + evaluate + print): %.3f s\n", theirs);
    std::printf("  ratio ours / xmllint: %.2f\n", ours / theirs);
    return 0;
}
