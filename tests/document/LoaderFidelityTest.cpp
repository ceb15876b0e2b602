#include "LoaderTestSupport.h"
#include "document/XmlDocument.h"
#include "document/XmlReader.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace loader_test;

namespace {

// Every node can be found by its ID and finds its own place among its siblings.
void ExpectIndexAndPositionsRight(const XmlDocument& doc, const XmlNode* node)
{
    for (int i = 0; i < node->ChildCount(); ++i) {
        const XmlNode* child = node->ChildAt(i);
        EXPECT_EQ(doc.FindNode(child->Id()), child);
        EXPECT_EQ(child->PositionHint(), i);
        ExpectIndexAndPositionsRight(doc, child);
    }
}

} // namespace

TEST(LoaderFidelityTest, DocumentTypeIsKeptAsWrittenWithLfLineBreaks)
{
    XmlDocument doc;
    const QByteArray doctype = "<!DOCTYPE r PUBLIC \"-//x//y\" 'sys]>[.dtd' [\r\n"
                               "  <!-- a ] comment > with 'quote -->\r"
                               "  <?pi in ] subset >?>\n"
                               "  <!ENTITY % p \"<!ELEMENT q ANY>\"> %p;\r\n"
                               "  <!ENTITY e \"v]>\">\n"
                               "] >";
    const QByteArray expected = QByteArray(doctype).replace("\r\n", "\n").replace('\r', '\n');
    const QByteArray xml = "\xEF\xBB\xBF<?xml version='1.0' standalone='no'?>\r\n<!--c-->"
                           "<?p?>\n" +
                           doctype + "\n<r>&e;</r>";
    EXPECT_EQ(Load(doc, xml), "8 #Comment=c\n7 p=\n1 r=\n  3 #Text=v]>\n");
    EXPECT_EQ(doc.DocumentType(), QString::fromUtf8(expected));
    EXPECT_EQ(doc.StandaloneDeclaration(), XmlDocument::Standalone::No);

    // The same in UTF-16 and in a legacy encoding, whose text is decoded to be found.
    QStringEncoder utf16(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    Load(doc,
         utf16(QString::fromUtf8(xml.mid(3)).replace(u"'1.0'"_qs, u"'1.0' encoding='UTF-16'"_qs)));
    EXPECT_EQ(doc.DocumentType(), QString::fromUtf8(expected));
    Load(doc, "<?xml version='1.0' encoding='ISO-8859-1' standalone='yes'?>"
              "<!DOCTYPE r [<!ENTITY e '\xe9'>]><r/>");
    EXPECT_EQ(doc.DocumentType(), u"<!DOCTYPE r [<!ENTITY e '\u00e9'>]>"_qs);
    EXPECT_EQ(doc.StandaloneDeclaration(), XmlDocument::Standalone::Yes);

    Load(doc, "<!DOCTYPE r SYSTEM \"r.dtd\"><r/>");
    EXPECT_EQ(doc.DocumentType(), u"<!DOCTYPE r SYSTEM \"r.dtd\">"_qs);
    EXPECT_EQ(doc.StandaloneDeclaration(), XmlDocument::Standalone::Omitted);
    Load(doc, "<r/>");
    EXPECT_TRUE(doc.DocumentType().isEmpty());

    // A long subset stays whole wherever the slices end.
    const QByteArray big =
        "<!DOCTYPE r [" + QByteArray("<!ENTITY e 'x'><!-- a comment -->").repeated(4000) + "]>";
    for (int bytes : {0, 7, 4096}) {
        SliceSize slices(bytes);
        Load(doc, big + "<r/>");
        EXPECT_EQ(doc.DocumentType(), QString::fromUtf8(big)) << bytes;
    }
}

TEST(LoaderFidelityTest, ProcessingInstructionsAreNodesOutsideTheSubset)
{
    XmlDocument doc;
    EXPECT_EQ(Load(doc, "<?a x\r\ny?><!DOCTYPE r [<?in subset?>]><r><?b?>t<?c  d ?></r><?e f?>"
                        "<!--after-->"),
              "7 a=x\\r\\ny\n1 r=\n  7 b=\n  3 #Text=t\n  7 c=d \n7 e=f\n8 #Comment=after\n");
    // The target is an interned name like any other.
    Load(doc, "<?t a?><r><?t b?></r>");
    EXPECT_EQ(&doc.Root()->ChildAt(0)->LocalName(),
              &doc.Root()->ChildAt(1)->ChildAt(0)->LocalName());
    EXPECT_TRUE(doc.Root()->ChildAt(0)->Prefix().isEmpty());
}

TEST(LoaderFidelityTest, WhitespaceIsKeptWhereItCarriesMeaning)
{
    XmlDocument doc;
    // Layout between elements goes; outside the document element it never is a node.
    EXPECT_EQ(Load(doc, " <r>\n  <a/>\n  <!--c-->\n</r>\n"), "1 r=\n  1 a=\n  8 #Comment=c\n");
    // An element's only content.
    EXPECT_EQ(Load(doc, "<r><a> </a><b>\n\t</b><c a='1'> </c><d> <![CDATA[]]> </d></r>"),
              "1 r=\n  1 a=\n    3 #Text= \n  1 b=\n    3 #Text=\\r\\n\t\n  1 c=\n    2 a=1\n"
              "    3 #Text= \n  1 d=\n    3 #Text=  \n");
    // Mixed content keeps every text, also those before the first that is not white space.
    EXPECT_EQ(Load(doc, "<r> <a/> <b/> x <c/> </r>"),
              "1 r=\n  3 #Text= \n  1 a=\n  3 #Text= \n  1 b=\n  3 #Text= x \n  1 c=\n"
              "  3 #Text= \n");
    EXPECT_EQ(Load(doc, "<r> <a/> <![CDATA[x]]></r>"),
              "1 r=\n  3 #Text= \n  1 a=\n  3 #Text= \n  3 #Text=x\n");
    // Whitespace-only CDATA is kept but makes nothing mixed.
    EXPECT_EQ(Load(doc, "<r><![CDATA[ ]]> <![CDATA[ ]]></r>"), "1 r=\n  3 #Text= \n  3 #Text= \n");
    EXPECT_EQ(Load(doc, "<r> <a/><![CDATA[ ]]> </r>"), "1 r=\n  1 a=\n  3 #Text= \n");
    // xml:space: the nearest declaration rules, "default" ends the scope.
    EXPECT_EQ(Load(doc, "<r xml:space='preserve'> <a> <b xml:space='default'> <c/> </b></a> </r>"),
              "1 r=\n  2 xml:space=preserve\n  3 #Text= \n  1 a=\n    3 #Text= \n    1 b=\n"
              "      2 xml:space=default\n      1 c=\n  3 #Text= \n");

    // Texts kept late stand in their places, and the ID index and position hints hold.
    QByteArray wide = "<r>";
    for (int i = 0; i < 300; ++i)
        wide += "\n <e/>";
    wide += "tail</r>";
    ASSERT_EQ(doc.LoadFromData(wide), 0u);
    const XmlNode* r = doc.Root()->ChildAt(0);
    ASSERT_EQ(r->ChildCount(), 601);
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(r->ChildAt(2 * i)->Value(), u"\r\n "_qs);
        EXPECT_EQ(r->ChildAt(2 * i + 1)->LocalName(), u"e"_qs);
    }
    EXPECT_EQ(r->ChildAt(600)->Value(), u"tail"_qs);
    EXPECT_EQ(doc.NextId(), 602);
    ExpectIndexAndPositionsRight(doc, doc.Root());
}

TEST(LoaderFidelityTest, CdataLineBreaksAreNormalisedPerSection)
{
    XmlDocument doc;
    EXPECT_EQ(Load(doc, "<r><![CDATA[a\r]]><![CDATA[\nb]]></r>"),
              "1 r=\n  3 #Text=a\\r\\n\\r\\nb\n");
    // A section the parser hands over in pieces: a CR LF pair split between two is one break.
    for (int at = 290; at < 310; ++at) {
        const QByteArray body = QByteArray(at, 'x') + "\r\n" + QByteArray(400, 'y') + "\r";
        const QByteArray xml = "<r><![CDATA[" + body + "]]><![CDATA[\nz]]></r>";
        for (int bytes : {0, 1, 5, 64}) {
            SliceSize slices(bytes);
            ASSERT_EQ(doc.LoadFromData(xml), 0u);
            const XmlNode* r = doc.Root()->ChildAt(0);
            ASSERT_EQ(r->ChildCount(), 1);
            EXPECT_EQ(r->ChildAt(0)->Value(),
                      QString(at, u'x') + u"\r\n"_qs + QString(400, u'y') + u"\r\n\r\nz"_qs)
                << at << ' ' << bytes;
        }
    }
}

TEST(LoaderFidelityTest, Utf16LineBreaksCutBetweenSlicesCountOnce)
{
    // Past the reader's first 4 kB, so a file read in small pieces moves its window on.
    const QString text = u"<?xml version='1.0' encoding='UTF-16'?>\r\n<r a='1\r\n2'>x\r\ny"
                         "<!--c\r\nd--><![CDATA[e\r\nf]]>\r\n<s>\r\n</s>"_qs +
                         u"<t>x\r\ny</t>"_qs.repeated(300) + u"</r>\r\n"_qs;
    XmlDocument doc;
    const std::string expected =
        Load(doc, QString(text).replace(u"UTF-16"_qs, u"UTF-8"_qs).toUtf8());
    for (auto order : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        for (bool bom : {true, false}) {
            QStringEncoder encoder(order, bom ? QStringConverter::Flag::WriteBom
                                              : QStringConverter::Flag::Default);
            const QByteArray bytes = encoder(text);
            for (int size = 1; size <= 61; ++size) {
                SliceSize slices(size);
                EXPECT_EQ(Load(doc, bytes), expected) << int(order) << bom << ' ' << size;
                // Nor where the bytes read so far end.
                EXPECT_EQ(LoadFile(doc, bytes, size), expected) << int(order) << bom << size;
            }
        }
    }
}

TEST(LoaderFidelityTest, NamespaceDeclarationsStandAsInTheStartTag)
{
    XmlDocument doc;
    EXPECT_EQ(Load(doc, "<r a='1' xmlns:p='urn:p' p:b='2' xmlns='urn:x'><e c='3' xmlns:q='urn:q'/>"
                        "</r>"),
              "1 r=\n  2 a=1\n  2 xmlns:p=urn:p\n  2 p:b=2\n  2 xmlns=urn:x\n  1 e=\n    2 c=3\n"
              "    2 xmlns:q=urn:q\n");
    // Declarations the DTD only defaults are no part of the tree.
    EXPECT_EQ(Load(doc, "<!DOCTYPE r [<!ATTLIST r xmlns CDATA #FIXED '' xmlns:d CDATA 'urn:d'>]>"
                        "<r a='1'/>"),
              "1 r=\n  2 a=1\n");
    // The xml prefix declared correctly is kept (libxml2 forgets it).
    EXPECT_EQ(Load(doc, "<r b='1'\txmlns:xml = \"http://www.w3.org/XML/1998/namespace\" c='>'/>"),
              "1 r=\n  2 b=1\n  2 xmlns:xml=http://www.w3.org/XML/1998/namespace\n  2 c=>\n");
    // In an entity's text too.
    EXPECT_EQ(Load(doc, "<!DOCTYPE r [<!ENTITY e \"<e x='1' xmlns='urn:e'/>\">]><r>&e;</r>"),
              "1 r=\n  1 e=\n    2 x=1\n    2 xmlns=urn:e\n");
}

TEST(LoaderFidelityTest, WhatLibxml2OnlyWarnsAboutLoadsAndPrefixFaultsStillFail)
{
    XmlDocument doc;
    for (const char* xml :
         {"<!DOCTYPE r [<!ENTITY e SYSTEM \"a b\">]><r/>", "<r xmlns=\"urn:caf\xc3\xa9\"/>",
          "<r xmlns:p=\"urn:\xc3\xbc\"/>", "<r xmlns=\"a b\"/>", "<r xmlns:p=\"rel\"/>"})
        EXPECT_EQ(doc.LoadFromData(xml), 0u) << xml;
    EXPECT_EQ(doc.LoadFromData("<p:r/>"), XmlError::UndeclaredPrefix);
    EXPECT_EQ(doc.LoadFromData("<r xmlns:p=\"\"/>"), 0xC00CEE66u);
    EXPECT_EQ(doc.LoadFromData("<r xmlns:xml=\"urn:x\"/>"), 0xC00CEE67u);
    EXPECT_EQ(doc.LoadFromData("<r xmlns:xmlns=\"urn:x\"/>"), 0xC00CEE68u);
}
