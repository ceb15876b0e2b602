#include "LoaderTestSupport.h"
#include "document/DocumentLoader.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "document/XmlReader.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace loader_test;

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

TEST(LoaderTest, KeepsElementsAttributesTextCommentsAndInstructions)
{
    XmlDocument doc;
    const std::string tree = Load(doc, "<?xml version=\"1.0\"?>\n"
                                       "<!DOCTYPE r [<!ENTITY e \"expanded\">]>\n"
                                       "<?pi before?>\n"
                                       "<r a=\"&e;\">&e; text<?pi inside?></r>\n"
                                       "<!-- after -->\n");
    EXPECT_EQ(tree, "7 pi=before\n"
                    "1 r=\n"
                    "  2 a=expanded\n"
                    "  3 #Text=expanded text\n"
                    "  7 pi=inside\n"
                    "8 #Comment= after \n");
    EXPECT_EQ(doc.Root()->ChildCount(), 3);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.ErrorLine(), -1);
}

TEST(LoaderTest, CdataSectionsBecomeTextNodesOfTheirOwn)
{
    XmlDocument doc;
    EXPECT_EQ(Load(doc, "<a>x<![CDATA[y]]>z</a>"), "1 a=\n  3 #Text=x\n  3 #Text=y\n  3 #Text=z\n");
    // Markup inside a section is text; an empty section holds nothing and makes no node.
    EXPECT_EQ(Load(doc, "<a><![CDATA[<b>&amp;</b>]]><![CDATA[]]></a>"),
              "1 a=\n  3 #Text=<b>&amp;</b>\n");
    // Line breaks in a section are normalised like everywhere else; a long section stays one.
    EXPECT_EQ(Load(doc, "<a><![CDATA[1\r\n2\r3\n4]]></a>"),
              "1 a=\n  3 #Text=1\\r\\n2\\r\\n3\\r\\n4\n");
    const QByteArray lines = QByteArray("line\r\n").repeated(5000);
    ASSERT_EQ(doc.LoadFromData("<a><![CDATA[" + lines + "]]></a>"), 0u);
    ASSERT_EQ(doc.Root()->ChildAt(0)->ChildCount(), 1);
    EXPECT_EQ(doc.Root()->ChildAt(0)->ChildAt(0)->Value(), QString::fromLatin1(lines));
}

TEST(LoaderTest, WhitespaceOnlyTextIsSkippedButMixedContentKeepsItsSpaces)
{
    XmlDocument doc;
    EXPECT_EQ(Load(doc, "<a> <b/>\n\t</a>"), "1 a=\n  1 b=\n");
    EXPECT_EQ(Load(doc, "<a>x <b/> y</a>"), "1 a=\n  3 #Text=x \n  1 b=\n  3 #Text= y\n");
    EXPECT_EQ(Load(doc, "<a> x </a>"), "1 a=\n  3 #Text= x \n");
}

TEST(LoaderTest, EveryLineBreakBecomesCrLf)
{
    XmlDocument doc;
    EXPECT_EQ(Load(doc, "<a t=\"1&#10;2\">1\n2\r\n3\r4</a>"),
              "1 a=\n  2 t=1\\r\\n2\n  3 #Text=1\\r\\n2\\r\\n3\\r\\n4\n");
    // A literal line break in an attribute value is normalised to a space by XML itself.
    EXPECT_EQ(Load(doc, "<a t=\"1\n2\"/>"), "1 a=\n  2 t=1 2\n");
    EXPECT_EQ(Load(doc, "<a><!--1\n2\r\n3--></a>"), "1 a=\n  8 #Comment=1\\r\\n2\\r\\n3\n");
    // A character reference to CR is content, not a line break.
    EXPECT_EQ(Load(doc, "<a>1&#13;2</a>"), "1 a=\n  3 #Text=1\\r2\n");
}

TEST(LoaderTest, EmptyElementsHaveNoChildrenAndFollowingElementsAreSiblings)
{
    XmlDocument doc;
    EXPECT_EQ(Load(doc, "<r><a/><b></b><c x='1'/><d/></r>"),
              "1 r=\n  1 a=\n  1 b=\n  1 c=\n    2 x=1\n  1 d=\n");
}

TEST(LoaderTest, EntityContentDtdDefaultsAndInstructionsShapeTheTreeAsMarkupSays)
{
    XmlDocument doc;
    // Entity text joins the text around it and its elements are ordinary (an empty tag in it
    // is an empty element); a DTD's comment and attribute defaults are no part of the tree;
    // an instruction is a node between the texts on either side; adjacent sections join.
    EXPECT_EQ(
        Load(doc, "<!DOCTYPE r [<!ENTITY e 'x<b/>y<c>z</c>'><!--dtd-->"
                  "<!ATTLIST r d CDATA 'default'>]>"
                  "<r a='1'>p&e;q<?pi?>s<![CDATA[c1]]><![CDATA[c2]]>&e;</r>"),
        "1 r=\n  2 a=1\n  3 #Text=px\n  1 b=\n  3 #Text=y\n  1 c=\n    3 #Text=z\n"
        "  3 #Text=q\n  7 pi=\n  3 #Text=s\n  3 #Text=c1c2\n  3 #Text=x\n  1 b=\n  3 #Text=y\n"
        "  1 c=\n    3 #Text=z\n");
}

TEST(LoaderTest, WhereTheReadersSlicesEndChangesNothing)
{
    const QString mixed = u"<?xml version='1.0' encoding='%1'?><!-- before -->"
                          "<!DOCTYPE a [<!ENTITY e 'x<b/>y'><!ATTLIST a d CDATA 'dv'>]>"
                          "<a xmlns='urn:x' xmlns:p='urn:p' p:x='1&amp;2' y=\"a&#10;b\">t&lt;1"
                          "<![CDATA[c]]><![CDATA[d]]>u<?pi data?>v<!--c--><p:b/>\r\n&e;&e;"
                          "<c>\u00e9\u20ac\U0001D11E</c><d>"_qs +
                          QString(u"long text "_qs).repeated(300) + u"</d></a><!-- after -->"_qs;
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QByteArray documents[] = {
        mixed.arg(u"UTF-8"_qs).toUtf8(),
        utf16(mixed.arg(u"UTF-16"_qs)),
        "<r a='" + QByteArray("v").repeated(3000) + "'>" + QByteArray("<e/>").repeated(500) +
            "</r>",
    };
    for (const QByteArray& xml : documents) {
        XmlDocument doc;
        const std::string whole = Load(doc, xml);
        ASSERT_FALSE(whole.empty());
        for (int bytes : {1, 2, 3, 5, 7, 13, 64, 511, 4096}) {
            EXPECT_EQ(LoadFile(doc, xml, bytes), whole) << "read in pieces of " << bytes;
            SliceSize slices(bytes);
            EXPECT_EQ(Load(doc, xml), whole) << bytes;
            // A broken document fails wherever its slices end.
            EXPECT_NE(doc.LoadFromData(xml.left(xml.size() - 3)), 0u) << bytes;
        }
    }
}

// libxml2 parses an internal subset only once it has seen its end, scanning for it again as
// more text comes; resumed inside a comment, the scan takes an apostrophe for a quote. Wherever
// the reader's first slice ends, the subset must load, and fail, as if it came whole.
TEST(LoaderTest, InternalSubsetCutBySlicesLoadsAndFailsAsIfWhole)
{
    XmlDocument doc;
    for (int fill = 1; fill < 700; ++fill) {
        const QByteArray subset = "<!DOCTYPE r [\n<!ENTITY e \"" + QByteArray(fill, 'x') +
                                  "\">\n<!-- a comment that says what it's for -->\n";
        ASSERT_EQ(doc.LoadFromData(subset + "]>\n<r>&e;</r>"), 0u) << fill;
        ASSERT_EQ(doc.Root()->ChildAt(0)->ChildAt(0)->ValueView().size(), fill);
        if (fill % 50 == 1) { // a file read in small pieces holds the subset until it is whole
            ASSERT_EQ(LoadFile(doc, subset + "]>\n<r>&e;</r>", 7),
                      "1 r=\n  3 #Text=" + std::string(size_t(fill), 'x') + "\n");
        }
        ASSERT_EQ(doc.LoadFromData(subset + "<!ENTITY bad '&#x1;'>\n]>\n<r/>"), 0xC00CE01Fu)
            << fill;
        ASSERT_EQ(doc.ErrorLine(), 4);
    }
}

// The parser gets the text in slices; nothing may depend on where a slice ends.
TEST(LoaderTest, NodesLongerThanTheReadersSlicesLoadWhole)
{
    const QByteArray text = QByteArray("0123456789 \xC3\xA9\xE2\x82\xAC ").repeated(20000);
    const QByteArray section = QByteArray("]]]<b>").repeated(30000);
    const QByteArray comment = QByteArray("- c ").repeated(30000);
    const QByteArray value = QByteArray("v&amp;").repeated(30000);
    QByteArray xml = "<r><t>" + text + "</t><c><![CDATA[" + section + "]]></c><m><!--" + comment +
                     "--></m><a v='" + value + "'/>";
    for (int i = 0; i < 20000; ++i)
        xml += "<e n='" + QByteArray::number(i) + "'>" + QByteArray::number(i) + "</e>";
    xml += "</r>";

    XmlDocument doc;
    ASSERT_EQ(doc.LoadFromData(xml), 0u);
    const XmlNode* root = doc.Root()->ChildAt(0);
    ASSERT_EQ(root->ChildCount(), 4 + 20000);
    auto only = [](const XmlNode* node) {
        EXPECT_EQ(node->ChildCount(), 1);
        return node->ChildCount() ? node->ChildAt(0)->Value() : QString();
    };
    EXPECT_EQ(only(root->ChildAt(0)), QString::fromUtf8(text));
    EXPECT_EQ(only(root->ChildAt(1)), QString::fromUtf8(section));
    EXPECT_EQ(only(root->ChildAt(2)), QString::fromUtf8(comment));
    EXPECT_EQ(only(root->ChildAt(3)), QString::fromUtf8(value).replace(u"&amp;"_qs, u"&"_qs));
    for (int i = 0; i < 20000; ++i) {
        const XmlNode* e = root->ChildAt(4 + i);
        ASSERT_EQ(e->ChildCount(), 2) << i;
        ASSERT_EQ(e->ChildAt(0)->Value(), QString::number(i));
        ASSERT_EQ(e->ChildAt(1)->Value(), QString::number(i));
    }
}

TEST(LoaderTest, NamespaceDeclarationsAreAttributesWithConsecutiveIds)
{
    XmlDocument doc;
    EXPECT_EQ(Load(doc, "<p:a xmlns:p=\"urn:p\" b=\"1\"><c xmlns=\"urn:d\" p:d=\"2\"/></p:a>"),
              "1 p:a=\n  2 xmlns:p=urn:p\n  2 b=1\n  1 c=\n    2 xmlns=urn:d\n    2 p:d=2\n");
    const XmlNode* a = doc.Root()->ChildAt(0);
    EXPECT_EQ(a->Id(), 0);
    EXPECT_EQ(a->Prefix(), u"p");
    EXPECT_EQ(a->LocalName(), u"a");
    EXPECT_EQ(a->ChildAt(0)->Id(), 1);
    EXPECT_EQ(a->ChildAt(0)->Prefix(), u"xmlns");
    EXPECT_EQ(a->ChildAt(0)->LocalName(), u"p");
    EXPECT_EQ(a->ChildAt(1)->Id(), 2);
    EXPECT_EQ(a->ChildAt(2)->Id(), 3);
    const XmlNode* defaultDecl = a->ChildAt(2)->ChildAt(0);
    EXPECT_TRUE(defaultDecl->Prefix().isEmpty());
    EXPECT_EQ(defaultDecl->LocalName(), u"xmlns");
    EXPECT_EQ(doc.FindNode(5)->QualifiedName(), u"p:d");
    // Names are interned: the declared prefix and its use share one string.
    EXPECT_EQ(&a->ChildAt(0)->LocalName(), &doc.FindNode(5)->Prefix());
}

TEST(LoaderTest, EveryLoadNumbersFromZeroAndReplacesTheTree)
{
    XmlDocument doc;
    doc.CreateNew();
    doc.CreateNew();
    ASSERT_GT(doc.NextId(), 1);
    EXPECT_EQ(Load(doc, "<a><b/></a>"), "1 a=\n  1 b=\n");
    EXPECT_EQ(doc.Root()->ChildAt(0)->Id(), 0);
    EXPECT_EQ(doc.NextId(), 2);
    EXPECT_EQ(Load(doc, "<c/>"), "1 c=\n");
    EXPECT_EQ(doc.Root()->ChildAt(0)->Id(), 0);
    EXPECT_EQ(doc.FindNode(1), nullptr);
    EXPECT_FALSE(doc.IsModified());
}

TEST(LoaderTest, ReadsEveryEncodingLibxml2Detects)
{
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>"
                                        "<a b=\"\u00e9\">\u00fc\u00df%2</a>");
    const QString astral = QStringLiteral("\U0001D11E\u20ac");
    const std::string expectedLatin = "1 a=\n  2 b=\u00e9\n  3 #Text=\u00fc\u00df\n";
    const std::string expectedFull = "1 a=\n  2 b=\u00e9\n  3 #Text=\u00fc\u00df\U0001D11E\u20ac\n";
    XmlDocument doc;

    EXPECT_EQ(Load(doc, text.arg(u"UTF-8"_qs, astral).toUtf8()), expectedFull);
    EXPECT_EQ(Load(doc, "\xEF\xBB\xBF" + text.arg(u"UTF-8"_qs, astral).toUtf8()), expectedFull);
    EXPECT_EQ(Load(doc, text.arg(u"ISO-8859-1"_qs, QString()).toLatin1()), expectedLatin);
    for (auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        const QByteArray bytes = encoder(text.arg(u"UTF-16"_qs, astral));
        EXPECT_EQ(Load(doc, bytes), expectedFull) << int(encoding);
    }
    // Without a declaration UTF-16 is known by its byte-order mark alone.
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    EXPECT_EQ(Load(doc, encoder(u"<a>\u00e9</a>"_qs)), "1 a=\n  3 #Text=\u00e9\n");
}

TEST(LoaderTest, DecodesUtf8AndRepairsWhatIsNotUtf8)
{
    char16_t out[64];
    const char good[] = "a\n\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E";
    qsizetype n = DocumentLoader::DecodeValue(good, sizeof good - 1, out);
    EXPECT_EQ(QStringView(out, n), u"a\r\n\u00e9\u20ac\U0001D11E");
    // Overlong forms, encoded surrogates, stray continuation bytes and a cut-off sequence.
    const char bad[] = "\xC0\xAF|\xED\xA0\x80|\x80|\xE2\x82";
    n = DocumentLoader::DecodeValue(bad, sizeof bad - 1, out);
    const QStringView decoded(out, n);
    EXPECT_FALSE(decoded.contains(u'\xD800'));
    EXPECT_TRUE(decoded.startsWith(u'\xFFFD'));
    EXPECT_TRUE(decoded.endsWith(u'\xFFFD'));
    EXPECT_EQ(decoded.count(u'|'), 3);
}

TEST(LoaderTest, LoadsFromDiskAndReportsWhatCannotBeOpened)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    XmlDocument doc;
    const QString path = WriteFile(dir, u"a.xml"_qs, "<a>\n<b/>\n</a>");
    EXPECT_EQ(doc.Load(path), 0u);
    EXPECT_EQ(Dump(doc.Root()), "1 a=\n  1 b=\n");

    // Missing file, directory, empty path: nothing read, no reader position.
    for (const QString& bad : {dir.filePath(u"missing.xml"_qs), dir.path(), QString()}) {
        EXPECT_EQ(doc.Load(bad), XE_CANNOT_OPEN_FILE) << bad.toStdString();
        EXPECT_EQ(doc.ErrorLine(), -1);
        EXPECT_EQ(doc.ErrorPosition(), -1);
        EXPECT_EQ(doc.Root()->ChildCount(), 0);
    }
    EXPECT_EQ(StatusMessageTable::MessageOf(XE_CANNOT_OPEN_FILE), u"Can not open file");
#ifdef Q_OS_UNIX
    // A FIFO would block a plain open until a writer came; it must fail at once instead.
    const QString fifo = dir.filePath(u"pipe.xml"_qs);
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(doc.Load(fifo), XE_CANNOT_OPEN_FILE);
    if (geteuid() != 0) {
        const QString locked = WriteFile(dir, u"locked.xml"_qs, "<a/>");
        QFile::setPermissions(locked, QFileDevice::Permissions());
        EXPECT_EQ(doc.Load(locked), XE_CANNOT_OPEN_FILE);
    }
    // A symbolic link to a document opens the document.
    const QString link = dir.filePath(u"link.xml"_qs);
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_EQ(doc.Load(link), 0u);
#endif
}

TEST(LoaderTest, NestingIsBoundedAtTwoHundredFiftySixElements)
{
    auto nested = [](int depth) {
        return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
    };
    XmlDocument doc;
    EXPECT_EQ(doc.LoadFromData(nested(256)), 0u);
    const XmlNode* node = doc.Root();
    int depth = 0;
    while (node->HasChildren()) {
        node = node->ChildAt(0);
        ++depth;
    }
    EXPECT_EQ(depth, 256);
    for (int tooDeep : {257, 258, 100000}) {
        EXPECT_EQ(doc.LoadFromData(nested(tooDeep)), XmlError::MaxElementDepth) << tooDeep;
        EXPECT_EQ(doc.ErrorLine(), 1);
        EXPECT_GT(doc.ErrorPosition(), 0);
    }
}

TEST(LoaderTest, FailureKeepsModifiedStateAndReportsReaderPosition)
{
    XmlDocument doc;
    doc.CreateNew();
    EXPECT_EQ(doc.LoadFromData("<a>\n  <b>\n</a>"), 0xC00CEE3Bu);
    EXPECT_EQ(doc.ErrorLine(), 3);
    EXPECT_GT(doc.ErrorPosition(), 0);
    EXPECT_TRUE(doc.IsModified()); // OnLoaded marks nothing saved after a failure
    EXPECT_EQ(doc.LoadFromData("<a/>"), 0u);
    EXPECT_EQ(doc.ErrorLine(), -1);
    EXPECT_EQ(doc.ErrorPosition(), -1);
}
