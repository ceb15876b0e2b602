#include "tools/ValidationWalk.h"
#include "ToolsTestData.h"

#include <gtest/gtest.h>

using namespace ToolsTestData;

namespace {

ValidationErrorPlace AtElement(int ordinal, const QString& attribute = {},
                               const QString& attributeNamespace = {})
{
    ValidationErrorPlace place;
    place.line = 1;
    place.elementOrdinal = ordinal;
    place.attributeLocalName = attribute;
    place.attributeNamespace = attributeNamespace;
    return place;
}

std::vector<int> Walk(const char* text, const ValidationErrorPlace& place,
                      QString* attribute = nullptr)
{
    return ValidationWalk::ChildIndexPath(QByteArray(text), place, attribute);
}

} // namespace

// libxml2 gives only a line; several elements on that line must still be told apart.
TEST(ValidationWalkTest, ElementsOnOneLineAreToldApartWithoutColumn)
{
    const char* text = R"(<r><a/><b x="1" y="2"/><c><d/></c></r>)";
    EXPECT_EQ(Walk(text, AtElement(0)), (std::vector<int>{0}));
    EXPECT_EQ(Walk(text, AtElement(1)), (std::vector<int>{0, 0}));
    QString attribute;
    EXPECT_EQ(Walk(text, AtElement(2), &attribute), (std::vector<int>{0, 1}));
    EXPECT_TRUE(attribute.isEmpty());
    EXPECT_EQ(Walk(text, AtElement(2, QStringLiteral("y")), &attribute), (std::vector<int>{0, 1}));
    EXPECT_EQ(attribute, QStringLiteral("y"));
    // The empty-element tags before <d> must not leave a deeper level behind.
    EXPECT_EQ(Walk(text, AtElement(4), &attribute), (std::vector<int>{0, 2, 0}));
    // An attribute the element does not have leaves the element selected.
    EXPECT_EQ(Walk(text, AtElement(2, QStringLiteral("z")), &attribute), (std::vector<int>{0, 1}));
    EXPECT_TRUE(attribute.isEmpty());
}

TEST(ValidationWalkTest, CountsNodesAsTheLoaderKeepsThem)
{
    // Skipped: declaration, document type, whitespace between elements of element-only
    // content. Counted: instructions, comments, CDATA text, other text, attributes
    // (declarations included) first, and every whitespace text of mixed content.
    const char* text = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e \"ent\">]>\n<?pi x?>\n"
                       "<!--top-->\n"
                       "<r xmlns:p=\"urn:p\" a=\"1\">\n"
                       "  <!--c-->\n"
                       "  <![CDATA[raw]]>\n"
                       "  text &e;\n"
                       "  <?inner?>\n"
                       "  <s/>\n"
                       "  <t p:k=\"v\"/>\n"
                       "</r>\n<!--after-->";
    EXPECT_EQ(Walk(text, AtElement(0)), (std::vector<int>{2}));
    // Children of r: xmlns:p, a, space, comment, space, CDATA text, text, instruction, space,
    // s, space, t, space.
    EXPECT_EQ(Walk(text, AtElement(1)), (std::vector<int>{2, 9}));
    QString attribute;
    EXPECT_EQ(Walk(text, AtElement(2, QStringLiteral("k"), QStringLiteral("urn:p")), &attribute),
              (std::vector<int>{2, 11}));
    EXPECT_EQ(attribute, QStringLiteral("p:k"));
    // The same local name in another namespace is a different attribute.
    Walk(text, AtElement(2, QStringLiteral("k")), &attribute);
    EXPECT_TRUE(attribute.isEmpty());

    // Element-only content drops its layout; a lone space and preserved space stay.
    const char* layout = "<r>\n  <a> </a>\n  <b xml:space=\"preserve\">\n    <c/>\n  </b>\n</r>";
    EXPECT_EQ(Walk(layout, AtElement(1)), (std::vector<int>{0, 0}));
    EXPECT_EQ(Walk(layout, AtElement(2)), (std::vector<int>{0, 1}));
    // Children of b: xml:space, space, c, space.
    EXPECT_EQ(Walk(layout, AtElement(3)), (std::vector<int>{0, 1, 2}));
}

TEST(ValidationWalkTest, LineOnlyPlaceStopsAtFirstNodeOnThatLine)
{
    const char* text = "<r>\n  <a/>\n  <b>\n    <c/>\n  </b>\n</r>";
    ValidationErrorPlace place;
    place.line = 4;
    EXPECT_EQ(Walk(text, place), (std::vector<int>{0, 1, 0}));
    place.line = 2;
    EXPECT_EQ(Walk(text, place), (std::vector<int>{0, 0}));
    // A place past the end reaches nothing rather than some unrelated node.
    place.line = 40;
    EXPECT_TRUE(Walk(text, place).empty());
}

TEST(ValidationWalkTest, UnknownOrUnreachablePlaceGivesEmptyPath)
{
    EXPECT_TRUE(Walk("<r/>", ValidationErrorPlace()).empty());
    EXPECT_TRUE(Walk("<r/>", AtElement(3)).empty());
    EXPECT_TRUE(Walk("<r><unclosed></r>", AtElement(5)).empty());
    EXPECT_TRUE(ValidationWalk::ChildIndexPath(QByteArray(), AtElement(0)).empty());
}

TEST(ValidationWalkTest, NodeIdPathFollowsIndicesAndStopsOutsideTheTree)
{
    XmlDocument doc;
    XmlNode* order = BuildOrder(doc, {{"a", "1"}, {"b", "2"}});
    const XmlNode* second = order->ChildAt(1);
    EXPECT_EQ(ValidationWalk::ToNodeIdPath(doc, {0, 1, 1}),
              (NodeIdPath{order->Id(), second->Id(), second->ChildAt(1)->Id()}));
    // An attribute is found by its name, wherever it stands among the children.
    EXPECT_EQ(ValidationWalk::ToNodeIdPath(doc, {0, 1}, QStringLiteral("qty")),
              (NodeIdPath{order->Id(), second->Id(), second->ChildAt(1)->Id()}));
    EXPECT_EQ(ValidationWalk::ToNodeIdPath(doc, {0, 1}, QStringLiteral("none")),
              (NodeIdPath{order->Id(), second->Id()}));
    // Past the existing children: the deepest node reached.
    EXPECT_EQ(ValidationWalk::ToNodeIdPath(doc, {0, 1, 7, 0}, QStringLiteral("sku")),
              (NodeIdPath{order->Id(), second->Id()}));
    EXPECT_TRUE(ValidationWalk::ToNodeIdPath(doc, {2}).empty());
    EXPECT_TRUE(ValidationWalk::ToNodeIdPath(doc, {-1}).empty());
    EXPECT_TRUE(ValidationWalk::ToNodeIdPath(doc, {}).empty());
}
