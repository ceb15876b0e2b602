// The exact XPath of every node, evaluated by libxml2 on the saved document, selects that node
// and nothing else.

#include "editing/ExactXPath.h"
#include "BenchData.h"
#include "NodeRecords.h"
#include "XmlConformanceSuite.h"
#include "document/NamespaceScope.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "tools/LibxmlTreeMap.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <gtest/gtest.h>

#include <iostream>
#include <optional>

namespace {

// Mixed content, adjacent text and CDATA, instructions and comments at both levels, default
// namespaces, a prefix bound to two namespaces on one path, quotes in values and a name XPath
// processors may not read.
constexpr char kHandMade[] = R"(<?xml version="1.0"?>
<!--first--><?top a?><?top b?>
<r xmlns:p="urn:p" xmlns:q="urn:p" a='it&apos;s "x"'>
  <p:e/><q:e/><e/><p:e p:at="1" xml:lang="en"/>
  <m>one<b/>two<![CDATA[three]]>four<!--c--><![CDATA[five]]><?pi x?>six<?pi y?><?other?></m>
  <d xmlns="urn:d"><e/><e xmlns="urn:other"/><e/><x:e xmlns:x="urn:d"/></d>
  <p:n xmlns:p="urn:p2"><p:n xmlns:p="urn:p"/></p:n>
  <u xmlns="urn:d"><v xmlns=""/></u><w xmlns='urn:"it&apos;s"'/><aͰ:w xmlns:aͰ="urn:w"/>
  <s xml:space="preserve">  <t/>  </s>
</r>
<!--last-->
)";

class Checker {
public:
    int checked = 0;
    QStringList failures;

    void CheckDocument(const QString& name, const XmlDocument& ours)
    {
        m_positions.Clear();
        QByteArray saved;
        ASSERT_EQ(ours.SerializeDocument(saved), 0) << name.toStdString();
        // XML_PARSE_NOCDATA merges a CDATA section into the text beside it, as XPath's data
        // model does; blanks are kept, so indentation shows up as text nodes to skip.
        xmlDocPtr theirs = xmlReadMemory(saved.constData(), int(saved.size()), nullptr, nullptr,
                                         XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOWARNING);
        ASSERT_NE(theirs, nullptr) << name.toStdString();
        m_name = name;
        m_ours = &ours;
        m_context = xmlXPathNewContext(theirs);
        WalkContent(ours.Root(), reinterpret_cast<xmlNodePtr>(theirs));
        xmlXPathFreeContext(m_context);
        xmlFreeDoc(theirs);
    }

private:
    QString m_name;
    const XmlDocument* m_ours = nullptr;
    xmlXPathContextPtr m_context = nullptr;
    SiblingPositions m_positions;

    void Fail(const XmlNode* node, const QString& expression, const QString& why)
    {
        if (failures.size() < 20)
            failures
                << QStringLiteral("%1 #%2 %3: %4").arg(m_name).arg(node->Id()).arg(expression, why);
    }

    // A declaration expects the namespace node for `prefix` of the element `expected`.
    void Expect(const XmlNode* node, const void* expected,
                std::optional<QString> prefix = std::nullopt)
    {
        ++checked;
        // One table of sibling positions for the whole walk, as the status bar keeps it.
        const ExactXPath path = GetExactXPath(*m_ours, node->Id(), &m_positions);
        xmlXPathRegisteredNsCleanup(m_context);
        for (const auto& binding : path.namespaces)
            xmlXPathRegisterNs(m_context, BAD_CAST binding.prefix.toUtf8().constData(),
                               BAD_CAST binding.uri.toUtf8().constData());
        xmlXPathObjectPtr result =
            xmlXPathEvalExpression(BAD_CAST path.expression.toUtf8().constData(), m_context);
        if (!result || result->type != XPATH_NODESET) {
            Fail(node, path.expression, QStringLiteral("no node set"));
        } else {
            const int size = xmlXPathNodeSetGetLength(result->nodesetval);
            const xmlNodePtr got = size ? result->nodesetval->nodeTab[0] : nullptr;
            // libxml2 hands out copies of namespace nodes, their element in `next`.
            bool same = got == expected;
            if (prefix && got && got->type == XML_NAMESPACE_DECL) {
                const xmlNsPtr ns = reinterpret_cast<xmlNsPtr>(got);
                same = ns->next == static_cast<const xmlNs*>(expected) &&
                       QString::fromUtf8(reinterpret_cast<const char*>(ns->prefix)) == *prefix;
            }
            if (size != 1 || !same)
                Fail(node, path.expression, QStringLiteral("%1 nodes, not the one").arg(size));
        }
        xmlXPathFreeObject(result);
    }

    // Both trees side by side, as the XPath query maps its results.
    void WalkContent(const XmlNode* ours, xmlNodePtr theirs)
    {
        LibxmlTreeMap::Walk(ours, theirs, [&](const XmlNode* child, xmlNodePtr match) {
            // libxml2 gives xmlns="" a namespace node too (XPath's model has none).
            if (child->Kind() == XmlNodeKind::Attribute && NamespaceScope::IsDeclaration(child))
                Expect(child, match, NamespaceScope::DeclaredPrefix(child));
            else
                Expect(child, match);
            return true;
        });
    }
};

// The valid cases the conformance test loads.
QStringList ValidSuiteFiles()
{
    QStringList files;
    for (const xmlconf::SuiteCase& c : xmlconf::ApplicableCases()) {
        if (c.type == u"valid")
            files << c.path;
    }
    return files;
}

} // namespace

TEST(ExactXPathTest, EveryNodeOfTheCorpusIsSelectedAlone)
{
    // The suite's DTDs make libxml2 warn, and the checks report what fails themselves.
    struct Quiet {
        Quiet()
        {
            xmlSetStructuredErrorFunc(nullptr, [](void*, xmlErrorPtr) {});
        }
        ~Quiet() { xmlSetStructuredErrorFunc(nullptr, nullptr); }
    } quiet;
    Checker checker;
    XmlDocument handMade;
    ASSERT_EQ(handMade.LoadFromData(QByteArray(kHandMade)), 0);
    checker.CheckDocument(u"hand-made"_qs, handMade);
    XmlDocument sample;
    ASSERT_EQ(sample.Load(QStringLiteral(TOVI_SOURCE_DIR "/examples/sample.xml")), 0);
    checker.CheckDocument(u"sample.xml"_qs, sample);
    // The benchmarks' inputs, small: namespaces and comments in records, mixed content in prose.
    for (const auto& [name, bytes] : {std::pair{u"records"_qs, BenchData::Records(64 * 1024)},
                                      std::pair{u"prose"_qs, BenchData::Prose(64 * 1024)}}) {
        XmlDocument doc;
        ASSERT_EQ(doc.LoadFromData(bytes), 0) << name.toStdString();
        checker.CheckDocument(name, doc);
    }
    // Many siblings, counted from a kept table: one name in three namespaces, written with and
    // without prefixes, some declared on the siblings themselves.
    QByteArray siblings = "<r xmlns:p='urn:p'>";
    for (int i = 0; i < 120; ++i) {
        const char* forms[] = {"<a/>", "<p:a/>", "<q:a xmlns:q='urn:p'/>", "<a xmlns='urn:d'/>",
                               "<p:a xmlns:p='urn:d'/>", "<b/>", "<!--c-->"};
        siblings += forms[i % 7];
    }
    siblings += "</r>";
    XmlDocument many;
    ASSERT_EQ(many.LoadFromData(siblings), 0);
    checker.CheckDocument(u"siblings"_qs, many);
    const QStringList suite = ValidSuiteFiles();
    if (suite.isEmpty())
        ADD_FAILURE() << "W3C suite not found under " << xmlconf::SuiteDir().toStdString();
    EXPECT_TRUE(suite.isEmpty() || suite.size() == 595) << suite.size();
    for (const QString& file : suite) {
        XmlDocument doc;
        ASSERT_EQ(doc.Load(file), 0) << file.toStdString();
        checker.CheckDocument(QFileInfo(file).fileName(), doc);
    }
    EXPECT_TRUE(checker.failures.isEmpty()) << checker.failures.join(u'\n').toStdString();
    std::cout << checker.checked << " nodes checked\n";
}

TEST(ExactXPathTest, StepsPositionsAndBindings)
{
    XmlDocument doc;
    ASSERT_EQ(doc.Load(QStringLiteral(TOVI_SOURCE_DIR "/examples/sample.xml")), 0);
    const XmlNode* library = doc.Root()->ChildAt(1);
    const XmlNode* secondBook = library->ChildAt(3)->ChildAt(2);
    ASSERT_EQ(secondBook->LocalName(), u"book");
    EXPECT_EQ(GetExactXPathText(doc, secondBook->ChildAt(1)->Id()),
              u"/library/section[1]/book[2]/@available"_qs);
    const ExactXPath title = GetExactXPath(doc, secondBook->ChildAt(2)->Id());
    EXPECT_EQ(title.expression, u"/library/section[1]/book[2]/dc:title"_qs);
    ASSERT_EQ(title.namespaces.size(), 1u);
    EXPECT_EQ(title.namespaces[0].prefix, u"dc"_qs);
    EXPECT_EQ(title.namespaces[0].uri, u"http://purl.org/dc/elements/1.1/"_qs);
    EXPECT_EQ(GetExactXPathText(doc, doc.Root()->ChildAt(0)->Id()), u"/comment()[1]"_qs);
    EXPECT_TRUE(GetExactXPathText(doc, 1 << 30).isEmpty());

    // Empty texts (left by edits) write nothing: they join the run beside them, or have no node.
    XmlDocument edited;
    XmlNode* e = edited.AppendChild(edited.Root(), Record(XmlNodeKind::Element, u"e"_qs));
    auto text = [&](const QString& value) {
        return edited.AppendChild(e, Record(XmlNodeKind::Text, u"#text"_qs, value))->Id();
    };
    const int32_t a = text(u"a"_qs), empty = text({}), b = text(u"b"_qs);
    edited.AppendChild(e, Record(XmlNodeKind::Comment, u"#comment"_qs, u"c"_qs));
    const int32_t alone = text({});
    for (int32_t id : {a, empty, b})
        EXPECT_EQ(GetExactXPathText(edited, id), u"/e/text()[1]"_qs);
    EXPECT_EQ(GetExactXPathText(edited, alone), u"/e/text()[false()]"_qs);

    EXPECT_EQ(XPathStringLiteral(u"a\"b"), u"'a\"b'"_qs);
    EXPECT_EQ(XPathStringLiteral(u"it's"), u"\"it's\""_qs);
    EXPECT_EQ(XPathStringLiteral(u"'a\"b''"), u"concat(\"'\", 'a\"b', \"''\")"_qs);
}
