#include "config/LoadText.h"
#include "document/DocumentMessages.h"
#include "document/XmlDocument.h"
#include "document/XmlWriter.h"

#include "NodeRecords.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <functional>
#include <optional>

namespace {

constexpr XmlStatus kNameExpected = 0xC00CEE39u;
constexpr XmlStatus kColonInName = 0xC00CEE63u;
constexpr XmlStatus kXmlnsPrefixReserved = 0xC00CEE68u;
constexpr XmlStatus kEmptyPrefixUri = 0xC00CEF03u;
constexpr XmlStatus kInvalidDocument = 0xC00CEF0Bu;
constexpr XmlStatus kLeadingXml = 0xC00CEE3Eu;
constexpr XmlStatus kBadProcessingInstruction = 0xC00CEE4Au;

const QByteArray kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

XmlNode* Element(XmlDocument& doc, XmlNode* parent, const QString& local,
                 const QString& prefix = {})
{
    return doc.AppendChild(parent, Record(XmlNodeKind::Element, local, {}, prefix));
}
XmlNode* Attribute(XmlDocument& doc, XmlNode* parent, const QString& local, const QString& value,
                   const QString& prefix = {})
{
    return doc.AppendChild(parent, Record(XmlNodeKind::Attribute, local, value, prefix));
}
XmlNode* Text(XmlDocument& doc, XmlNode* parent, const QString& value)
{
    return doc.AppendChild(parent, Record(XmlNodeKind::Text, "#Text", value));
}
XmlNode* Comment(XmlDocument& doc, XmlNode* parent, const QString& value)
{
    return doc.AppendChild(parent, Record(XmlNodeKind::Comment, "#Comment", value));
}
XmlNode* Pi(XmlDocument& doc, XmlNode* parent, const QString& target, const QString& data)
{
    return doc.AppendChild(parent, Record(XmlNodeKind::ProcessingInstruction, target, data));
}

// What libxml2 (default options: every text kept) reads from `bytes`: for each element in
// document order, "name:" and its children, texts and sections by content, PIs as
// "?target data", other nodes as "<>"; null when the bytes do not parse.
std::optional<QStringList> LibxmlContent(const QByteArray& bytes)
{
    xmlDocPtr doc = xmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, nullptr, 0);
    if (!doc)
        return std::nullopt;
    QStringList out;
    std::function<void(xmlNodePtr)> walk = [&](xmlNodePtr element) {
        QString line = QString::fromUtf8(reinterpret_cast<const char*>(element->name)) + u':';
        for (xmlNodePtr child = element->children; child; child = child->next) {
            const QString content =
                QString::fromUtf8(reinterpret_cast<const char*>(child->content));
            if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
                line += u'[' + content + u']';
            else if (child->type == XML_PI_NODE)
                line += QStringLiteral("[?") +
                        QString::fromUtf8(reinterpret_cast<const char*>(child->name)) + u' ' +
                        content + u']';
            else
                line += QStringLiteral("[<>]");
        }
        out << line;
        for (xmlNodePtr child = element->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE)
                walk(child);
        }
    };
    walk(xmlDocGetRootElement(doc));
    xmlFreeDoc(doc);
    return out;
}

QByteArray Serialize(const XmlDocument& doc)
{
    QByteArray out;
    EXPECT_EQ(doc.SerializeDocument(out), XE_OK);
    return out;
}

// Runs a script against a fresh indented writer; returns the status of the last call and the
// bytes written.
struct WriteResult {
    XmlStatus status;
    QByteArray bytes;
};
WriteResult Write(const std::function<XmlStatus(XmlWriter&)>& script,
                  XmlWriter::Conformance conformance = XmlWriter::Conformance::Fragment)
{
    QByteArray out;
    XmlStatus status;
    {
        XmlWriter writer(out, conformance);
        writer.SetIndent(true);
        writer.SetLineBreak("\n");
        status = script(writer);
        if (status == XE_OK)
            status = writer.WriteEndDocument();
    }
    return {status, out};
}

} // namespace

TEST(WriterTest, NewDocumentIsDeclarationAndEmptyRootWithoutByteOrderMark)
{
    XmlDocument doc;
    doc.CreateNew();
    EXPECT_EQ(Serialize(doc), kDeclaration + "\n<Root_Node/>\n");
}

TEST(WriterTest, IndentsNestedMarkupAndWritesAttributesFirstWhereverTheyStand)
{
    XmlDocument doc;
    Comment(doc, doc.Root(), " head ");
    XmlNode* root = Element(doc, doc.Root(), "root");
    XmlNode* a = Element(doc, root, "a");
    Element(doc, a, "empty");
    Comment(doc, a, "c");
    Attribute(doc, a, "late", "1"); // inserted after the content
    XmlNode* b = Element(doc, root, "b");
    Text(doc, b, "text");
    Comment(doc, doc.Root(), "tail");
    EXPECT_EQ(Serialize(doc), kDeclaration + "\n<!-- head -->\n<root>\n  <a late=\"1\">\n"
                                             "    <empty/>\n    <!--c-->\n  </a>\n"
                                             "  <b>text</b>\n</root>\n<!--tail-->\n");
}

TEST(WriterTest, MixedContentKeepsItsExactText)
{
    XmlDocument doc;
    XmlNode* p = Element(doc, doc.Root(), "p");
    XmlNode* lead = Element(doc, p, "lead");
    Element(doc, lead, "x");
    Text(doc, p, "Hello ");
    XmlNode* em = Element(doc, p, "em");
    XmlNode* b = Element(doc, em, "b");
    Text(doc, b, "bold");
    Comment(doc, em, "note");
    Text(doc, p, " world");
    Comment(doc, p, "end");
    // Nothing is added anywhere in an element that holds text, nor below it.
    EXPECT_EQ(Serialize(doc), kDeclaration +
                                  "\n<p><lead><x/></lead>Hello "
                                  "<em><b>bold</b><!--note--></em> world<!--end--></p>\n");
}

TEST(WriterTest, ElementValueIsTextAfterTheChildren)
{
    XmlDocument doc;
    XmlNode* e = Element(doc, doc.Root(), "e");
    Element(doc, e, "child");
    doc.AssignValue(e, u"tail");
    EXPECT_EQ(Serialize(doc), kDeclaration + "\n<e><child/>tail</e>\n");
}

TEST(WriterTest, XmlSpacePreserveSuppressesIndentation)
{
    XmlDocument doc;
    XmlNode* root = Element(doc, doc.Root(), "root");
    XmlNode* pre = Element(doc, root, "pre");
    Attribute(doc, pre, "space", "preserve", "xml");
    XmlNode* inner = Element(doc, pre, "inner");
    Element(doc, inner, "deep");
    EXPECT_EQ(Serialize(doc), kDeclaration + "\n<root>\n  <pre xml:space=\"preserve\"><inner>"
                                             "<deep/></inner></pre>\n</root>\n");
}

TEST(WriterTest, EscapesTextAndMapsLineBreaksSoTheyLoadBackUnchanged)
{
    const WriteResult run = Write([](XmlWriter& w) {
        w.WriteStartElement(u"", u"t");
        return w.WriteString(u"a<b&c>d\"e'f\tg\r\nh\ri\nj]]>k");
    });
    ASSERT_EQ(run.status, XE_OK);
    EXPECT_EQ(run.bytes, "<t>a&lt;b&amp;c&gt;d\"e'f\tg\nh&#13;i\nj]]&gt;k</t>");
}

TEST(WriterTest, EscapesAttributeValuesAgainstNormalisation)
{
    const WriteResult run = Write([](XmlWriter& w) {
        w.WriteStartElement(u"", u"t");
        return w.WriteAttributeString(u"", u"v", u"a<b&c>d\"e'f\tg\r\nh\ri\nj\r\r\n");
    });
    ASSERT_EQ(run.status, XE_OK);
    // CR LF is one &#10; (the loader turns the LF back into CR LF); a lone CR stays a CR.
    EXPECT_EQ(run.bytes, "<t v=\"a&lt;b&amp;c>d&quot;e'f&#9;g&#10;h&#13;i&#10;j&#13;&#10;\"/>");
}

TEST(WriterTest, CommentsAreWrittenAsTheyAreOrRefusedAndCrLfBecomesALineBreak)
{
    const WriteResult run = Write([](XmlWriter& w) {
        w.WriteComment(u"-lead <&> ok");
        return w.WriteComment(u"one\r\ntwo\rthree\nfour");
    });
    ASSERT_EQ(run.status, XE_OK);
    EXPECT_EQ(run.bytes, "<!---lead <&> ok-->\n<!--one\ntwo\nthree\nfour-->");
    // Text a comment cannot hold is refused, never changed into something else.
    for (const char16_t* text : {u"a--b", u"ends-"})
        EXPECT_EQ(Write([&](XmlWriter& w) { return w.WriteComment(text); }).status, 0xC00CEE2Fu);
}

TEST(WriterTest, WindowsLineBreaksAreUsedForIndentationAndText)
{
    QByteArray out;
    {
        XmlWriter w(out);
        w.SetIndent(true);
        w.SetLineBreak("\r\n");
        w.WriteStartElement(u"", u"a");
        w.WriteStartElement(u"", u"b");
        w.WriteString(u"x\r\ny");
        w.WriteEndDocument();
    }
    EXPECT_EQ(out, "<a>\r\n  <b>x\r\ny</b>\r\n</a>\r\n");
}

TEST(WriterTest, EncodesNonAsciiAsUtf8InNamesValuesAndComments)
{
    const WriteResult run = Write([](XmlWriter& w) {
        w.WriteStartElement(u"", u"\u00e9l\u00e9ment");
        w.WriteAttributeString(u"", u"\u540d", u"\u4e2d\u6587 \U0001F600");
        w.WriteString(u"\u00fc\u20ac\U0001F600");
        w.WriteEndElement();
        return w.WriteComment(u"\u00df");
    });
    ASSERT_EQ(run.status, XE_OK);
    EXPECT_EQ(run.bytes, QStringView(u"<\u00e9l\u00e9ment \u540d=\"\u4e2d\u6587 \U0001F600\">"
                                     u"\u00fc\u20ac\U0001F600</\u00e9l\u00e9ment>\n<!--\u00df-->")
                             .toUtf8());
}

TEST(WriterTest, LongValuesAreEscapedAcrossInternalChunkBoundaries)
{
    // Line breaks, pairs and references straddling every position of a long value.
    QString value;
    QByteArray expected = "<t>";
    for (int i = 0; value.size() < 70000; ++i) {
        switch (i % 4) {
        case 0:
            value += u"\r\n";
            expected += "\n";
            break;
        case 1:
            value += u"\U0001F600";
            expected += "\xF0\x9F\x98\x80";
            break;
        case 2:
            value += u"<";
            expected += "&lt;";
            break;
        default:
            value += u"\r";
            expected += "&#13;";
            break;
        }
        if (i % 7 == 0) {
            value += u"x";
            expected += "x";
        }
    }
    expected += "</t>";
    const WriteResult run = Write([&](XmlWriter& w) {
        w.WriteStartElement(u"", u"t");
        return w.WriteString(value);
    });
    ASSERT_EQ(run.status, XE_OK);
    EXPECT_EQ(run.bytes, expected);
}

TEST(WriterTest, NamespaceDeclarationsAreWrittenInPlaceAndScopePrefixes)
{
    XmlDocument doc;
    XmlNode* root = Element(doc, doc.Root(), "root", "p");
    Attribute(doc, root, "a", "1");
    Attribute(doc, root, "xmlns", "urn:default");
    Attribute(doc, root, "p", "urn:p", "xmlns");
    XmlNode* same = Element(doc, root, "same");
    Attribute(doc, same, "xmlns", "urn:default"); // repeats the parent's: kept
    XmlNode* out = Element(doc, root, "out");
    Attribute(doc, out, "xmlns", ""); // leaves the default namespace: kept
    Element(doc, out, "x", "p");
    XmlNode* q = Element(doc, root, "q", "q");
    Attribute(doc, q, "attr", "v", "p");
    Attribute(doc, q, "q", "urn:q", "xmlns"); // declared after its use in the same start tag
    Attribute(doc, q, "lang", "en", "xml");
    EXPECT_EQ(Serialize(doc),
              kDeclaration + "\n<p:root a=\"1\" xmlns=\"urn:default\" xmlns:p=\"urn:p\">\n"
                             "  <same xmlns=\"urn:default\"/>\n  <out xmlns=\"\">\n    <p:x/>\n"
                             "  </out>\n  <q:q p:attr=\"v\" xmlns:q=\"urn:q\" xml:lang=\"en\"/>\n"
                             "</p:root>\n");
}

TEST(WriterTest, RefusesWhatWouldNotLoadWithTheTableStatus)
{
    struct Case {
        const char* what;
        std::function<XmlStatus(XmlWriter&)> script;
        XmlStatus expected;
    };
    auto element = [](QStringView prefix, QStringView local) {
        return [=](XmlWriter& w) { return w.WriteStartElement(prefix, local); };
    };
    auto attributes = [](std::vector<std::array<QStringView, 3>> list) {
        return [=](XmlWriter& w) {
            XmlStatus status = w.WriteStartElement(u"", u"e");
            for (const auto& a : list)
                status = w.WriteAttributeString(a[0], a[1], a[2]);
            return status == XE_OK ? w.WriteEndElement() : status;
        };
    };
    auto pi = [](QStringView target, QStringView data) {
        return [=](XmlWriter& w) { return w.WriteProcessingInstruction(target, data); };
    };
    auto prolog = [](std::function<void(XmlWriter&)> before) {
        return [=](XmlWriter& w) {
            before(w);
            return w.WriteDocumentType(u"<!DOCTYPE e>");
        };
    };
    const std::vector<Case> cases = {
        {"digit first", element(u"", u"1a"), XmlError::IllegalNameCharacter},
        {"space in name", element(u"", u"a b"), XmlError::IllegalNameCharacter},
        {"bad prefix", element(u"-p", u"a"), XmlError::IllegalNameCharacter},
        {"lone surrogate in name", element(u"", u"a\xD800"), XmlError::IllegalNameCharacter},
        {"empty name", element(u"", u""), kNameExpected},
        {"colon in local part", element(u"", u"a:b"), kColonInName},
        {"two colons", element(u"p", u"a:b"), XmlError::MultipleColons},
        {"undeclared element prefix", element(u"p", u"a"), XmlError::NamespaceNotDeclared},
        {"element prefix xmlns", element(u"xmlns", u"a"), kXmlnsPrefixReserved},
        {"undeclared attribute prefix", attributes({{u"p", u"a", u"1"}}),
         XmlError::NamespaceNotDeclared},
        {"duplicate attribute", attributes({{u"", u"a", u"1"}, {u"", u"a", u"2"}}),
         XmlError::DuplicateAttribute},
        {"duplicate default declaration",
         attributes({{u"", u"xmlns", u"urn:a"}, {u"", u"xmlns", u"urn:a"}}),
         XmlError::DuplicateAttribute},
        {"same expanded name",
         attributes({{u"xmlns", u"p", u"urn:u"},
                     {u"xmlns", u"q", u"urn:u"},
                     {u"p", u"x", u"1"},
                     {u"q", u"x", u"2"}}),
         XmlError::DuplicateAttribute},
        {"redefined xmlns", attributes({{u"xmlns", u"xmlns", u"urn:a"}}),
         XmlError::XmlnsPrefixRedefined},
        {"xml prefix rebound", attributes({{u"xmlns", u"xml", u"urn:a"}}), XmlError::XmlPrefixUri},
        {"xml URI on other prefix",
         attributes({{u"xmlns", u"p", u"http://www.w3.org/XML/1998/namespace"}}),
         XmlError::XmlUriPrefix},
        {"xml URI as default",
         attributes({{u"", u"xmlns", u"http://www.w3.org/XML/1998/namespace"}}),
         XmlError::XmlUriPrefix},
        {"xmlns URI", attributes({{u"xmlns", u"p", u"http://www.w3.org/2000/xmlns/"}}),
         XmlError::XmlnsUriReserved},
        {"prefix undeclared with empty URI", attributes({{u"xmlns", u"p", u""}}), kEmptyPrefixUri},
        {"control character in text",
         [](XmlWriter& w) {
             w.WriteStartElement(u"", u"e");
             return w.WriteString(u"a\x01");
         },
         XmlError::IllegalXmlCharacter},
        {"U+FFFE in attribute", attributes({{u"", u"a", u"\xFFFE"}}),
         XmlError::IllegalXmlCharacter},
        {"unpaired high surrogate in attribute", attributes({{u"", u"a", u"x\xD83D"}}),
         XmlError::InvalidSurrogatePair},
        {"unpaired low surrogate in comment",
         [](XmlWriter& w) { return w.WriteComment(u"\xDE00x"); }, XmlError::InvalidSurrogatePair},
        {"attribute outside a start tag",
         [](XmlWriter& w) {
             w.WriteStartElement(u"", u"e");
             w.WriteString(u"x");
             return w.WriteAttributeString(u"", u"a", u"1");
         },
         kInvalidDocument},
        {"end without element", [](XmlWriter& w) { return w.WriteEndElement(); }, kInvalidDocument},
        {"PI target with a colon", pi(u"a:b", u"d"), kColonInName},
        {"PI without target", pi(u"", u"d"), kNameExpected},
        {"PI target digit first", pi(u"1a", u""), XmlError::IllegalNameCharacter},
        {"PI target xml", pi(u"xml", u"version=\"1.0\""), kLeadingXml},
        {"PI target XmL", pi(u"XmL", u""), kLeadingXml},
        {"PI data closing early", pi(u"t", u"a?>b"), kBadProcessingInstruction},
        {"PI data control character", pi(u"t", u"a\x01"), XmlError::IllegalXmlCharacter},
        {"PI data lone surrogate", pi(u"t", u"a\xD800"), XmlError::InvalidSurrogatePair},
        {"document type in a fragment", prolog([](XmlWriter&) {}), kInvalidDocument},

        {"CDATA holding a lone CR",
         [](XmlWriter& w) {
             w.WriteStartElement(u"", u"e");
             return w.WriteCData(u"a\rb");
         },
         kInvalidDocument},
    };
    for (const Case& c : cases) {
        const WriteResult run = Write(c.script);
        EXPECT_EQ(run.status, c.expected) << c.what;
    }
    using C = XmlWriter::Conformance;
    auto afterRoot = prolog([](XmlWriter& w) {
        w.WriteStartElement(u"", u"e");
        w.WriteEndElement();
    });
    EXPECT_EQ(Write(afterRoot, C::Document).status, kInvalidDocument);
    auto inside = prolog([](XmlWriter& w) { w.WriteStartElement(u"", u"e"); });
    EXPECT_EQ(Write(inside, C::Document).status, kInvalidDocument);
    auto twice = prolog([](XmlWriter& w) { w.WriteDocumentType(u"<!DOCTYPE e>"); });
    EXPECT_EQ(Write(twice, C::Document).status, kInvalidDocument);
}

TEST(WriterTest, AcceptsTheNamespaceFormsThatAreAllowed)
{
    const WriteResult run = Write([](XmlWriter& w) {
        w.WriteStartElement(u"xml", u"e");
        w.WriteAttributeString(u"xmlns", u"xml", u"http://www.w3.org/XML/1998/namespace");
        w.WriteAttributeString(u"xmlns", u"p", u"urn:p");
        w.WriteAttributeString(u"", u"xmlns", u"");
        w.WriteAttributeString(u"p", u"x", u"1");
        w.WriteAttributeString(u"", u"x", u"2"); // no namespace: differs from p:x
        w.WriteAttributeString(u"xml", u"x", u"3");
        // Namespace names libxml2 loads though they are no strict URIs.
        w.WriteAttributeString(u"xmlns", u"i", u"urn:caf\u00e9");
        w.WriteAttributeString(u"xmlns", u"s", u"a b");
        w.WriteStartElement(u"p", u"\U00010000name");
        w.WriteEndElement();
        w.WriteEndElement();
        // Out of scope again after its element.
        return w.WriteStartElement(u"p", u"later");
    });
    EXPECT_EQ(run.status, XmlError::NamespaceNotDeclared);
    EXPECT_TRUE(run.bytes.startsWith(
        "<xml:e xmlns:xml=\"http://www.w3.org/XML/1998/namespace\" xmlns:p=\"urn:p\" xmlns=\"\" "
        "p:x=\"1\" x=\"2\" xml:x=\"3\" xmlns:i=\"urn:caf\xC3\xA9\" xmlns:s=\"a b\">"))
        << run.bytes.constData();
}

TEST(WriterTest, FirstFailureStopsTheWriter)
{
    QByteArray out;
    XmlWriter w(out);
    w.WriteStartElement(u"", u"e");
    EXPECT_EQ(w.WriteAttributeString(u"", u"bad name", u"1"), XmlError::IllegalNameCharacter);
    EXPECT_EQ(w.WriteString(u"more"), XmlError::IllegalNameCharacter);
    EXPECT_EQ(w.WriteEndDocument(), XmlError::IllegalNameCharacter);
    EXPECT_EQ(w.Flush(), XmlError::IllegalNameCharacter);
    EXPECT_FALSE(out.contains("more"));
}

TEST(WriterTest, DocumentConformanceNeedsExactlyOneRootAndNoTopLevelText)
{
    using C = XmlWriter::Conformance;
    auto twoRoots = [](XmlWriter& w) {
        w.WriteStartElement(u"", u"a");
        w.WriteEndElement();
        return w.WriteStartElement(u"", u"b");
    };
    EXPECT_EQ(Write(twoRoots, C::Document).status, kInvalidDocument);
    EXPECT_EQ(Write(twoRoots, C::Fragment).status, XE_OK);
    auto commentOnly = [](XmlWriter& w) { return w.WriteComment(u"c"); };
    EXPECT_EQ(Write(commentOnly, C::Document).status, kInvalidDocument);
    EXPECT_EQ(Write(commentOnly, C::Fragment).status, XE_OK);
    auto text = [](XmlWriter& w) { return w.WriteString(u"t"); };
    EXPECT_EQ(Write(text, C::Document).status, kInvalidDocument);
    EXPECT_EQ(Write(text, C::Fragment).bytes, "t");
}

TEST(WriterTest, AdjacentTextsAlternatePlainAndCDataSoTheyLoadBackApart)
{
    XmlDocument doc;
    XmlNode* a = Element(doc, doc.Root(), "a");
    Text(doc, a, "x");
    Text(doc, a, "y<");   // after plain text: CDATA
    Text(doc, a, "");     // writes nothing, the run goes on
    Text(doc, a, "z");    // after CDATA (which would join CDATA): plain
    Text(doc, a, "]]>w"); // CDATA split where it holds "]]>"
    Element(doc, a, "b");
    Text(doc, a, " \r\n "); // plain would leave the next to CDATA,
    Text(doc, a, "v\r");    // which cannot carry a lone CR: the run starts with CDATA for it
    XmlNode* c = Element(doc, a, "c");
    Text(doc, c, "p\r"); // two texts that only plain text can carry: written as one
    Text(doc, c, "q\r");
    XmlNode* d = Element(doc, a, "d");
    Text(doc, d, "");
    const QByteArray saved = Serialize(doc);
    EXPECT_EQ(saved, kDeclaration + "\n<a>x<![CDATA[y<]]>z<![CDATA[]]]]><![CDATA[>w]]><b/>"
                                    "<![CDATA[ \n ]]>v&#13;<c>p&#13;q&#13;</c><d/></a>\n");

    XmlDocument back;
    ASSERT_EQ(back.LoadFromData(saved), XE_OK);
    auto texts = [](const XmlNode* element) {
        QStringList values;
        for (const XmlNode* child : *element)
            values << (child->Kind() == XmlNodeKind::Text ? child->Value() : QStringLiteral("<>"));
        return values;
    };
    const XmlNode* loaded = back.Root()->begin()[0];
    EXPECT_EQ(texts(loaded),
              QStringList({"x", "y<", "z", "]]>w", "<>", " \r\n ", "v\r", "<>", "<>"}));
    EXPECT_EQ(texts(loaded->begin()[7]), QStringList({"p\rq\r"}));
    EXPECT_TRUE(XmlWriter::CanWriteAsCData(u"a\r\nb]]>"));
    EXPECT_FALSE(XmlWriter::CanWriteAsCData(u"a\rb"));
}

TEST(WriterTest, SerializeRefusesEmptyAndInvalidDocuments)
{
    XmlDocument doc;
    QByteArray out = "stale";
    EXPECT_EQ(doc.SerializeDocument(out), XE_INTERNAL);
    EXPECT_TRUE(out.isEmpty());

    XmlNode* root = Element(doc, doc.Root(), "root");
    Element(doc, root, "1bad");
    EXPECT_EQ(doc.SerializeDocument(out), XmlError::IllegalNameCharacter);

    XmlDocument onlyComment;
    Comment(onlyComment, onlyComment.Root(), "lonely");
    EXPECT_EQ(onlyComment.SerializeDocument(out), kInvalidDocument);
}

TEST(WriterTest, NodeToXmlTextGivesElementsWithTheirNamespacesAndOtherNodesBare)
{
    XmlDocument doc;
    XmlNode* root = Element(doc, doc.Root(), "root");
    Attribute(doc, root, "xmlns", "urn:d");
    Attribute(doc, root, "q", "urn:q", "xmlns");
    XmlNode* attr = Attribute(doc, root, "a", "1");
    XmlNode* comment = Comment(doc, root, "note");
    XmlNode* text = Text(doc, root, "t&");
    XmlNode* child = Element(doc, root, "child", "p");
    Attribute(doc, child, "p", "urn:p", "xmlns");
    XmlNode* inherited = Element(doc, root, "e");
    Attribute(doc, Element(doc, inherited, "x", "q"), "k", "v", "q");
    XmlNode* bad = Element(doc, root, "bad", "undeclared");

    const QString decl = QString::fromUtf8(kDeclaration);
    EXPECT_EQ(doc.NodeToXmlText(comment->Id()), QStringLiteral("note"));
    EXPECT_EQ(doc.NodeToXmlText(attr->Id()), QStringLiteral("1"));
    EXPECT_EQ(doc.NodeToXmlText(text->Id()), QStringLiteral("t&"));
    // Declarations in use from ancestors come along on the top element, once each.
    EXPECT_EQ(doc.NodeToXmlText(inherited->Id()),
              decl + "\n<e xmlns=\"urn:d\" xmlns:q=\"urn:q\">\n  <q:x q:k=\"v\"/>\n</e>");
    EXPECT_EQ(doc.NodeToXmlText(child->Id()), decl + "\n<p:child xmlns:p=\"urn:p\"/>");
    EXPECT_EQ(doc.NodeToXmlText(9999), QString());
    // A refused node gives nothing rather than a fragment cut off in the middle.
    EXPECT_EQ(doc.NodeToXmlText(bad->Id()), QString());
}

TEST(WriterTest, ErrorTextsFillPlaceholdersLiterally)
{
    EXPECT_EQ(SaveErrorText("/tmp/a%1%s.xml", XmlError::DuplicateAttribute),
              QStringLiteral("Can not save file: /tmp/a%1%s.xml.\nError: Duplicate attribute."));
    EXPECT_EQ(SaveErrorText("x.xml", 0x12345u),
              QStringLiteral("Can not save file: x.xml.\nError: Internal error."));
    EXPECT_EQ(LoadErrorText("f.xml", XE_CANNOT_OPEN_FILE, -1, -1),
              QStringLiteral("Error processing file: f.xml.\nCan not open file.\n"
                             "Line: -1, position: -1."));
    SetTextOverride([](int id, QString& text) {
        if (id != 216)
            return false;
        text = QStringLiteral("100%% sure: %s / %s / %s");
        return true;
    });
    EXPECT_EQ(SaveErrorText("p", XE_CANNOT_OPEN_FILE),
              QStringLiteral("100% sure: p / Can not open file / "));
    SetTextOverride({});
}

TEST(WriterTest, PrologCarriesStandaloneAndTheDocumentTypeAsStored)
{
    const QString doctype = "<!DOCTYPE r [\n  <!ENTITY e \"x\">\n  <?pi in subset?>\n]>";
    QByteArray out;
    {
        XmlWriter w(out);
        w.SetIndent(true);
        w.SetLineBreak("\r\n");
        w.WriteStartDocument(XmlWriter::Standalone::Yes);
        w.WriteComment(u"c"); // the prolog may hold comments before the declaration
        w.WriteDocumentType(doctype);
        w.WriteStartElement(u"", u"r");
        w.WriteString(u"t");
        EXPECT_EQ(w.WriteEndDocument(), XE_OK);
    }
    EXPECT_EQ(out,
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<!--c-->\r\n"
              "<!DOCTYPE r [\r\n  <!ENTITY e \"x\">\r\n  <?pi in subset?>\r\n]>\r\n<r>t</r>\r\n");
    EXPECT_TRUE(LibxmlContent(out));

    const WriteResult no = Write(
        [](XmlWriter& w) {
            w.WriteStartDocument(XmlWriter::Standalone::No);
            return w.WriteStartElement(u"", u"r");
        },
        XmlWriter::Conformance::Document);
    EXPECT_EQ(no.bytes, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<r/>\n");
}

TEST(WriterTest, ProcessingInstructionsAreWrittenWhereverTheyStand)
{
    XmlDocument doc;
    XmlNode* before = Pi(doc, doc.Root(), "xml-stylesheet", "href=\"s.xsl\" type=\"text/xsl\"");
    XmlNode* root = Element(doc, doc.Root(), "r");
    Pi(doc, root, "first", "");
    XmlNode* p = Element(doc, root, "p");
    Text(doc, p, "a");
    Pi(doc, p, "t", "x?y <&> ]]> \r\nline\rcr\nlf?"); // no references: taken literally
    Text(doc, p, "b");                                // parted from "a": both plain
    Pi(doc, doc.Root(), "after", "1");
    EXPECT_EQ(Serialize(doc), kDeclaration +
                                  "\n<?xml-stylesheet href=\"s.xsl\" type=\"text/xsl\"?>\n"
                                  "<r>\n  <?first?>\n  <p>a<?t x?y <&> ]]> \nline\ncr\n"
                                  "lf?"
                                  "?>b</p>\n</r>\n<?after 1?>\n");
    EXPECT_EQ(LibxmlContent(Serialize(doc)),
              QStringList(
                  {"r:[\n  ][?first ][\n  ][<>][\n]", "p:[a][?t x?y <&> ]]> \nline\ncr\nlf?][b]"}));
    EXPECT_EQ(doc.NodeToXmlText(before->Id()),
              kDeclaration + "\n<?xml-stylesheet href=\"s.xsl\" type=\"text/xsl\"?>");
}

TEST(WriterTest, WhitespaceOnlyTextGoesPlainWhereALoadKeepsItAndAsCDataElsewhere)
{
    XmlDocument doc;
    XmlNode* root = Element(doc, doc.Root(), "r");
    Text(doc, Element(doc, root, "only"), " \t"); // the element's only content
    XmlNode* lonely = Element(doc, root, "lonely");
    Text(doc, lonely, ""); // empty texts write nothing and do not count
    Text(doc, lonely, " ");
    XmlNode* mixed = Element(doc, root, "mixed");
    Element(doc, mixed, "b");
    Text(doc, mixed, " ");
    Element(doc, mixed, "i");
    Text(doc, mixed, ".");
    XmlNode* byValue = Element(doc, root, "byValue"); // its own value makes it mixed
    Element(doc, byValue, "b");
    Text(doc, byValue, " ");
    Element(doc, byValue, "i");
    doc.AssignValue(byValue, u"tail");
    XmlNode* list = Element(doc, root, "list"); // element content: layout on load
    Element(doc, list, "i");
    Text(doc, list, " ");
    XmlNode* noted = Element(doc, root, "noted"); // a comment is other content
    Comment(doc, noted, "n");
    Text(doc, noted, "\n");
    XmlNode* pre = Element(doc, root, "pre");
    Attribute(doc, pre, "space", "preserve", "xml");
    XmlNode* inner = Element(doc, pre, "in"); // preserve reaches down
    Element(doc, inner, "a");
    Text(doc, inner, " ");
    XmlNode* plain = Element(doc, pre, "d"); // "default" ends the scope
    Attribute(doc, plain, "space", "default", "xml");
    Element(doc, plain, "a");
    Text(doc, plain, " ");
    XmlNode* twice = Element(doc, root, "twice"); // no alternation: one joined section
    Element(doc, twice, "a");
    Text(doc, twice, " ");
    Text(doc, twice, "\r\n");
    const QByteArray saved = Serialize(doc);
    EXPECT_EQ(saved, kDeclaration +
                         "\n<r>\n  <only> \t</only>\n  <lonely> </lonely>\n"
                         "  <mixed><b/> <i/>.</mixed>\n  <byValue><b/> <i/>tail</byValue>\n"
                         "  <list><i/><![CDATA[ ]]></list>\n"
                         "  <noted><!--n--><![CDATA[\n]]></noted>\n"
                         "  <pre xml:space=\"preserve\"><in><a/> </in>"
                         "<d xml:space=\"default\"><a/><![CDATA[ ]]></d></pre>\n"
                         "  <twice><a/><![CDATA[ ]]><![CDATA[\n]]></twice>\n</r>\n");
    const std::optional<QStringList> read = LibxmlContent(saved);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->filter("twice:").value(0), "twice:[<>][ \n]");
    EXPECT_EQ(read->filter("mixed:").value(0), "mixed:[<>][ ][<>][.]");
}

TEST(WriterTest, NothingIsIndentedInsideAnElementThatHoldsText)
{
    XmlDocument doc;
    XmlNode* root = Element(doc, doc.Root(), "r");
    XmlNode* p = Element(doc, root, "p");
    Text(doc, Element(doc, p, "b"), "bold");
    Text(doc, p, " text");
    XmlNode* code = Element(doc, root, "code");
    Comment(doc, code, "n");
    Text(doc, code, "AB");
    XmlNode* blank = Element(doc, root, "blank"); // whitespace-only text counts
    Element(doc, blank, "x");
    Text(doc, blank, "\n");
    Pi(doc, blank, "t", "");
    EXPECT_EQ(Serialize(doc), kDeclaration + "\n<r>\n  <p><b>bold</b> text</p>\n"
                                             "  <code><!--n-->AB</code>\n"
                                             "  <blank><x/><![CDATA[\n]]><?t?></blank>\n</r>\n");
}
