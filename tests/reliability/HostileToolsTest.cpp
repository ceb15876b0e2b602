// Style sheets and schemas that never end: the tools fail with their own status instead of
// crashing, hanging or exhausting the stack.
#include "ReliabilityHelpers.h"

#include "document/StatusMessageTable.h"
#include "tools/SchemaValidator.h"
#include "tools/XslTransformer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace reliability;

namespace {

constexpr char kXsl[] = "<xsl:stylesheet version=\"1.0\" "
                        "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">";

class HostileToolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(document.LoadFromData("<r xmlns=\"urn:self\"><i>1</i><i>2</i></r>"), XE_OK);
    }
    QString Write(const char* name, const QByteArray& text)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(WriteFile(path, text));
        return path;
    }

    QTemporaryDir dir;
    XmlDocument document;
};

} // namespace

TEST_F(HostileToolsTest, StyleSheetsThatRecurseForeverFailWithTheTransformMessage)
{
    const QByteArray sheets[] = {
        // A named template calling itself.
        QByteArray(kXsl) + "<xsl:template match=\"/\"><xsl:call-template name=\"loop\"/>"
                           "</xsl:template><xsl:template name=\"loop\"><x>"
                           "<xsl:call-template name=\"loop\"/></x></xsl:template>"
                           "</xsl:stylesheet>",
        // Templates applying themselves to the same node.
        QByteArray(kXsl) + "<xsl:template match=\"node()|/\"><xsl:apply-templates "
                           "select=\".\"/></xsl:template></xsl:stylesheet>",
        // A variable whose value is computed by the template that defines it.
        QByteArray(kXsl) + "<xsl:template match=\"/\"><xsl:call-template name=\"v\"/>"
                           "</xsl:template><xsl:template name=\"v\"><xsl:variable name=\"x\">"
                           "<xsl:call-template name=\"v\"/></xsl:variable>"
                           "<xsl:value-of select=\"$x\"/></xsl:template></xsl:stylesheet>",
    };
    for (const QByteArray& sheet : sheets) {
        QElapsedTimer timer;
        timer.start();
        XslTransformer transformer;
        const XmlStatus status = transformer.RunTransformation(document, Write("loop.xsl", sheet));
        EXPECT_EQ(status, XE_XSLT_TRANSFORM_FAILED);
        EXPECT_EQ(StatusMessageTable::MessageOf(status),
                  QStringLiteral("An error occurred when transforming the active document with "
                                 "the selected XSLT file."));
        EXPECT_TRUE(transformer.ResultText().isEmpty());
        EXPECT_LT(timer.elapsed(), 20000);
    }
    // A style sheet importing itself, directly or through another, cannot be loaded.
    Write("a.xsl", QByteArray(kXsl) + "<xsl:import href=\"b.xsl\"/></xsl:stylesheet>");
    Write("b.xsl", QByteArray(kXsl) + "<xsl:import href=\"a.xsl\"/></xsl:stylesheet>");
    const QString self =
        Write("self.xsl", QByteArray(kXsl) + "<xsl:include href=\"self.xsl\"/></xsl:stylesheet>");
    XslTransformer transformer;
    EXPECT_EQ(transformer.RunTransformation(document, dir.filePath("a.xsl")), XE_XSLT_LOAD_FAILED);
    EXPECT_EQ(transformer.RunTransformation(document, self), XE_XSLT_LOAD_FAILED);
}

TEST_F(HostileToolsTest, SchemasThatImportThemselvesLoadOnceAndValidate)
{
    const QByteArray head = "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                            "targetNamespace=\"urn:self\" xmlns=\"urn:self\" "
                            "elementFormDefault=\"qualified\">";
    const QByteArray body = "<xs:element name=\"r\"><xs:complexType><xs:sequence>"
                            "<xs:element name=\"i\" type=\"xs:int\" maxOccurs=\"unbounded\"/>"
                            "</xs:sequence></xs:complexType></xs:element></xs:schema>";
    const QString importsItself = Write(
        "import-self.xsd",
        head + "<xs:import namespace=\"urn:self\" schemaLocation=\"import-self.xsd\"/>" + body);
    const QString includesItself = Write(
        "include-self.xsd", head + "<xs:include schemaLocation=\"include-self.xsd\"/>" + body);
    Write("ring-b.xsd", head + "<xs:include schemaLocation=\"ring-a.xsd\"/></xs:schema>");
    const QString ring =
        Write("ring-a.xsd", head + "<xs:include schemaLocation=\"ring-b.xsd\"/>" + body);
    for (const QString& schema : {importsItself, includesItself, ring}) {
        SCOPED_TRACE(schema.toStdString());
        QElapsedTimer timer;
        timer.start();
        SchemaValidator validator;
        const XmlStatus status = validator.RunValidation(document, schema);
        // Either the loop is seen through and the document validates, or the schema is
        // refused as unloadable; never a hang or a crash.
        EXPECT_TRUE(status == XE_OK || status == XE_SCHEMA_LOAD_FAILED) << std::hex << status;
        EXPECT_LT(timer.elapsed(), 10000);
    }
}

namespace {

// Runs `work` while a watchdog stands by: should the work open the FIFO and wait for a writer,
// the watchdog becomes that writer after two seconds and ends the wait, so a fault fails the
// test instead of hanging it. Returns whether the work needed the watchdog.
template <typename Work> bool NeededTheWatchdog(const QString& fifo, Work work)
{
    std::atomic<bool> done{false};
    std::atomic<bool> rescued{false};
    std::thread watchdog([&] {
        QElapsedTimer timer;
        timer.start();
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (timer.elapsed() < 2000)
                continue;
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                rescued = true;
                ::close(fd);
            }
        }
    });
    work();
    done = true;
    watchdog.join();
    return rescued;
}

} // namespace

TEST_F(HostileToolsTest, FifosAmongSchemasAndStyleSheetsAreRefusedWithoutWaiting)
{
    const QString fifo = dir.filePath(QStringLiteral("pipe.xml"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray fifoUrl = QUrl::fromLocalFile(fifo).toEncoded();

    const QString includingSchema =
        Write("include.xsd", "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
                             "<xs:include schemaLocation=\"pipe.xml\"/></xs:schema>");
    for (const QString& schema : {fifo, includingSchema}) {
        SchemaValidator validator;
        XmlStatus status = XE_OK;
        EXPECT_FALSE(NeededTheWatchdog(fifo, [&] {
            status = validator.RunValidation(document, schema);
        })) << qPrintable(schema);
        EXPECT_NE(status, XE_OK) << qPrintable(schema);
    }

    const QString importing = Write("import.xsl", QByteArray(kXsl) + "<xsl:import href=\"" +
                                                      fifoUrl + "\"/></xsl:stylesheet>");
    const QString reading = Write(
        "document.xsl", QByteArray(kXsl) + "<xsl:template match=\"/\"><xsl:copy-of select=\"document('" +
                            fifoUrl + "')\"/></xsl:template></xsl:stylesheet>");
    for (const QString& sheet : {fifo, importing, reading}) {
        XslTransformer transformer;
        XmlStatus status = XE_OK;
        EXPECT_FALSE(NeededTheWatchdog(fifo, [&] {
            status = transformer.RunTransformation(document, sheet);
        })) << qPrintable(sheet);
        EXPECT_NE(status, XE_OK) << qPrintable(sheet);
    }
}
