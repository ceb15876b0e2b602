#include "editing/NodePathText.h"
#include "EditingTestHelpers.h"

#include <gtest/gtest.h>

using namespace editing_test;

TEST(NodePathTextTest, PathTable)
{
    XmlDocument doc;
    XmlNode* root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
    XmlNode* ns = Add(doc, root, XmlNodeKind::Attribute, "x", "urn:a", "xmlns");
    XmlNode* item = Add(doc, root, XmlNodeKind::Element, "item");
    XmlNode* twin = Add(doc, root, XmlNodeKind::Element, "item");
    XmlNode* prefixed = Add(doc, root, XmlNodeKind::Element, "item", {}, "x");
    XmlNode* id = Add(doc, item, XmlNodeKind::Attribute, "id", "7");
    XmlNode* lang = Add(doc, item, XmlNodeKind::Attribute, "lang", "en", "xml");
    XmlNode* empty = Add(doc, item, XmlNodeKind::Attribute, "a");
    XmlNode* odd = Add(doc, item, XmlNodeKind::Attribute, "q", "a ]\"\r\n[b");
    XmlNode* text = Add(doc, item, XmlNodeKind::Text, "#Text", "t");
    XmlNode* comment = Add(doc, item, XmlNodeKind::Comment, "#Comment", "c");
    XmlNode* top = Add(doc, doc.Root(), XmlNodeKind::Comment, "#Comment", "top");

    auto path = [&](const XmlNode* node) { return GetNodePathText(doc, node->Id()); };
    EXPECT_EQ(path(root), QStringLiteral("//root"));
    EXPECT_EQ(path(item), QStringLiteral("//root/item"));
    EXPECT_EQ(path(twin), path(item));
    EXPECT_EQ(path(prefixed), QStringLiteral("//root/x:item"));
    EXPECT_EQ(path(id), QStringLiteral("//root/item[@id == 7]"));
    EXPECT_EQ(path(lang), QStringLiteral("//root/item[@xml:lang == en]"));
    EXPECT_EQ(path(empty), QStringLiteral("//root/item[@a == ]"));
    EXPECT_EQ(path(odd), QStringLiteral("//root/item[@q == a ]\"\r\n[b]"));
    EXPECT_EQ(path(text), QStringLiteral("//root/item"));
    EXPECT_EQ(path(comment), QStringLiteral("//root/item"));
    EXPECT_EQ(path(top), QStringLiteral("/"));
    EXPECT_EQ(path(ns), QStringLiteral("//root[@xmlns:x == urn:a]"));
    EXPECT_EQ(GetNodePathText(doc, 999), QString());
}
