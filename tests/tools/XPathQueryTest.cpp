// XPath queries on the document as it stands, their node results mapped back to our nodes.

#include "tools/XPathQuery.h"
#include "NodeRecords.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Type = XPathQueryResult::Type;

constexpr char kDocument[] = R"(<?xml version="1.0"?>
<!DOCTYPE r [<!ENTITY e "entity">]>
<r xmlns="urn:d" xmlns:p="urn:p" a="1">
  <p:x p:k="v" b="2">one<![CDATA[two]]>&e;</p:x>
  <x xmlns:p="urn:other" xmlns:q="urn:q"><p:y/><q:y/></x>
  <!--c--><?pi data?>
</r>
)";

std::vector<int32_t> Ids(const XPathQueryResult& result)
{
    std::vector<int32_t> ids;
    for (const auto& node : result.nodes)
        ids.push_back(node.id);
    return ids;
}

} // namespace

TEST(XPathQueryTest, NodeResultsMapToOurNodes)
{
    XmlDocument doc;
    ASSERT_EQ(doc.LoadFromData(QByteArray(kDocument)), 0);
    const XmlNode* r = doc.Root()->ChildAt(0);
    ASSERT_EQ(r->LocalName(), u"r");
    const XmlNode* px = r->ChildAt(3);
    XmlNode* x = r->ChildAt(4);
    ASSERT_EQ(px->QualifiedName(), u"p:x");

    // First declaration of a prefix wins; the default namespace gets "d".
    const std::vector<NamespaceScope::Declaration> expected{
        {u"p"_qs, u"urn:p"_qs}, {u"q"_qs, u"urn:q"_qs}, {u"d"_qs, u"urn:d"_qs}};
    EXPECT_EQ(XPathQuery::Bindings(doc), expected);

    XPathQueryResult result = XPathQuery::Run(doc, u"/d:r/p:x | //d:x | //q:y"_qs);
    ASSERT_EQ(result.type, Type::Nodes) << result.value.toStdString();
    EXPECT_EQ(Ids(result), (std::vector<int32_t>{px->Id(), x->Id(), x->ChildAt(3)->Id()}));
    EXPECT_EQ(result.nodes[0].name, u"p:x");

    // Attributes; the text made of a text, a CDATA section and an entity maps to the first.
    result = XPathQuery::Run(
        doc, u"//@p:k | //@b | //p:x/text() | //comment() | //processing-instruction()"_qs);
    ASSERT_EQ(result.type, Type::Nodes) << result.value.toStdString();
    EXPECT_EQ(Ids(result), (std::vector<int32_t>{px->ChildAt(0)->Id(), px->ChildAt(1)->Id(),
                                                 px->ChildAt(2)->Id(), r->ChildAt(5)->Id(),
                                                 r->ChildAt(6)->Id()}));
    EXPECT_EQ(result.nodes[2].value, u"one");

    // Namespace nodes: the declaration that binds them, wherever it stands; none for xml.
    result = XPathQuery::Run(doc, u"/d:r/namespace::p | //q:y/namespace::*"_qs);
    ASSERT_EQ(result.type, Type::Nodes) << result.value.toStdString();
    std::map<QString, int32_t> byName;
    for (const auto& node : result.nodes)
        byName[node.name + u'=' + node.value] = node.id;
    EXPECT_EQ(byName[u"xmlns:p=urn:p"_qs], r->ChildAt(1)->Id());
    EXPECT_EQ(byName[u"xmlns:p=urn:other"_qs], x->ChildAt(0)->Id());
    EXPECT_EQ(byName[u"xmlns:q=urn:q"_qs], x->ChildAt(1)->Id());
    EXPECT_EQ(byName[u"xmlns=urn:d"_qs], r->ChildAt(0)->Id());
    EXPECT_EQ(byName[u"xmlns:xml=http://www.w3.org/XML/1998/namespace"_qs], -1);

    // Unsaved edits count; empty texts left by edits join their run or have no node.
    XmlNode* y = doc.AppendChild(x, Record(XmlNodeKind::Element, u"y"_qs));
    const int32_t empty = doc.AppendChild(y, Record(XmlNodeKind::Text, u"#text"_qs))->Id();
    doc.AppendChild(y, Record(XmlNodeKind::Text, u"#text"_qs, u"new"_qs));
    result = XPathQuery::Run(doc, u"//d:y | //d:y/text()"_qs);
    EXPECT_EQ(Ids(result), (std::vector<int32_t>{y->Id(), empty}));
}

TEST(XPathQueryTest, ValuesAndErrors)
{
    XmlDocument doc;
    ASSERT_EQ(doc.LoadFromData(QByteArray(kDocument)), 0);
    XPathQueryResult result = XPathQuery::Run(doc, u"count(//*) * 2"_qs);
    EXPECT_EQ(result.type, Type::Number);
    EXPECT_EQ(result.value, u"10");
    result = XPathQuery::Run(doc, u"string(/d:r/@a)"_qs);
    EXPECT_EQ(result.type, Type::String);
    EXPECT_EQ(result.value, u"1");
    result = XPathQuery::Run(doc, u"boolean(//q:y)"_qs);
    EXPECT_EQ(result.type, Type::Boolean);
    EXPECT_EQ(result.value, u"true");
    result = XPathQuery::Run(doc, u"//*["_qs);
    EXPECT_EQ(result.type, Type::Error);
    EXPECT_TRUE(result.value.contains(u"Invalid"_qs)) << result.value.toStdString();
    result = XPathQuery::Run(doc, u"//z:y"_qs);
    EXPECT_EQ(result.type, Type::Error);
    EXPECT_TRUE(result.value.contains(u"namespace"_qs)) << result.value.toStdString();
}
