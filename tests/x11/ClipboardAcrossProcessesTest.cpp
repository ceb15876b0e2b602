// A node copied in one editor process must paste in another through the real X clipboard.
// This test program is the copying process; it starts itself a second time as the pasting one
// (the disabled peer test below, told what to do through the environment).
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "editing/NodeClipboard.h"
#include "ui/QtClipboardAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr char PeerVariable[] = "TOVI_CLIPBOARD_PEER_TARGET";
constexpr char NodeLine[] = "PEER-NODE ";

// One line per node in pre-order: depth, kind, qualified name and value, percent-encoded so
// line breaks and non-ASCII text survive the trip through stdout.
void DumpSubtree(const XmlNode* node, int depth, QStringList& out)
{
    // The one-pass arg() form: an encoded "%20" must not be taken for a placeholder.
    out << QStringLiteral("%1 %2 %3 %4")
               .arg(QString::number(depth), QString::number(int(node->Kind())),
                    QString::fromLatin1(node->QualifiedName().toUtf8().toPercentEncoding()),
                    QString::fromLatin1(node->Value().toUtf8().toPercentEncoding()));
    for (const XmlNode* child : *node)
        DumpSubtree(child, depth + 1, out);
}

const XmlNode* FindElement(const XmlNode* node, const QString& name)
{
    if (node->Kind() == XmlNodeKind::Element && node->QualifiedName() == name)
        return node;
    for (const XmlNode* child : *node) {
        if (const XmlNode* found = FindElement(child, name))
            return found;
    }
    return nullptr;
}

class ClipboardAcrossProcesses : public ::testing::Test {
protected:
    QTemporaryDir dir;
    XmlDocument source;
    QtClipboardAccess clipboard;
    std::unique_ptr<QLockFile> clipboardLock;

    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X display (test.sh runs the suite under Xvfb)";
        // ctest runs tests side by side: one display has one clipboard, so these tests take
        // turns on it.
        QString display = qEnvironmentVariable("DISPLAY");
        display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
        clipboardLock = std::make_unique<QLockFile>(
            QDir::temp().filePath(QStringLiteral("tovi-test-clipboard-%1.lock").arg(display)));
        clipboardLock->setStaleLockTime(0);
        ASSERT_TRUE(clipboardLock->tryLock(20000)) << "another test keeps the clipboard";
        ASSERT_TRUE(dir.isValid());
        const QString path =
            WriteFile(QStringLiteral("source.xml"),
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<library xmlns:x=\"urn:tovi:x\">\n"
                      "  <book id=\"b7\" x:lang=\"de\" note=\"Tom &amp; &quot;Jerry&quot;\">"
                      "Gr\xc3\xbc\xc3\x9f"
                      "e &lt;aus&gt; K\xc3\xb6ln<!-- first edition -->"
                      "<part n=\"1\">\xe2\x82\xac</part>tail</book>\n"
                      "  <other/>\n"
                      "</library>\n");
        ASSERT_EQ(source.Load(path), XE_OK);
    }

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Runs the peer against a target file and returns its PEER- lines. This process keeps its
    // event loop turning meanwhile: it owns the X selection and has to answer the peer's
    // requests for it.
    QStringList RunPeer(const QString& targetPath)
    {
        QProcess peer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(PeerVariable), targetPath);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        peer.setProcessEnvironment(environment);
        peer.setProcessChannelMode(QProcess::SeparateChannels);
        QEventLoop loop;
        QObject::connect(&peer, &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(&peer, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
        QTimer::singleShot(8000, &loop, &QEventLoop::quit);
        peer.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--gtest_also_run_disabled_tests"),
                    QStringLiteral("--gtest_filter=ClipboardPeer.DISABLED_Paste")});
        loop.exec();
        if (peer.state() != QProcess::NotRunning) {
            peer.kill();
            peer.waitForFinished(2000);
            ADD_FAILURE() << "the pasting process did not finish in time";
        }
        const QByteArray output = peer.readAllStandardOutput();
        EXPECT_EQ(peer.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(peer.exitCode(), 0)
            << output.toStdString() << peer.readAllStandardError().toStdString();
        QStringList lines;
        for (const QByteArray& line : output.split('\n')) {
            if (line.startsWith("PEER-"))
                lines << QString::fromUtf8(
                    line); // no trimming: an empty value ends a line in a space
        }
        return lines;
    }

    QString TargetFile()
    {
        return WriteFile(QStringLiteral("target.xml"),
                         "<?xml version=\"1.0\"?>\n<shelf><kept k=\"v\"/></shelf>\n");
    }
};

QStringList NodeLines(const QStringList& lines)
{
    QStringList nodes;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String(NodeLine)))
            nodes << line.mid(int(sizeof(NodeLine)) - 1);
    }
    return nodes;
}

} // namespace

TEST_F(ClipboardAcrossProcesses, CopiedElementPastesWholeInASecondProcess)
{
    const XmlNode* book = FindElement(source.Root(), QStringLiteral("book"));
    ASSERT_NE(book, nullptr);
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(clipboard, source, book->Id()));

    const QStringList lines = RunPeer(TargetFile());
    ASSERT_TRUE(lines.contains(QStringLiteral("PEER-HAS 1"))) << lines.join('\n').toStdString();
    ASSERT_TRUE(lines.contains(QStringLiteral("PEER-PASTED 1"))) << lines.join('\n').toStdString();

    QStringList expected;
    DumpSubtree(book, 0, expected);
    // The declaration of the prefix it uses, from its parent, first among the attributes;
    // then attributes, mixed text with a comment and a nested element, in document order.
    expected.insert(1, QStringLiteral("1 2 xmlns%3Ax urn%3Atovi%3Ax"));
    ASSERT_EQ(expected.size(), 11);
    EXPECT_EQ(NodeLines(lines).join('\n').toStdString(), expected.join('\n').toStdString());
    // Pasted as the last child of the target element, after what it had; one undo step.
    EXPECT_TRUE(lines.contains(QStringLiteral("PEER-CHILDREN 2")));
    EXPECT_TRUE(lines.contains(QStringLiteral("PEER-UNDO-CHILDREN 1")));
    // The other editor saves it, prefix and all, and loads it back in its namespace.
    EXPECT_TRUE(lines.contains(QStringLiteral("PEER-SAVED 0"))) << lines.join('\n').toStdString();
}

TEST_F(ClipboardAcrossProcesses, PlainTextFromAnotherProcessIsNotPasted)
{
    // Text on the clipboard is not the private format: the second process must refuse the
    // paste and keep its document as it was.
    NodeClipboard::PutClipboardText(clipboard, QStringLiteral("<book id=\"b7\"/>"));
    const QStringList lines = RunPeer(TargetFile());
    ASSERT_TRUE(lines.contains(QStringLiteral("PEER-HAS 0"))) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("PEER-PASTED 0")));
    EXPECT_TRUE(lines.contains(QStringLiteral("PEER-CHILDREN 1")));
    EXPECT_TRUE(NodeLines(lines).isEmpty());
}

// The pasting process: only run by the tests above, which name it and set the variable.
TEST(ClipboardPeer, DISABLED_Paste)
{
    const QString targetPath = qEnvironmentVariable(PeerVariable);
    if (targetPath.isEmpty() || qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "started only as the peer of the clipboard tests";
    XmlDocument target;
    ASSERT_EQ(target.Load(targetPath), XE_OK);
    const XmlNode* shelf = FindElement(target.Root(), QStringLiteral("shelf"));
    ASSERT_NE(shelf, nullptr);
    QtClipboardAccess clipboard;
    const int before = shelf->ChildCount();
    std::printf("PEER-HAS %d\n", NodeClipboard::HasPrivateClipboardData(clipboard) ? 1 : 0);
    const bool pasted = NodeClipboard::PasteFromClipboard(clipboard, target, shelf->Id());
    std::printf("PEER-PASTED %d\n", pasted ? 1 : 0);
    if (pasted && shelf->ChildCount() > before) {
        QStringList lines;
        DumpSubtree(shelf->LastChild(), 0, lines);
        for (const QString& line : lines)
            std::printf("%s%s\n", NodeLine, qPrintable(line));
    }
    std::printf("PEER-CHILDREN %d\n", shelf->ChildCount());
    if (pasted) {
        const QString savedPath = targetPath + QStringLiteral(".saved.xml");
        XmlStatus saved = target.Save(savedPath);
        XmlDocument reloaded;
        if (saved == XE_OK)
            saved = reloaded.Load(savedPath);
        std::printf("PEER-SAVED %x\n", saved);
        target.History().Undo();
        std::printf("PEER-UNDO-CHILDREN %d\n", shelf->ChildCount());
    }
    std::fflush(stdout);
}
