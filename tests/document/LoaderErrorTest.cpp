#include "document/LibxmlErrorMap.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "document/XmlReader.h"

#include <QStringEncoder>

#include <libxml/xmlerror.h>

#include <gtest/gtest.h>

namespace {

struct Malformed {
    const char* name;
    QByteArray xml;
    XmlStatus status;
    int line; // 0: not checked
    int column;
};

QByteArray Utf16LeWithBom(const QString& text)
{
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

std::vector<Malformed> Corpus()
{
    return {
        {"mismatched end tag", "<a>\n<b></a>", 0xC00CEE3B, 2, 8},
        {"unquoted attribute value", "<a x=1/>", 0xC00CEE24, 1, 6},
        {"unterminated attribute value", "<a x=\"1/>", 0xC00CEE24, 1, 0},
        {"'<' in attribute value", "<a x=\"<\"/>", 0xC00CEE26, 1, 7},
        {"duplicate attribute", "<a x=\"1\" x=\"2\"/>", 0xC00CEE3C, 1, 0},
        {"duplicate attribute through prefixes",
         "<a xmlns:p=\"u\" xmlns:q=\"u\" p:x=\"1\" q:x=\"2\"/>", 0xC00CEE3C, 1, 0},
        {"attribute without value", "<a x/>", 0xC00CEE25, 1, 0},
        {"undeclared prefix", "<a>\n  <p:b/>\n</a>", 0xC00CEE65, 2, 0},
        {"undeclared attribute prefix", "<a p:x=\"1\"/>", 0xC00CEE65, 1, 0},
        {"multiple colons", "<a:b:c xmlns:a=\"u\"/>", 0xC00CEE62, 1, 0},
        {"xmlns prefix redeclared", "<a xmlns:xmlns=\"u\"/>", 0xC00CEE68, 1, 0},
        {"xml prefix with another URI", "<a xmlns:xml=\"u\"/>", 0xC00CEE67, 1, 0},
        {"xml namespace bound elsewhere", "<a xmlns:p=\"http://www.w3.org/XML/1998/namespace\"/>",
         0xC00CEE69, 1, 0},
        {"xmlns namespace used", "<a xmlns:p=\"http://www.w3.org/2000/xmlns/\"/>", 0xC00CEE6A, 1,
         0},
        {"prefix bound to empty URI", "<a xmlns:p=\"\"/>", 0xC00CEE66, 1, 0},
        {"two root elements", "<a/>\n<b/>", 0xC00CEE3A, 2, 0},
        {"text after the root element", "<a/>text", 0xC00CEE2D, 1, 0},
        {"unclosed element at end of input", "<a>\n<b>", 0xC00CEE01, 0, 0},
        {"unclosed start tag", "<a", 0xC00CEE01, 0, 0},
        {"empty file", "", 0xC00CEE01, 0, 0},
        {"only whitespace", " \n ", 0xC00CEE01, 0, 0},
        {"only a comment", "<!-- c -->", 0xC00CEE01, 0, 0},
        {"illegal character", "<a>\x01</a>", 0xC00CEE2B, 1, 4},
        {"bytes that are not UTF-8", "<a>\xC3\x28</a>", 0xC00CEE2B, 1, 0},
        {"character reference to NUL", "<a>&#0;</a>", 0xC00CE01F, 1, 0},
        {"bad hexadecimal character reference", "<a>&#xZZ;</a>", 0xC00CE01E, 1, 0},
        {"bad decimal character reference", "<a>&#1a;</a>", 0xC00CE01D, 1, 0},
        {"character reference beyond Unicode", "<a>&#x110000;</a>", 0xC00CE01F, 1, 0},
        {"double hyphen in comment", "<a><!-- a -- b --></a>", 0xC00CEE2F, 1, 0},
        {"unterminated comment", "<a><!-- a </a>", 0xC00CEE2F, 0, 0},
        {"undeclared entity", "<a>&e;</a>", 0xC00CEE47, 1, 7},
        {"undeclared entity in attribute", "<a x=\"&e;\"/>", 0xC00CEE47, 1, 0},
        {"'&' without name", "<a x=\"&\"/>", 0xC00CEE39, 1, 0},
        {"missing semicolon", "<!DOCTYPE a [<!ENTITY e \"v\">]><a>&e</a>", 0xC00CEE22, 1, 0},
        {"unknown encoding", "<?xml version=\"1.0\" encoding=\"x-bogus\"?><a/>", 0xC00CEE02, 1, 0},
        {"UTF-8 mark, Latin-1 declared",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><a/>", 0xC00CEE03, 1, 31},
        {"UTF-16 mark, UTF-8 declared",
         Utf16LeWithBom(u"<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>"_qs), 0xC00CEE03, 1, 31},
        {"XML declaration not at the start", " <?xml version=\"1.0\"?><a/>", 0xC00CEE3D, 1, 0},
        {"processing instruction named xml", "<a><?xml x?></a>", 0xC00CEE3D, 1, 0},
        {"XML declaration without version", "<?xml encoding=\"UTF-8\"?><a/>", 0xC00CEE40, 1, 0},
        {"']]>' in content", "<a>]]></a>", 0xC00CEE4D, 1, 0},
        {"unterminated CDATA", "<a><![CDATA[x</a>", 0xC00CEE01, 0, 0},
        {"element name starting with a digit", "<1a/>", 0xC00CEE2C, 1, 2},
        {"missing '>' of end tag", "<a></a", 0xC00CEE23, 0, 0},
        {"unterminated DOCTYPE", "<!DOCTYPE a [<!ELEMENT a ANY>", 0xC00CEE01, 0, 0},
        {"entity whose text closes an open element",
         "<!DOCTYPE a [<!ENTITY e \"</a>\">]><a>&e;</a>", 0xC00CEE46, 1, 0},
        {"bad ENTITY declaration", "<!DOCTYPE a [<!ENTITY e>]><a/>", 0xC00CEE21, 1, 0},
        {"entity content not well formed", "<!DOCTYPE a [<!ENTITY e \"<b>\">]><a>&e;</a>",
         0xC00CEE46, 1, 0},
        {"unparsed entity referenced",
         "<!DOCTYPE a [<!NOTATION n SYSTEM \"n\"><!ENTITY e SYSTEM \"x\" NDATA n>]><a>&e;</a>",
         0xC00CEE48, 1, 0},
    };
}

} // namespace

TEST(LoaderErrorTest, MalformedInputFailsWithTheClosestStatusAndTheReaderPosition)
{
    for (const Malformed& m : Corpus()) {
        SCOPED_TRACE(m.name);
        XmlDocument doc;
        const XmlStatus status = doc.LoadFromData(m.xml);
        EXPECT_EQ(status, m.status) << std::hex << status;
        EXPECT_NE(StatusMessageTable::StringIdOf(status),
                  StatusMessageTable::InternalErrorStringId);
        EXPECT_GE(doc.ErrorLine(), 1);
        EXPECT_GE(doc.ErrorPosition(), 1);
        if (m.line) {
            EXPECT_EQ(doc.ErrorLine(), m.line);
        }
        if (m.column) {
            EXPECT_EQ(doc.ErrorPosition(), m.column);
        }
        EXPECT_FALSE(doc.IsModified());
    }
}

TEST(LoaderErrorTest, NodesBeforeAFailureStayForTheCallerToDiscard)
{
    XmlDocument doc;
    std::string big = "<r>";
    for (int i = 0; i < 2000; ++i)
        big += "<e i=\"" + std::to_string(i) + "\">text</e>";
    big += "<p:x/></r>";
    EXPECT_EQ(doc.LoadFromData(QByteArray::fromStdString(big)), XmlError::UndeclaredPrefix);
    ASSERT_EQ(doc.Root()->ChildCount(), 1);
    EXPECT_GT(doc.Root()->ChildAt(0)->ChildCount(), 0);
}

TEST(LoaderErrorTest, EveryLibxmlErrorCodeMapsToAFailureWithATableRow)
{
    // Parser codes 1..111 and the namespace codes: none may come out as success, as the
    // end-of-input signal 1, or as a status without a message row (bar out of memory).
    for (int code = 1; code <= 111; ++code) {
        const XmlStatus status = LibxmlErrorMap::StatusOf(XML_FROM_PARSER, code, "");
        EXPECT_TRUE(IsFailure(status)) << code;
        if (code != XML_ERR_NO_MEMORY && code != XML_ERR_USER_STOP) {
            EXPECT_NE(StatusMessageTable::StringIdOf(status),
                      StatusMessageTable::InternalErrorStringId)
                << code;
        }
    }
    for (int code = XML_NS_ERR_XML_NAMESPACE; code <= XML_NS_ERR_COLON; ++code) {
        EXPECT_NE(
            StatusMessageTable::StringIdOf(LibxmlErrorMap::StatusOf(XML_FROM_NAMESPACE, code, "")),
            StatusMessageTable::InternalErrorStringId)
            << code;
    }
    // Which errors end a load.
    EXPECT_TRUE(
        LibxmlErrorMap::IsFatal(XML_FROM_NAMESPACE, XML_NS_ERR_UNDEFINED_NAMESPACE, XML_ERR_ERROR));
    EXPECT_TRUE(
        LibxmlErrorMap::IsFatal(XML_FROM_PARSER, XML_WAR_UNDECLARED_ENTITY, XML_ERR_WARNING));
    EXPECT_FALSE(
        LibxmlErrorMap::IsFatal(XML_FROM_NAMESPACE, XML_WAR_NS_URI_RELATIVE, XML_ERR_WARNING));
    EXPECT_FALSE(LibxmlErrorMap::IsFatal(XML_FROM_VALID, 500, XML_ERR_ERROR));
    EXPECT_EQ(
        LibxmlErrorMap::StatusOf(XML_FROM_PARSER, XML_ERR_INTERNAL_ERROR,
                                 "Excessive depth in document: 256 use XML_PARSE_HUGE option"),
        XmlError::MaxElementDepth);
}

TEST(LoaderErrorTest, ByteOrderMarksAgreeingWithTheDeclarationPass)
{
    int line = 0;
    int column = 0;
    EXPECT_EQ(XmlReader::CheckByteOrderMark(
                  "\xEF\xBB\xBF<?xml version=\"1.0\" encoding='UTF-8'?><a/>", &line, &column),
              0u);
    EXPECT_EQ(
        XmlReader::CheckByteOrderMark(
            Utf16LeWithBom(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>"_qs), &line, &column),
        0u);
    // No declaration, or one without an encoding: the mark alone decides.
    EXPECT_EQ(XmlReader::CheckByteOrderMark("\xEF\xBB\xBF<a/>", &line, &column), 0u);
    EXPECT_EQ(
        XmlReader::CheckByteOrderMark("\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>", &line, &column),
        0u);
    EXPECT_EQ(XmlReader::CheckByteOrderMark("<?xml version=\"1.0\" encoding=\"latin1\"?><a/>",
                                            &line, &column),
              0u);
    XmlDocument doc;
    EXPECT_EQ(
        doc.LoadFromData(Utf16LeWithBom(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>"_qs)),
        0u);
}
