#include "editing/ItemEditLogic.h"
#include "EditingTestHelpers.h"

#include <gtest/gtest.h>

using namespace editing_test;

namespace {

struct Doc {
    XmlDocument doc;
    XmlNode* root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
    XmlNode* node = Add(doc, root, XmlNodeKind::Element, "a", {}, "x");
    XmlNode* text = Add(doc, root, XmlNodeKind::Text, "#Text", "t");

    ItemEditLogic::Result Edit(int column, const QString& typed, bool showPrefixes)
    {
        return ItemEditLogic::ApplyItemEdit(doc, node->Id(), column, typed, showPrefixes);
    }
};

} // namespace

TEST(ItemEditLogicTest, NameWithoutColonFollowsThePrefixDisplay)
{
    Doc shown;
    EXPECT_TRUE(shown.Edit(0, "b", true).accepted);
    EXPECT_TRUE(shown.node->Prefix().isEmpty());
    EXPECT_EQ(shown.node->LocalName(), QStringLiteral("b"));

    Doc hidden;
    EXPECT_TRUE(hidden.Edit(0, "b", false).accepted);
    EXPECT_EQ(hidden.node->QualifiedName(), QStringLiteral("x:b"));
}

TEST(ItemEditLogicTest, ColonSplitsAtTheFirstColonInEitherMode)
{
    for (bool showPrefixes : {true, false}) {
        Doc d;
        EXPECT_TRUE(d.Edit(0, "y:b", showPrefixes).accepted);
        EXPECT_EQ(d.node->Prefix(), QStringLiteral("y"));
        EXPECT_EQ(d.node->LocalName(), QStringLiteral("b"));
        EXPECT_TRUE(d.Edit(0, "y:b:c", showPrefixes).accepted);
        EXPECT_EQ(d.node->Prefix(), QStringLiteral("y"));
        EXPECT_EQ(d.node->LocalName(), QStringLiteral("b:c"));
        EXPECT_EQ(d.doc.History().Count(), 2);
    }
}

TEST(ItemEditLogicTest, InvalidNamesAreRefusedWithTheTypedTextInTheMessage)
{
    Doc d;
    for (const QString& typed : QStringList{"1a", "-a", "a b"}) {
        const ItemEditLogic::Result result = d.Edit(0, typed, true);
        EXPECT_FALSE(result.accepted);
        EXPECT_EQ(result.message, "\"" + typed + "\" is not valid name");
    }
    EXPECT_EQ(ItemEditLogic::InvalidNameMessage("%s x"),
              QStringLiteral("\"%s x\" is not valid name"));
    EXPECT_EQ(d.node->QualifiedName(), QStringLiteral("x:a"));
    EXPECT_EQ(d.doc.History().Count(), 0);
}

TEST(ItemEditLogicTest, ValuesTakeAnyTextAndReadOnlyCellsStayUnchanged)
{
    Doc d;
    EXPECT_TRUE(ItemEditLogic::ApplyItemEdit(d.doc, d.text->Id(), 1, "1 <&> x", true).accepted);
    EXPECT_EQ(d.text->Value(), QStringLiteral("1 <&> x"));
    EXPECT_TRUE(ItemEditLogic::ApplyItemEdit(d.doc, d.text->Id(), 0, "name", true).accepted);
    EXPECT_EQ(d.text->LocalName(), QStringLiteral("#Text"));
    EXPECT_TRUE(d.Edit(1, "v", true).accepted); // an element's value cell is read-only
    EXPECT_TRUE(d.node->Value().isEmpty());
    EXPECT_TRUE(ItemEditLogic::ApplyItemEdit(d.doc, -1, 0, "1bad", true).accepted);
    EXPECT_EQ(d.doc.History().Count(), 1);
}
