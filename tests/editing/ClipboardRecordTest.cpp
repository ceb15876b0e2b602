#include "editing/ClipboardRecord.h"
#include "EditingTestHelpers.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace editing_test;

namespace {

void PutCount(QByteArray& out, uint32_t value)
{
    char bytes[4];
    qToLittleEndian<uint32_t>(value, bytes);
    out.append(bytes, 4);
}

void PutString(QByteArray& out, const QString& text)
{
    PutCount(out, uint32_t(text.size() + 1));
    for (QChar unit : text + QChar(0)) {
        char bytes[2];
        qToLittleEndian<uint16_t>(unit.unicode(), bytes);
        out.append(bytes, 2);
    }
}

// One record header as a foreign program might write it.
QByteArray Header(uint8_t kind, uint32_t children, const QString& local = "n",
                  const QString& value = {}, const QString& prefix = {})
{
    QByteArray out(1, char(kind));
    PutCount(out, children);
    PutString(out, prefix);
    PutString(out, local);
    PutString(out, value);
    return out;
}

// An element with two attributes, a text child and a nested element.
struct Tree {
    XmlDocument doc;
    XmlNode* e = Add(doc, doc.Root(), XmlNodeKind::Element, "e", {}, "p");
    Tree()
    {
        Add(doc, e, XmlNodeKind::Attribute, "id", "7");
        Add(doc, e, XmlNodeKind::Attribute, "lang", "en", "xml");
        Add(doc, e, XmlNodeKind::Text, "#Text", "a\r\nb");
        XmlNode* inner = Add(doc, e, XmlNodeKind::Element, "inner");
        Add(doc, inner, XmlNodeKind::Comment, "#Comment", "c");
    }
};

bool Decodes(const QByteArray& block)
{
    ClipboardRecord::Parsed parsed;
    const bool ok = ClipboardRecord::Decode(block, parsed);
    EXPECT_EQ(ok, !parsed.empty());
    return ok;
}

} // namespace

TEST(ClipboardRecordTest, TextRecordOfAbIs37BytesInA39ByteBlock)
{
    XmlDocument doc;
    XmlNode* e = Add(doc, doc.Root(), XmlNodeKind::Element, "e");
    const XmlNode* text = Add(doc, e, XmlNodeKind::Text, "#Text", "ab");
    EXPECT_EQ(ClipboardRecord::RecordSize(*text), 37);
    const QByteArray block = ClipboardRecord::EncodeBlock(*text);
    ASSERT_EQ(block.size(), 39);
    EXPECT_EQ(block.left(37), Header(3, 0, "#Text", "ab"));
}

TEST(ClipboardRecordTest, EncodesPreOrderAndDecodesBackIgnoringTrailingBytes)
{
    Tree t;
    QByteArray block = ClipboardRecord::EncodeBlock(*t.e);
    ASSERT_EQ(block.size(), ClipboardRecord::RecordSize(*t.e) + 2);
    EXPECT_TRUE(block.startsWith(Header(1, 4, "e", {}, "p") + Header(2, 0, "id", "7")));
    block.append("trailing garbage");
    ClipboardRecord::Parsed parsed;
    ASSERT_TRUE(ClipboardRecord::Decode(block, parsed));
    ASSERT_EQ(parsed.size(), 6u);
    EXPECT_EQ(parsed[0].childCount, 4u);
    EXPECT_EQ(parsed[2].prefix, QStringLiteral("xml"));
    EXPECT_EQ(parsed[3].value, QStringLiteral("a\r\nb"));
    EXPECT_EQ(parsed[5].kind, XmlNodeKind::Comment);

    XmlNode* target = Add(t.doc, t.doc.Root(), XmlNodeKind::Element, "target");
    const XmlNode* built = ClipboardRecord::Build(t.doc, target, 0, parsed);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(Dump(built), Dump(t.e));
}

TEST(ClipboardRecordTest, CarriedDeclarationsLeadTheTopAndAreCountedInTheSpareBytes)
{
    Tree t;
    const QByteArray plain = ClipboardRecord::EncodeBlock(*t.e);
    QByteArray block = ClipboardRecord::EncodeBlock(*t.e, {{"p", "urn:p"}, {{}, "urn:d"}});
    // An older reader sees two more declarations; the count sits where it finds spare bytes.
    EXPECT_TRUE(block.startsWith(Header(1, 6, "e", {}, "p") + Header(2, 0, "p", "urn:p", "xmlns") +
                                 Header(2, 0, "xmlns", "urn:d")));
    EXPECT_EQ(block.right(2), QByteArray("\x02\x00", 2));
    EXPECT_EQ(plain.right(2), QByteArray(2, '\0'));
    ClipboardRecord::Parsed parsed;
    ASSERT_TRUE(ClipboardRecord::Decode(block, parsed));
    EXPECT_TRUE(parsed[1].carried && parsed[2].carried);
    EXPECT_FALSE(parsed[3].carried);
    // A count the leading declarations cannot back marks nothing.
    block[block.size() - 2] = 3;
    ASSERT_TRUE(ClipboardRecord::Decode(block, parsed));
    EXPECT_FALSE(parsed[1].carried);
}

TEST(ClipboardRecordTest, EveryTruncationAndEveryMissingNulIsRefused)
{
    Tree t;
    const QByteArray block = ClipboardRecord::EncodeBlock(*t.e);
    const qsizetype record = block.size() - 2;
    for (qsizetype length = 0; length < record; ++length)
        EXPECT_FALSE(Decodes(block.left(length))) << "length " << length;
    EXPECT_TRUE(Decodes(block.left(record)));

    // A string whose last counted unit is not NUL, in each field, at the top and nested.
    for (int field = 0; field < 3; ++field) {
        QByteArray bad(1, char(3));
        PutCount(bad, 0);
        for (int f = 0; f < 3; ++f) {
            if (f == field) {
                PutCount(bad, 2);
                bad.append("a\0b\0", 4);
            } else {
                PutString(bad, "s");
            }
        }
        EXPECT_FALSE(Decodes(bad)) << "field " << field;
        EXPECT_FALSE(Decodes(Header(1, 1) + bad)) << "nested field " << field;
    }
    // An embedded NUL cuts the text short but is not an error.
    QByteArray cut(1, char(3));
    PutCount(cut, 0);
    PutString(cut, "");
    PutString(cut, "#Text");
    PutCount(cut, 3);
    cut.append("a\0\0\0\0\0", 6);
    ClipboardRecord::Parsed parsed;
    ASSERT_TRUE(ClipboardRecord::Decode(cut, parsed));
    EXPECT_EQ(parsed[0].value, QStringLiteral("a"));
}

TEST(ClipboardRecordTest, RefusesForeignKindsAndChildrenOutsideElements)
{
    EXPECT_TRUE(Decodes(Header(8, 0, "#Comment", "x")));
    EXPECT_TRUE(Decodes(Header(7, 0, "target", "data")));
    for (uint8_t kind : {0, 4, 5, 9, 200, 255})
        EXPECT_FALSE(Decodes(Header(kind, 0))) << int(kind);
    EXPECT_FALSE(Decodes(Header(1, 1) + Header(0, 0)));
    EXPECT_FALSE(Decodes(Header(2, 1) + Header(3, 0)));
    EXPECT_FALSE(Decodes(Header(3, 1) + Header(3, 0)));
    EXPECT_TRUE(Decodes(Header(1, 1) + Header(3, 0)));
}

TEST(ClipboardRecordTest, HostileCountsAndNestingAreBounded)
{
    EXPECT_FALSE(Decodes(Header(1, 0xFFFFFFFFu)));
    EXPECT_FALSE(Decodes(Header(1, 2) + Header(3, 0))); // promises more than it holds
    QByteArray hugeString(1, char(3));
    PutCount(hugeString, 0);
    PutCount(hugeString, 0x80000000u);
    hugeString.append(QByteArray(16, '\0'));
    EXPECT_FALSE(Decodes(hugeString));
    QByteArray emptyStrings(1, char(3)); // counts of 0 are empty strings
    emptyStrings.append(QByteArray(16, '\0'));
    EXPECT_TRUE(Decodes(emptyStrings));

    auto nested = [](int depth) {
        QByteArray out;
        for (int i = 1; i < depth; ++i)
            out += Header(1, 1);
        return out + Header(1, 0);
    };
    EXPECT_TRUE(Decodes(nested(ClipboardRecord::kMaxDepth)));
    EXPECT_FALSE(Decodes(nested(ClipboardRecord::kMaxDepth + 1)));
    EXPECT_FALSE(Decodes(nested(100000)));
}
