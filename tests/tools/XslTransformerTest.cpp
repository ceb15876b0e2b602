#include "tools/XslTransformer.h"
#include "ToolsTestData.h"
#include "document/SafeXmlParsing.h"
#include "tools/ResultFileWriter.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <gtest/gtest.h>

using namespace ToolsTestData;

namespace {

const char* kStyleSheetStart =
    R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform" )"
    R"(xmlns:exsl="http://exslt.org/common" xmlns:saxon="http://icl.com/saxon" )"
    R"(extension-element-prefixes="exsl saxon">)";

QByteArray StyleSheet(const QByteArray& templateBody, const QByteArray& prolog = {})
{
    return prolog + kStyleSheetStart + "<xsl:output method=\"text\"/><xsl:template match=\"/\">" +
           templateBody + "</xsl:template></xsl:stylesheet>";
}

// A folder with a secret file and a hostile style sheet aimed at it.
class HostileStyleSheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(WriteFile(Path("secret.txt"), "TOP-SECRET"));
        BuildOrder(m_doc, {{"a", "1"}});
    }
    QString Path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    QByteArray Url(const char* name) const { return Path(name).toUtf8(); }
    XmlStatus Run(const QByteArray& styleSheet)
    {
        const QString path = Path("hostile.xslt");
        EXPECT_TRUE(WriteFile(path, styleSheet));
        return m_transformer.RunTransformation(m_doc, path);
    }

    QTemporaryDir m_dir;
    XmlDocument m_doc;
    XslTransformer m_transformer;
};

} // namespace

TEST(XslTransformerTest, TransformsTheTreeWithUnsavedEdits)
{
    XmlDocument doc;
    XmlNode* order = BuildOrder(doc, {{"a", "1"}, {"b", "2"}});
    doc.OnLoaded(XE_OK);
    XslTransformer transformer;
    const QString styleSheet = DataPath(QStringLiteral("items.xslt"));
    ASSERT_EQ(transformer.RunTransformation(doc, styleSheet), XE_OK);
    EXPECT_EQ(transformer.ResultText(), QStringLiteral("a=1;b=2;"));

    ASSERT_TRUE(doc.SetNodeValue(order->ChildAt(1)->ChildAt(1)->Id(), QStringLiteral("7")));
    ASSERT_EQ(transformer.RunTransformation(doc, styleSheet), XE_OK);
    EXPECT_EQ(transformer.ResultText(), QStringLiteral("a=1;b=7;"));
    // The document itself is never changed by a transformation.
    EXPECT_EQ(order->ChildCount(), 2);
    EXPECT_TRUE(doc.IsModified());
}

TEST(XslTransformerTest, Latin1OutputBecomesAConsistentUtf8File)
{
    XmlDocument doc;
    BuildOrder(doc, {{"Ärger", "1"}});
    XslTransformer transformer;
    ASSERT_EQ(transformer.RunTransformation(doc, DataPath(QStringLiteral("latin1.xslt"))), XE_OK);
    const QString text = transformer.ResultText();
    EXPECT_TRUE(text.contains(QStringLiteral("Grüße, Ärger – 5 €"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("&#"))); // converted, not escaped for Latin-1
    EXPECT_TRUE(text.contains(QStringLiteral("encoding=\"UTF-8\""))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("ISO-8859-1")));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("result.xml"));
    ASSERT_TRUE(ResultFileWriter::Write(path, transformer.ResultUtf8()));
    const QByteArray bytes = ReadFile(path);
    EXPECT_TRUE(bytes.startsWith("<?xml")); // no byte-order mark
    EXPECT_EQ(bytes, transformer.ResultUtf8());
    EXPECT_TRUE(bytes.contains("Gr\xC3\xBC\xC3\x9F"));

    // Any XML reader reads the file back as the text it was meant to be.
    xmlDocPtr reread = xmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, nullptr,
                                     SafeXmlParsing::ParseOptions());
    ASSERT_NE(reread, nullptr);
    xmlChar* content = xmlNodeGetContent(xmlDocGetRootElement(reread));
    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(content)),
              QStringLiteral("Grüße, Ärger – 5 €"));
    xmlFree(content);
    xmlFreeDoc(reread);
}

TEST(XslTransformerTest, HtmlOutputNamesUtf8AndEmptyOutputIsEmpty)
{
    XmlDocument doc;
    BuildOrder(doc, {{"a", "1"}});
    XslTransformer transformer;
    ASSERT_EQ(transformer.RunTransformation(doc, DataPath(QStringLiteral("latin1-html.xslt"))),
              XE_OK);
    const QString html = transformer.ResultText();
    EXPECT_TRUE(html.contains(QStringLiteral("Übersicht"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("charset=UTF-8"))) << html.toStdString();
    EXPECT_FALSE(html.contains(QStringLiteral("8859")));

    ASSERT_EQ(transformer.RunTransformation(doc, DataPath(QStringLiteral("empty-output.xslt"))),
              XE_OK);
    EXPECT_TRUE(transformer.ResultText().isEmpty());
    EXPECT_TRUE(transformer.ResultUtf8().isEmpty());
}

TEST(XslTransformerTest, LocalIncludesImportsAndDocumentCallsWork)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    XmlDocument doc;
    BuildOrder(doc, {{"a", "1"}, {"b", "2"}});
    XslTransformer transformer;
    EXPECT_EQ(transformer.RunTransformation(doc, DataPath(QStringLiteral("with-include.xslt"))),
              XE_OK);
    EXPECT_EQ(transformer.ResultText(), QStringLiteral("[1][2]from-lookup"));
    EXPECT_FALSE(transformer.SecurityRefused());
    QDir::setCurrent(previous);
}

TEST(XslTransformerTest, StyleSheetThatCannotLoadReportsLoadFailure)
{
    XmlDocument doc;
    BuildOrder(doc, {{"a", "1"}});
    XslTransformer transformer;
    for (const QString& name : {QStringLiteral("broken.xslt"), QStringLiteral("not-xslt.xslt"),
                                QStringLiteral("missing.xslt"), QStringLiteral("order.xsd/")}) {
        EXPECT_EQ(transformer.RunTransformation(doc, DataPath(name)), XE_XSLT_LOAD_FAILED)
            << name.toStdString();
        EXPECT_TRUE(transformer.ResultText().isEmpty());
    }
    // The reason names the file and the line where the parser gave up.
    ASSERT_EQ(transformer.RunTransformation(doc, DataPath(QStringLiteral("broken.xslt"))),
              XE_XSLT_LOAD_FAILED);
    ASSERT_FALSE(transformer.Errors().isEmpty());
    EXPECT_EQ(transformer.Errors()[0].file, DataPath(QStringLiteral("broken.xslt")));
    EXPECT_EQ(transformer.Errors()[0].place.line, 4);
    EXPECT_EQ(transformer.RunTransformation(doc, QString()), XE_XSLT_LOAD_FAILED);
}

TEST(XslTransformerTest, RunawayStyleSheetsFailInsteadOfCrashing)
{
    XmlDocument doc;
    BuildOrder(doc, {{"a", "1"}});
    XslTransformer transformer;
    EXPECT_EQ(transformer.RunTransformation(doc, DataPath(QStringLiteral("recursion.xslt"))),
              XE_XSLT_TRANSFORM_FAILED);
    EXPECT_TRUE(transformer.ResultText().isEmpty());
    EXPECT_FALSE(transformer.Diagnostics().isEmpty());
    EXPECT_EQ(transformer.RunTransformation(doc, DataPath(QStringLiteral("terminate.xslt"))),
              XE_XSLT_TRANSFORM_FAILED);
    EXPECT_TRUE(transformer.Diagnostics().join(u'\n').contains(QStringLiteral("on purpose")));
}

// xsl:message speaks on libxslt's error channel; only real errors fail the run.
TEST(XslTransformerTest, MessagesAloneDoNotFailTheRun)
{
    QTemporaryDir dir;
    const QString sheet = dir.filePath(QStringLiteral("message.xsl"));
    WriteFile(sheet, "<xsl:stylesheet version=\"1.0\" "
                     "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output "
                     "method=\"text\"/><xsl:template match=\"/\"><xsl:message>runtime "
                     "note</xsl:message>done</xsl:template></xsl:stylesheet>");
    XslTransformer transformer;
    ASSERT_EQ(transformer.RunTransformationOnText("<r/>", sheet), XE_OK);
    EXPECT_EQ(transformer.ResultText(), QStringLiteral("done"));
    EXPECT_TRUE(transformer.Diagnostics().contains(QStringLiteral("runtime note")));
}

TEST(XslTransformerTest, DocumentThatCannotBeSerialisedReportsItsStatus)
{
    XmlDocument empty;
    XslTransformer transformer;
    EXPECT_EQ(transformer.RunTransformation(empty, DataPath(QStringLiteral("items.xslt"))),
              XE_INTERNAL);
}

TEST_F(HostileStyleSheetTest, CannotWriteFilesOrCreateFolders)
{
    const QByteArray targets[] = {
        "<exsl:document href=\"" + Url("exsl.txt") + "\" method=\"text\">x</exsl:document>",
        "<exsl:document href=\"" + Url("new/dir/deep.txt") + "\">x</exsl:document>",
        "<saxon:output href=\"" + Url("saxon.txt") + "\">x</saxon:output>",
    };
    for (const QByteArray& body : targets) {
        EXPECT_EQ(Run(StyleSheet(body + "done")), XE_XSLT_TRANSFORM_FAILED) << body.constData();
        EXPECT_TRUE(m_transformer.SecurityRefused());
        EXPECT_TRUE(m_transformer.ResultText().isEmpty());
    }
    // xsl:document of XSLT 1.1.
    QByteArray v11 = StyleSheet("<xsl:document href=\"" + Url("xsl.txt") + "\">x</xsl:document>");
    v11.replace("version=\"1.0\"", "version=\"1.1\"");
    EXPECT_EQ(Run(v11), XE_XSLT_TRANSFORM_FAILED);
    EXPECT_FALSE(QFileInfo::exists(Path("exsl.txt")));
    EXPECT_FALSE(QFileInfo::exists(Path("new")));
    EXPECT_FALSE(QFileInfo::exists(Path("saxon.txt")));
    EXPECT_FALSE(QFileInfo::exists(Path("xsl.txt")));
}

TEST_F(HostileStyleSheetTest, CannotReadFilesThroughExternalEntities)
{
    // Through a document read by document().
    ASSERT_TRUE(WriteFile(Path("evil.xml"), "<!DOCTYPE r [<!ENTITY s SYSTEM \"secret.txt\">]>"
                                            "<r>&s;</r>"));
    EXPECT_EQ(Run(StyleSheet("<xsl:value-of select=\"document('evil.xml')/r\"/>")),
              XE_XSLT_TRANSFORM_FAILED);
    EXPECT_TRUE(m_transformer.SecurityRefused());
    EXPECT_FALSE(m_transformer.ResultText().contains(QStringLiteral("TOP-SECRET")));

    // Through an external DTD subset that declares the entity: the subset is never read, so
    // the entity stays undeclared and empty.
    ASSERT_TRUE(WriteFile(Path("evil.dtd"), "<!ENTITY s SYSTEM \"secret.txt\">"));
    ASSERT_TRUE(WriteFile(Path("evil2.xml"), "<!DOCTYPE r SYSTEM \"evil.dtd\"><r>&s;</r>"));
    Run(StyleSheet("<xsl:value-of select=\"document('evil2.xml')/r\"/>"));
    EXPECT_FALSE(m_transformer.ResultText().contains(QStringLiteral("TOP-SECRET")));

    // In the style sheet itself, and in a style sheet it includes.
    EXPECT_EQ(Run(StyleSheet("<xsl:text>&s;</xsl:text>",
                             "<!DOCTYPE xsl:stylesheet [<!ENTITY s SYSTEM \"secret.txt\">]>")),
              XE_XSLT_LOAD_FAILED);
    ASSERT_TRUE(WriteFile(Path("inc.xslt"),
                          QByteArray("<!DOCTYPE xsl:stylesheet [<!ENTITY s SYSTEM "
                                     "\"secret.txt\">]>") +
                              kStyleSheetStart +
                              "<xsl:template name=\"t\">&s;</xsl:template></xsl:stylesheet>"));
    QByteArray including = StyleSheet("<xsl:call-template name=\"t\"/>");
    including.replace("<xsl:output", "<xsl:include href=\"inc.xslt\"/><xsl:output");
    EXPECT_EQ(Run(including), XE_XSLT_LOAD_FAILED);
    EXPECT_FALSE(m_transformer.ResultText().contains(QStringLiteral("TOP-SECRET")));

    // Reading the same file as a plain document stays allowed.
    ASSERT_TRUE(WriteFile(Path("plain.xml"), "<r>visible</r>"));
    EXPECT_EQ(Run(StyleSheet("<xsl:value-of select=\"document('plain.xml')/r\"/>")), XE_OK);
    EXPECT_EQ(m_transformer.ResultText(), QStringLiteral("visible"));
}

TEST_F(HostileStyleSheetTest, CannotReachTheNetwork)
{
    EXPECT_EQ(Run(StyleSheet("<xsl:value-of select=\"document('http://127.0.0.1:9/x.xml')\"/>")),
              XE_XSLT_TRANSFORM_FAILED);
    EXPECT_TRUE(m_transformer.SecurityRefused());
}
