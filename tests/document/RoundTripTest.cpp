#include "document/XmlDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A text form of a tree that shows everything the round trip must keep: kinds, prefixes,
// local names, values (line breaks made visible) and child order.
void Dump(const XmlNode* node, int depth, QString& out)
{
    for (const XmlNode* child : *node) {
        QString value = child->Value();
        value.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
        value.replace(u'\t', QStringLiteral("\\t"));
        out += QString(depth * 2, u' ') + QString::number(int(child->Kind())) + u' ' +
               child->Prefix() + u'|' + child->LocalName() + QStringLiteral(" [") + value +
               QStringLiteral("]\n");
        Dump(child, depth + 1, out);
    }
}

QString Dump(const XmlDocument& doc)
{
    QString out =
        QString::number(int(doc.StandaloneDeclaration())) + u' ' + doc.DocumentType() + u'\n';
    Dump(doc.Root(), 0, out);
    return out;
}

struct Sample {
    const char* name;
    QByteArray bytes;
};

QByteArray Utf16LeWithBom(const QString& text)
{
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

std::vector<Sample> Corpus()
{
    return {
        {"namespaces", "<?xml version=\"1.0\"?>\n"
                       "<r xmlns=\"urn:d\" xmlns:p=\"urn:p\" p:a=\"1\">\n"
                       "  <p:child xmlns:p=\"urn:other\" p:b=\"2\"><p:x/></p:child>\n"
                       "  <same xmlns=\"urn:d\"/>\n"
                       "  <none xmlns=\"\"><inner a=\"x\"/></none>\n"
                       "  <q:e xmlns:q=\"urn:q\" xml:lang=\"en\" q:z=\"z\" z=\"plain\"/>\n"
                       "</r>\n"},
        {"attributes", "<a v=\"x&#9;y&#10;z&#13;w &quot;q&quot; &apos;s&apos; &lt;&amp;&gt;\"\n"
                       "   w=\"line1\nline2\r\nline3\" u='\"double\"' t=\"tab\there\" e=\"\"\n"
                       "   crlf=\"a&#13;&#10;b\" gt=\"a>b\"/>"},
        {"mixed content", "<doc><p>Hello <b>bold</b> and <i>it<u>al</u></i>.</p>\n"
                          "<p>  leading and trailing  </p><p><b>x</b> <i>y</i></p>"
                          "<p>a<!--c-->b<?pi data?>c</p></doc>"},
        {"comments", "<!-- before -->\n<r><!--inside--><!---->"
                     "<!-- multi\nline\r\ncomment --><e/><!--a-b--></r>\n<!--after-->"},
        {"internal subset entities", "<?xml version=\"1.0\"?>\n"
                                     "<!DOCTYPE r [\n"
                                     "  <!ENTITY e \"entity text\">\n"
                                     "  <!ENTITY m \"<x a='1'>inner &amp; more</x>\">\n"
                                     "  <!ENTITY amp2 \"&#38;#38;\">\n"
                                     "  <!ATTLIST r d CDATA \"defaulted\">\n"
                                     "]>\n"
                                     "<r t=\"&e;\">&e; and &m; &amp2;</r>"},
        {"cdata", "<a>x<![CDATA[y <&> ]]]]>z<![CDATA[ ]]><b><![CDATA[\n  only\n]]></b>"
                  "<c><![CDATA[]]></c><d><![CDATA[\t]]><e/></d></a>"},
        {"utf16", Utf16LeWithBom(QStringLiteral(
                      "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
                      "<r \u540d=\"\u4e2d\u6587\">\u00fcml\u00e4ut \U0001F600 \u20ac</r>"))},
        {"non-ascii",
         QStringView(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><\u00e9l\u00e9ment "
                     u"\u00e5=\"\u00f8\"><\u0436>\u65e5\u672c\u8a9e \U00010348</\u0436>"
                     u"<!-- \u00a9 --></\u00e9l\u00e9ment>")
             .toUtf8()},
        {"latin1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\xe9\">caf\xe9</r>"},
        {"line breaks", "<r>\r\n  <t>one\r\ntwo\rthree\nfour&#13;five&#13;&#10;six</t>\r\n"
                        "  <u>\r\n    indented text\r\n  </u>\r\n</r>\r\n"},
        {"character references", "<r>&lt;tag&gt; &amp; &#x263A; &#65;&#x42; ]]&gt; &quot;</r>"},
        {"space preserve",
         "<r><pre xml:space=\"preserve\"><a/> <b>x</b></pre><n><deep><deeper/></deep></n></r>"},
        {"prolog and instructions",
         "<?xml version=\"1.0\" standalone=\"no\"?>\n<?xml-stylesheet href=\"s.xsl\"?>\n"
         "<!DOCTYPE r PUBLIC \"-//T//DTD r//EN\" \"r.dtd\" [\n<!ENTITY e \"ent\"> <!-- ']' -->\n"
         "<?pi in subset?>]>\n<r a=\"1\" xmlns=\"urn:d\" b=\"2\" xmlns:p=\"urn:p\">&e;<?in side?>"
         "<?bare?></r>\n<?after?>\n<!--end-->"},
        {"meaningful whitespace",
         "<r><sep> </sep><pre xml:space=\"preserve\">\n  <x> </x>\n  <y xml:space=\"default\">\n"
         "    <z/>\n  </y>\n</pre><p>\n  <b>bold</b> text</p><e><![CDATA[ ]]></e>"
         "<f><![CDATA[ ]]><x/><![CDATA[\t]]></f><g>\r\n\t</g><h> <!--c--> </h></r>"},
        {"attributes after content in tree order",
         "<r a=\"1\" xmlns:p=\"urn:p\" p:b=\"2\" xmlns=\"urn:x\"><e/></r>"},
    };
}

} // namespace

TEST(RoundTripTest, LoadSaveLoadKeepsTheTreeAndSavingAgainKeepsTheBytes)
{
    for (const Sample& sample : Corpus()) {
        SCOPED_TRACE(sample.name);
        XmlDocument first;
        ASSERT_EQ(first.LoadFromData(sample.bytes), XE_OK);
        QByteArray saved;
        ASSERT_EQ(first.SerializeDocument(saved), XE_OK);
        EXPECT_FALSE(saved.startsWith("\xEF\xBB\xBF"));

        XmlDocument second;
        ASSERT_EQ(second.LoadFromData(saved), XE_OK) << saved.constData();
        EXPECT_EQ(Dump(second), Dump(first)) << saved.constData();

        QByteArray again;
        ASSERT_EQ(second.SerializeDocument(again), XE_OK);
        EXPECT_EQ(again, saved);
    }
}

TEST(RoundTripTest, PrologAndTextAreWrittenAsTheyMean)
{
    XmlDocument doc;
    ASSERT_EQ(doc.LoadFromData("<?xml version='1.0' standalone='yes'?>\r\n"
                               "<!DOCTYPE r [\r\n<!ENTITY e 'x'>\r\n]>\r\n<?app go?>\r\n"
                               "<r><p>\n <b>bold</b> text</p><q>\n  <s/>\n</q></r>"),
              XE_OK);
    QByteArray saved;
    ASSERT_EQ(doc.SerializeDocument(saved), XE_OK);
    // The document type as it stood (line breaks aside), no indentation inside mixed content,
    // layout everywhere else, and a final line break.
    EXPECT_EQ(saved,
              QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                         "<!DOCTYPE r [\n<!ENTITY e 'x'>\n]>\n<?app go?>\n"
                         "<r>\n  <p>\n <b>bold</b> text</p>\n  <q>\n    <s/>\n  </q>\n</r>\n"));

    // Two whitespace sections parted only by layout cannot stay apart in any XML form; they
    // come back as one text holding both, never as nothing.
    ASSERT_EQ(doc.LoadFromData("<r><![CDATA[ ]]> <![CDATA[ ]]><x/></r>"), XE_OK);
    ASSERT_EQ(doc.SerializeDocument(saved), XE_OK);
    XmlDocument back;
    ASSERT_EQ(back.LoadFromData(saved), XE_OK);
    EXPECT_EQ(back.Root()->ChildAt(0)->ChildAt(0)->Value(), QStringLiteral("  "));
}

TEST(RoundTripTest, StoredLineBreaksAndReferencesComeBackExactly)
{
    XmlDocument doc;
    ASSERT_EQ(doc.LoadFromData("<a v=\"1&#10;2&#13;3&#13;&#10;4\">x\ny&#13;z</a>"), XE_OK);
    const XmlNode* a = doc.Root()->ChildAt(0);
    ASSERT_EQ(a->ChildCount(), 2);
    const QString attribute = a->ChildAt(0)->Value();
    const QString text = a->ChildAt(1)->Value();
    EXPECT_EQ(attribute, QStringLiteral("1\r\n2\r3\r\r\n4"));
    EXPECT_EQ(text, QStringLiteral("x\r\ny\rz"));

    QByteArray saved;
    ASSERT_EQ(doc.SerializeDocument(saved), XE_OK);
    XmlDocument back;
    ASSERT_EQ(back.LoadFromData(saved), XE_OK);
    EXPECT_EQ(back.Root()->ChildAt(0)->ChildAt(0)->Value(), attribute);
    EXPECT_EQ(back.Root()->ChildAt(0)->ChildAt(1)->Value(), text);
}

TEST(RoundTripTest, EditedValuesTheLoaderCannotProduceSettleAfterOneSave)
{
    // Values only edits make: a lone LF, adjacent and whitespace-only text nodes.
    XmlDocument doc;
    ASSERT_EQ(doc.LoadFromData("<r><!--c--><t>x</t><w><e/></w></r>"), XE_OK);
    XmlNode* r = doc.Root()->ChildAt(0);
    doc.AssignValue(r->ChildAt(1)->ChildAt(0), u"one\ntwo");
    XmlNodeData text;
    text.kind = XmlNodeKind::Text;
    text.localName = QStringLiteral("#Text");
    text.value = QStringLiteral("second");
    doc.AppendChild(r->ChildAt(1), text);
    text.value = QStringLiteral("  ");
    doc.AppendChild(r->ChildAt(2), text);

    QByteArray saved;
    ASSERT_EQ(doc.SerializeDocument(saved), XE_OK);
    XmlDocument back;
    ASSERT_EQ(back.LoadFromData(saved), XE_OK) << saved.constData();
    const XmlNode* br = back.Root()->ChildAt(0);
    EXPECT_EQ(br->ChildAt(0)->Value(), QStringLiteral("c"));
    ASSERT_EQ(br->ChildAt(1)->ChildCount(), 2); // adjacent texts stay two nodes
    EXPECT_EQ(br->ChildAt(1)->ChildAt(0)->Value(), QStringLiteral("one\r\ntwo"));
    EXPECT_EQ(br->ChildAt(1)->ChildAt(1)->Value(), QStringLiteral("second"));
    ASSERT_EQ(br->ChildAt(2)->ChildCount(), 2); // whitespace-only text beside markup survives
    EXPECT_EQ(br->ChildAt(2)->ChildAt(1)->Value(), QStringLiteral("  "));

    QByteArray again;
    ASSERT_EQ(back.SerializeDocument(again), XE_OK);
    EXPECT_EQ(again, saved);
}

TEST(RoundTripTest, SaveToDiskAndLoadGivesTheSameTree)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("round.xml");
    XmlDocument doc;
    ASSERT_EQ(doc.LoadFromData(Corpus()[0].bytes), XE_OK);
    ASSERT_EQ(doc.Save(path), XE_OK);
    EXPECT_FALSE(doc.IsModified());
    XmlDocument back;
    ASSERT_EQ(back.Load(path), XE_OK);
    EXPECT_EQ(Dump(back), Dump(doc));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes;
    ASSERT_EQ(back.SerializeDocument(bytes), XE_OK);
    EXPECT_EQ(file.readAll(), bytes);
}
