#include "tools/ToolRun.h"
#include "RunawayInputs.h"
#include "ToolsTestData.h"
#include "config/StringTable.h"
#include "document/XmlDocument.h"
#include "tools/SchemaValidator.h"
#include "tools/ToolInput.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ToolsTestData;

namespace {

const QByteArray kSheetHead =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:output method=\"text\"/>";

class ToolRunTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString Make(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(WriteFile(path, content));
        return path;
    }
    ToolOutcome Run(ToolKind kind, const QString& tool, const QByteArray& document,
                    const QString& documentPath = {}, int seconds = 20, qint64 memory = 0)
    {
        ToolRequest request;
        request.kind = kind;
        request.toolPath = tool;
        request.documentPath = documentPath;
        request.documentText = document;
        ToolRun run;
        run.Start(request, {seconds, memory});
        return run.Wait();
    }
    static QString AllText(const ToolOutcome& outcome)
    {
        QStringList texts;
        for (const ToolMessage& message : outcome.messages)
            texts << message.file + u':' + QString::number(message.place.line) + u' ' +
                         message.DisplayText();
        return texts.join(u'\n');
    }
};

} // namespace

// Neither runaway can be stopped from inside libxml2 or libxslt; the worker is killed.
TEST_F(ToolRunTest, RunawaysStopAtTheTimeLimitAndGiveNothing)
{
    const QByteArray sheet = RunawayInputs::ExponentialStyleSheet();
    QElapsedTimer clock;
    clock.start();
    ToolOutcome outcome = Run(ToolKind::Transform, Make("calls.xsl", sheet), "<r/>", {}, 1);
    EXPECT_EQ(outcome.status, ToolStatus::TimedOut);
    EXPECT_TRUE(outcome.result.isEmpty());

    // Nested counted groups before another particle: libxml2's compilation of the content
    // model grows without bound (24 levels take seconds and gigabytes; 30 far longer).
    QByteArray particle = "<xs:element name=\"a\" minOccurs=\"0\" maxOccurs=\"3\"/>";
    for (int depth = 0; depth < 30; ++depth)
        particle = "<xs:sequence minOccurs=\"0\" maxOccurs=\"3\">" + particle + "</xs:sequence>";
    const QString schema =
        Make("slow.xsd", "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element "
                         "name=\"doc\"><xs:complexType><xs:sequence>" +
                             particle +
                             "<xs:element name=\"b\"/></xs:sequence></xs:complexType></xs:element>"
                             "</xs:schema>");
    outcome = Run(ToolKind::XmlSchema, schema, "<doc/>", {}, 1);
    EXPECT_EQ(outcome.status, ToolStatus::TimedOut);
    EXPECT_LT(clock.elapsed(), 15000);
}

TEST_F(ToolRunTest, CancelStopsTheWorkerAtOnce)
{
    const QString sheet = Make("calls.xsl", RunawayInputs::ExponentialStyleSheet());
    ToolRequest request;
    request.kind = ToolKind::Transform;
    request.toolPath = sheet;
    request.documentText = "<r/>";
    ToolRun run;
    run.Start(request, {0, 0});
    QThread::msleep(500); // the worker is deep in the style sheet by now
    EXPECT_TRUE(run.IsRunning());
    QElapsedTimer clock;
    clock.start();
    run.Cancel();
    EXPECT_EQ(run.Wait().status, ToolStatus::Cancelled);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(run.Outcome().result.isEmpty());
}

// The run used to log "Memory allocation failed" and report success with "-1".
TEST_F(ToolRunTest, RunningOutOfMemoryFails)
{
    const QString sheet = Make(
        "double.xsl",
        kSheetHead + "<xsl:template match=\"/\"><xsl:call-template name=\"d\"><xsl:with-param "
                     "name=\"s\" select=\"'xxxxxxxxxxxxxxxx'\"/></xsl:call-template></xsl:template>"
                     "<xsl:template name=\"d\"><xsl:param name=\"s\"/><xsl:choose><xsl:when "
                     "test=\"string-length($s) &gt; 4000000000\"><xsl:value-of "
                     "select=\"string-length($s)\"/></xsl:when><xsl:otherwise><xsl:call-template "
                     "name=\"d\"><xsl:with-param name=\"s\" select=\"concat($s, $s)\"/>"
                     "</xsl:call-template></xsl:otherwise></xsl:choose></xsl:template>"
                     "</xsl:stylesheet>");
    const ToolOutcome outcome = Run(ToolKind::Transform, sheet, "<r/>", {}, 60, 512LL << 20);
    EXPECT_TRUE(outcome.status == ToolStatus::Failed || outcome.status == ToolStatus::Aborted)
        << int(outcome.status);
    EXPECT_TRUE(outcome.result.isEmpty());
}

// document() resolves against the edited file, not the working folder; an untitled document
// has no base, and a file that cannot be read fails the run instead of giving nothing.
TEST_F(ToolRunTest, DocumentFunctionResolvesAgainstTheEditedFile)
{
    const QString sheet =
        Make("sheets/ref.xsl", kSheetHead + "<xsl:template match=\"/\"><xsl:value-of "
                                            "select=\"document(/r/@ref)/v\"/></xsl:template>"
                                            "</xsl:stylesheet>");
    const QString document = Make("docs/doc.xml", "<r ref=\"data.xml\"/>");
    Make("docs/data.xml", "<v>beside the file</v>");
    ToolOutcome outcome = Run(ToolKind::Transform, sheet, "<r ref=\"data.xml\"/>", document);
    ASSERT_EQ(outcome.status, ToolStatus::Done) << AllText(outcome).toStdString();
    EXPECT_EQ(outcome.result, "beside the file");

    outcome = Run(ToolKind::Transform, sheet, "<r ref=\"data.xml\"/>");
    EXPECT_EQ(outcome.status, ToolStatus::Failed);
    ASSERT_FALSE(outcome.messages.isEmpty());
    EXPECT_EQ(outcome.messages.back().textId, StringId::UntitledRelativeReference);

    outcome = Run(ToolKind::Transform, sheet, "<r ref=\"missing.xml\"/>", document);
    EXPECT_EQ(outcome.status, ToolStatus::Failed);
    EXPECT_TRUE(AllText(outcome).contains(u"missing.xml")) << AllText(outcome).toStdString();
}

// A transformation of an unmodified document sees the file's own layout, as any XSLT processor
// given the file would; once edited, or when the file changed on disk, it sees the tree.
TEST_F(ToolRunTest, UnmodifiedDocumentIsTransformedFromItsFile)
{
    const QString sheet =
        Make("indent.xsl", kSheetHead + "<xsl:template match=\"/\"><xsl:value-of "
                                        "select=\"string-length(/r/text()[1])\"/></xsl:template>"
                                        "</xsl:stylesheet>");
    const QString path = Make("laid-out.xml", "<r>\n      <a>x</a>\n</r>\n");
    XmlDocument document;
    ASSERT_EQ(document.Load(path), XE_OK);
    const auto transform = [&] {
        ToolRequest request;
        request.kind = ToolKind::Transform;
        EXPECT_EQ(ToolInputText(document, request.kind, path, request.documentText), XE_OK);
        return Run(ToolKind::Transform, sheet, request.documentText, path).result;
    };
    EXPECT_EQ(transform(), "7");

    QByteArray validated;
    ASSERT_EQ(ToolInputText(document, ToolKind::XmlSchema, path, validated), XE_OK);
    EXPECT_FALSE(validated.contains("\n      <a>"));

    WriteFile(path, "<r>\n<a>x</a>\n<b/>\n</r>\n");
    EXPECT_EQ(transform(), "3"); // the writer's indentation
}

// However the path of a FIFO is written, it is refused rather than opened (which would hang).
TEST_F(ToolRunTest, FifosAreRefusedWhateverTheirUri)
{
    for (const QString& folder : {QStringLiteral("sp ace"), QStringLiteral("Über")}) {
        QDir().mkpath(dir.filePath(folder));
        const QString fifo = dir.filePath(folder + QStringLiteral("/pipe.xml"));
        ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QByteArray escaped = QUrl::fromLocalFile(fifo).toEncoded();
        const QByteArray localhost = QByteArray(escaped).replace("file://", "file://localhost");
        for (const QByteArray& uri : {escaped, localhost}) {
            const QString include =
                Make(folder + "/inc.xsl", kSheetHead + "<xsl:include href=\"" + uri + "\"/>" +
                                              "<xsl:template match=\"/\"/></xsl:stylesheet>");
            EXPECT_EQ(Run(ToolKind::Transform, include, "<r/>", {}, 10).status,
                      ToolStatus::LoadFailed)
                << uri.constData();
            const QString read =
                Make(folder + "/read.xsl", kSheetHead +
                                               "<xsl:template match=\"/\"><xsl:value-of "
                                               "select=\"document('" +
                                               uri + "')\"/></xsl:template></xsl:stylesheet>");
            EXPECT_EQ(Run(ToolKind::Transform, read, "<r/>", {}, 10).status, ToolStatus::Failed)
                << uri.constData();
            const QString schema = Make(folder + "/inc.xsd",
                                        "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
                                        "<xs:include schemaLocation=\"" +
                                            uri + "\"/></xs:schema>");
            EXPECT_EQ(Run(ToolKind::XmlSchema, schema, "<r/>", {}, 10).status,
                      ToolStatus::LoadFailed)
                << uri.constData();
        }
        // A symbolic link to it, and the plain relative spelling, resolved against the
        // including file.
        ASSERT_TRUE(QFile::link(fifo, dir.filePath(folder + QStringLiteral("/link.xml"))));
        const QString linked =
            Make(folder + "/link.xsl", kSheetHead + "<xsl:include href=\"link.xml\"/>"
                                                    "<xsl:template match=\"/\"/></xsl:stylesheet>");
        EXPECT_EQ(Run(ToolKind::Transform, linked, "<r/>", {}, 10).status, ToolStatus::LoadFailed);
        const QString relative =
            Make(folder + "/rel.xsl", kSheetHead + "<xsl:include href=\"pipe.xml\"/>"
                                                   "<xsl:template match=\"/\"/></xsl:stylesheet>");
        EXPECT_EQ(Run(ToolKind::Transform, relative, "<r/>", {}, 10).status,
                  ToolStatus::LoadFailed);
    }
}

TEST_F(ToolRunTest, DocumentTypeRelaxNgAndDtdFilesValidate)
{
    // The internal subset alone, and a system DTD found next to the file.
    const QByteArray internal = "<!DOCTYPE r [<!ELEMENT r (a)><!ELEMENT a EMPTY>]><r><a/></r>";
    EXPECT_EQ(Run(ToolKind::DocumentType, {}, internal).status, ToolStatus::Done);
    const QByteArray wrong = "<!DOCTYPE r [<!ELEMENT r (a)><!ELEMENT a EMPTY>]><r><b/><b/></r>";
    ToolOutcome outcome = Run(ToolKind::DocumentType, {}, wrong);
    EXPECT_EQ(outcome.status, ToolStatus::Invalid);
    EXPECT_GE(outcome.messages.size(), 2) << AllText(outcome).toStdString();

    const QString dtd = Make("dtd/r.dtd", "<!ELEMENT r (a+)><!ELEMENT a EMPTY>"
                                          "<!ATTLIST a n CDATA #REQUIRED>");
    const QString document = Make("dtd/doc.xml", "");
    EXPECT_EQ(Run(ToolKind::DocumentType, {}, "<!DOCTYPE r SYSTEM \"r.dtd\"><r><a n=\"1\"/></r>",
                  document)
                  .status,
              ToolStatus::Done);
    outcome = Run(ToolKind::DocumentType, {}, "<!DOCTYPE r SYSTEM \"r.dtd\"><r><a/></r>", document);
    EXPECT_EQ(outcome.status, ToolStatus::Invalid);
    // Untitled: a relative system identifier has nowhere to be found.
    outcome = Run(ToolKind::DocumentType, {}, "<!DOCTYPE r SYSTEM \"r.dtd\"><r/>");
    EXPECT_EQ(outcome.status, ToolStatus::LoadFailed);
    EXPECT_EQ(Run(ToolKind::DocumentType, {}, "<r/>").messages.value(0).textId,
              StringId::NoDocumentType);
    EXPECT_EQ(Run(ToolKind::Dtd, dtd, "<r><a/></r>").status, ToolStatus::Invalid);

    const QString rng = Make("g.rng", "<element name=\"r\" xmlns=\"http://relaxng.org/ns/"
                                      "structure/1.0\"><oneOrMore><element name=\"a\"><empty/>"
                                      "</element></oneOrMore></element>");
    EXPECT_EQ(SchemaKindOf(rng), ToolKind::RelaxNg);
    EXPECT_EQ(Run(ToolKind::RelaxNg, rng, "<r><a/></r>").status, ToolStatus::Done);
    EXPECT_EQ(Run(ToolKind::RelaxNg, rng, "<r><b/></r>").status, ToolStatus::Invalid);
}

// A public identifier is looked up in the system XML catalog, never fetched from the network;
// the DTD's modules (external parameter entities) load with it.
TEST_F(ToolRunTest, DocumentTypeFoundThroughTheSystemCatalog)
{
    const QByteArray doctype = "<!DOCTYPE article PUBLIC \"-//OASIS//DTD DocBook XML V4.5//EN\" "
                               "\"http://www.oasis-open.org/docbook/xml/4.5/docbookx.dtd\">";
    ToolOutcome outcome = Run(ToolKind::DocumentType, {},
                              doctype + "<article><title>t</title><para>p</para></article>");
    ASSERT_EQ(outcome.status, ToolStatus::Done) << AllText(outcome).toStdString();
    outcome = Run(ToolKind::DocumentType, {}, doctype + "<article><nonsense/></article>");
    EXPECT_EQ(outcome.status, ToolStatus::Invalid);
    // Not in the catalog: the network address is not used.
    outcome =
        Run(ToolKind::DocumentType, {},
            "<!DOCTYPE r PUBLIC \"-//Nobody//DTD None//EN\" \"http://example.org/r.dtd\"><r/>");
    EXPECT_EQ(outcome.status, ToolStatus::LoadFailed);
    EXPECT_EQ(outcome.messages.value(0).textId, StringId::NetworkNotUsed)
        << AllText(outcome).toStdString();
}

// Every error is kept, with its element, up to the limit; the rest are counted.
TEST(SchemaValidatorErrorsTest, CollectsEveryErrorUpToTheLimit)
{
    QByteArray text = "<order>";
    const int count = ToolOutcome::MaxMessages + 5;
    for (int i = 0; i < count; ++i)
        text += "<item sku=\"s\" qty=\"bad\"/>";
    text += "</order>";
    SchemaValidator validator;
    ASSERT_EQ(validator.Run(ToolKind::XmlSchema, text, DataPath(QStringLiteral("order.xsd"))),
              XE_VALIDATION_FAILED);
    ASSERT_EQ(validator.Messages().size(), ToolOutcome::MaxMessages);
    EXPECT_GE(validator.Omitted(), 5);
    EXPECT_EQ(validator.Messages()[0].place.elementOrdinal, 1);
    EXPECT_EQ(validator.Messages()[1].place.elementOrdinal, 2);
    EXPECT_EQ(validator.Messages()[1].place.attributeLocalName, QStringLiteral("qty"));

    // A schema that fails to compile says where and why.
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("b.xsd"));
    WriteFile(broken, "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n"
                      "<xs:element name=\"a\" type=\"nope\"/></xs:schema>");
    ASSERT_EQ(validator.Run(ToolKind::XmlSchema, "<a/>", broken), XE_SCHEMA_LOAD_FAILED);
    ASSERT_FALSE(validator.Messages().isEmpty());
    EXPECT_EQ(validator.Messages()[0].file, broken);
    EXPECT_EQ(validator.Messages()[0].place.line, 2);
}
