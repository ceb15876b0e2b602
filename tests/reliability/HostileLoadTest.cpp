// Hostile documents given to Load: they fail with a status (or load what they really hold),
// in bounded time, and nothing outside the document ever enters the tree.
#include "OrdinaryUser.h"
#include "ReliabilityHelpers.h"

#include "document/DocumentMessages.h"
#include "document/SafeXmlParsing.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace reliability;

namespace {

constexpr char16_t kSecret[] = u"TOP-SECRET-4711";

class HostileLoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        secretPath = dir.filePath("secret.txt");
        ASSERT_TRUE(WriteFile(secretPath, QString::fromUtf16(kSecret).toUtf8()));
        // A DTD that declares an entity holding the secret, reached from a document.
        dtdPath = dir.filePath("secret.dtd");
        ASSERT_TRUE(WriteFile(dtdPath, "<!ENTITY s \"" + QString::fromUtf16(kSecret).toUtf8() +
                                           "\">\n<!ENTITY f SYSTEM \"secret.txt\">\n"));
    }
    QByteArray Url(const QString& path) const { return QUrl::fromLocalFile(path).toEncoded(); }

    // Loads the text from a file in the test folder, as opening a file does.
    XmlStatus LoadText(const QByteArray& text, XmlDocument& document)
    {
        const QString path = dir.filePath("doc.xml");
        EXPECT_TRUE(WriteFile(path, text));
        return document.Load(path);
    }

    QTemporaryDir dir;
    QString secretPath;
    QString dtdPath;
};

} // namespace

TEST_F(HostileLoadTest, ExternalEntitiesAndDtdsNeverBringAnotherFileIn)
{
    const QByteArray secretUrl = Url(secretPath);
    const QByteArray dtdUrl = Url(dtdPath);
    struct Case {
        const char* what;
        QByteArray text;
    };
    const Case cases[] = {
        {"general entity in content",
         "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + secretUrl + "\">]><r>&x;</r>"},
        {"general entity by relative path",
         "<!DOCTYPE r [<!ENTITY x SYSTEM \"secret.txt\">]><r>before &x; after</r>"},
        {"general entity in an attribute",
         "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + secretUrl + "\">]><r a=\"&x;\"/>"},
        {"parameter entity",
         "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + dtdUrl + "\"> %p;]><r>&s;</r>"},
        {"parameter entity used for a general one",
         "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + dtdUrl + "\"> %p;]><r>&f;</r>"},
        {"external DTD", "<!DOCTYPE r SYSTEM \"" + dtdUrl + "\"><r>&s;</r>"},
        {"external DTD by relative path", "<!DOCTYPE r SYSTEM \"secret.dtd\"><r>&s;&f;</r>"},
        {"public external DTD", "<!DOCTYPE r PUBLIC \"-//X//Y\" \"secret.dtd\"><r>&s;</r>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XmlDocument fromFile;
        const XmlStatus status = LoadText(c.text, fromFile);
        EXPECT_FALSE(TreeContains(fromFile.Root(), kSecret));
        // The reference cannot be resolved: loading on would lose it at the next save.
        EXPECT_NE(status, XE_OK);
        XmlDocument fromData;
        EXPECT_NE(fromData.LoadFromData(c.text), XE_OK);
        EXPECT_FALSE(TreeContains(fromData.Root(), kSecret));
    }
    // A declared but unused external entity or DTD is harmless and nothing is read.
    XmlDocument unused;
    const int refusedBefore = SafeXmlParsing::RefusedCount();
    EXPECT_EQ(LoadText("<!DOCTYPE r SYSTEM \"secret.dtd\" [<!ENTITY x SYSTEM \"secret.txt\">]>"
                       "<r>plain</r>",
                       unused),
              XE_OK);
    EXPECT_EQ(DumpTree(unused), "0 1 |r=\n1 3 |#Text=plain\n");
    EXPECT_EQ(SafeXmlParsing::RefusedCount(), refusedBefore);
}

TEST_F(HostileLoadTest, EntityExpansionBombsFailFast)
{
    // Billion laughs: ten levels of ten references, 10^9 copies of "lol".
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY lol" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j)
            laughs += "&lol" + QByteArray::number(i - 1) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n<lolz>&lol9;</lolz>\n";
    // Quadratic blow-up: one 64 KB entity referenced 40 000 times (2.5 GB of text), no nesting.
    QByteArray quadratic = "<!DOCTYPE q [<!ENTITY a \"" + QByteArray(64 * 1024, 'a') + "\">]><q>";
    for (int i = 0; i < 40000; ++i)
        quadratic += "&a;";
    quadratic += "</q>";
    QByteArray quadraticAttribute =
        "<!DOCTYPE q [<!ENTITY a \"" + QByteArray(64 * 1024, 'a') + "\">]><q v=\"";
    for (int i = 0; i < 40000; ++i)
        quadraticAttribute += "&a;";
    quadraticAttribute += "\"/>";

    for (const QByteArray* bomb : {&laughs, &quadratic, &quadraticAttribute}) {
        QElapsedTimer timer;
        timer.start();
        XmlDocument document;
        const XmlStatus status = LoadText(*bomb, document);
        EXPECT_TRUE(IsFailure(status)) << std::hex << status;
        EXPECT_NE(StatusMessageTable::StringIdOf(status), StatusMessageTable::InternalErrorStringId)
            << std::hex << status;
        EXPECT_GE(document.ErrorLine(), 1);
        EXPECT_LT(timer.elapsed(), 10000);
        EXPECT_LT(document.MemoryUsage(), size_t(64) << 20);
    }
    // A small nested expansion is an ordinary document.
    XmlDocument fine;
    ASSERT_EQ(fine.LoadFromData("<!DOCTYPE r [<!ENTITY a \"xy\"><!ENTITY b \"&a;&a;&a;\">]>"
                                "<r>&b;</r>"),
              XE_OK);
    EXPECT_EQ(fine.Root()->ChildAt(0)->ChildAt(0)->Value(), QStringLiteral("xyxyxy"));
}

TEST_F(HostileLoadTest, NestingBeyondTheDepthLimitIsReportedWithItsPlace)
{
    auto nested = [](int depth) {
        QByteArray text;
        for (int i = 0; i < depth; ++i)
            text += "<e>\n";
        text += "x";
        for (int i = 0; i < depth; ++i)
            text += "</e>";
        return text;
    };
    XmlDocument deep;
    const XmlStatus status = LoadText(nested(300), deep);
    EXPECT_EQ(status, XmlError::MaxElementDepth);
    EXPECT_GT(deep.ErrorLine(), 250);
    EXPECT_TRUE(LoadErrorText("doc.xml", status, deep.ErrorLine(), deep.ErrorPosition())
                    .contains(QStringLiteral("Element depth exceeds limit")));

    // The deepest document that loads saves and loads again.
    XmlDocument limit;
    ASSERT_EQ(limit.LoadFromData(nested(256)), XE_OK);
    QByteArray saved;
    ASSERT_EQ(limit.SerializeDocument(saved), XE_OK);
    XmlDocument back;
    ASSERT_EQ(back.LoadFromData(saved), XE_OK);
    EXPECT_EQ(DumpTree(back), DumpTree(limit));
}

TEST_F(HostileLoadTest, HugeAttributeValueLoadsWholeOrFailsCleanly)
{
    const qsizetype size = 50 << 20;
    QByteArray text = "<r a=\"";
    text.reserve(size + 64);
    for (qsizetype i = 0; i < size / 16; ++i)
        text += "0123456789abcde ";
    text += "\"/>";
    QElapsedTimer timer;
    timer.start();
    XmlDocument document;
    const XmlStatus status = LoadText(text, document);
    text.clear();
    EXPECT_LT(timer.elapsed(), 20000);
    if (status == XE_OK) {
        ASSERT_EQ(document.Root()->ChildAt(0)->ChildCount(), 1);
        EXPECT_EQ(document.Root()->ChildAt(0)->ChildAt(0)->ValueView().size(), size);
    } else {
        // libxml2 caps attribute values at 10 MB: a clear failure, never a cut value.
        EXPECT_TRUE(IsFailure(status)) << std::hex << status;
        EXPECT_NE(StatusMessageTable::StringIdOf(status), StatusMessageTable::InternalErrorStringId)
            << std::hex << status;
        EXPECT_EQ(document.ErrorLine(), 1);
    }
}

TEST_F(HostileLoadTest, InvalidUtf8AndUtf16AreRefusedWithTheirPlace)
{
    auto utf16le = [](const QString& text) {
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    const QByteArray bom16("\xFF\xFE", 2);
    struct Case {
        const char* what;
        QByteArray text;
    };
    const Case cases[] = {
        {"broken two-byte sequence", "<r>ok\n\xC3\x28</r>"},
        {"lone continuation byte", "<r>ok\n\x80</r>"},
        {"overlong slash", "<r>ok\n\xC0\xAF</r>"},
        {"encoded surrogate", "<r>ok\n\xED\xA0\x80</r>"},
        {"five-byte form", "<r>ok\n\xF8\x88\x80\x80\x80</r>"},
        {"beyond U+10FFFF", "<r>ok\n\xF4\x90\x80\x80</r>"},
        {"cut at the end", "<r>ok</r>\n<!-- \xE6\x97"},
        {"in a name", "<r>\n<\xC3\x28/></r>"},
        {"in an attribute", "<r>\n<a v=\"\xFF\"/></r>"},
        {"UTF-16 lone high surrogate",
         bom16 + utf16le("<r>ok\n") + QByteArray("\x00\xD8", 2) + utf16le("x</r>")},
        {"UTF-16 lone low surrogate",
         bom16 + utf16le("<r>ok\n") + QByteArray("\x00\xDC", 2) + utf16le("</r>")},
        {"UTF-16 stray byte", bom16 + utf16le("<r>ok\n") + QByteArray("\x20", 1) + utf16le("</r>")},
        // Cut off inside a character.
        {"UTF-16 ending in half a surrogate pair",
         bom16 + utf16le("<r>ok\n") + QByteArray("\x00\xD8", 2)},
        {"UTF-16 ending in half a code unit", bom16 + utf16le("<r>ok\n") + QByteArray("<", 1)},
        // Far enough in that the parser has long been converting in slices.
        {"UTF-16 lone surrogate after 200 kB",
         bom16 + utf16le("<r>" + QString(u"text\n"_qs).repeated(40000)) +
             QByteArray("\x00\xD8", 2) + utf16le("x</r>")},
        {"UTF-16 declared, UTF-8 bytes", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XmlDocument document;
        const XmlStatus status = LoadText(c.text, document);
        EXPECT_TRUE(IsFailure(status)) << std::hex << status;
        EXPECT_NE(StatusMessageTable::StringIdOf(status), StatusMessageTable::InternalErrorStringId)
            << std::hex << status;
        EXPECT_GE(document.ErrorLine(), 1);
        // No replacement character sneaks in as if the bytes had been fine.
        EXPECT_FALSE(TreeContains(document.Root(), u"\uFFFD"));
    }
}

TEST_F(HostileLoadTest, PathsThatAreNoRegularFileFailWithoutBlocking)
{
    const QString missing = dir.filePath("missing.xml");
    const QString folder = dir.filePath("folder.xml");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString fifo = dir.filePath("fifo.xml");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    struct Case {
        const char* what;
        QString path;
    };
    std::vector<Case> cases = {{"missing", missing},
                               {"folder", folder},
                               {"FIFO without writer", fifo},
                               {"empty path", QString()}};
    // An endless device would be read forever; the child's memory cap ends that case if the
    // loader tries.
    if (!UnderAddressSanitizer())
        cases.push_back({"endless device", QStringLiteral("/dev/zero")});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ChildOutcome outcome = RunInChild(std::chrono::seconds(5), [&] {
            XmlDocument document;
            const XmlStatus status = document.Load(c.path);
            const bool ok = status == XE_CANNOT_OPEN_FILE && document.ErrorLine() == -1 &&
                            document.ErrorPosition() == -1 && !document.Root()->HasChildren();
            return ok ? 0 : 1;
        });
        EXPECT_TRUE(outcome.finished) << "Load blocked";
        EXPECT_EQ(outcome.exitCode, 0) << "signal " << outcome.signal;
    }
    EXPECT_TRUE(LoadErrorText(missing, XE_CANNOT_OPEN_FILE, -1, -1)
                    .endsWith(QStringLiteral("Can not open file.\nLine: -1, position: -1.")));
}

TEST_F(HostileLoadTest, UnreadableFileFails)
{
    const QString path = dir.filePath("locked.xml");
    ASSERT_TRUE(WriteFile(path, "<r/>"));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    // Reachable for the ordinary user the check may run as.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner |
                                                      QFileDevice::ExeOther));
    EXPECT_TRUE(AsOrdinaryUser([&] {
        XmlDocument document;
        return document.Load(path) == XE_CANNOT_OPEN_FILE && document.ErrorLine() == -1 &&
               document.Root()->ChildCount() == 0;
    }));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
