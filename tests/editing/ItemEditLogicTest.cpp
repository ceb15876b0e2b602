#include "editing/ItemEditLogic.h"
#include "EditingTestHelpers.h"

#include <gtest/gtest.h>

using namespace editing_test;

namespace {

// <root xmlns:x="urn:x" xmlns:y="urn:y" id="1"><x:a/>t</root>
struct Doc {
    XmlDocument doc;
    XmlNode* root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
    XmlNode* declareX = Add(doc, root, XmlNodeKind::Attribute, "x", "urn:x", "xmlns");
    XmlNode* declareY = Add(doc, root, XmlNodeKind::Attribute, "y", "urn:y", "xmlns");
    XmlNode* id = Add(doc, root, XmlNodeKind::Attribute, "id", "1");
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
        // A second colon would leave a local name no file can hold.
        EXPECT_FALSE(d.Edit(0, "y:b:c", showPrefixes).accepted);
        EXPECT_EQ(d.node->QualifiedName(), QStringLiteral("y:b"));
        EXPECT_EQ(d.doc.History().Count(), 1);
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

TEST(ItemEditLogicTest, NamesAndTextsTheFileCouldNotHoldAreRefusedWithTheirReason)
{
    Doc d;
    auto rename = [&](const XmlNode* node, const QString& typed) {
        return ItemEditLogic::ApplyItemEdit(d.doc, node->Id(), 0, typed, true);
    };
    EXPECT_EQ(rename(d.node, "z:b").message,
              QStringLiteral("The prefix \"z\" is not declared here. Declare it first with an "
                             "xmlns:z attribute on this element or on one of its ancestors."));
    EXPECT_FALSE(rename(d.node, "xmlns:b").accepted);
    EXPECT_TRUE(rename(d.node, "xml:b").accepted);
    // A declaration on the element itself counts, as in the file.
    Add(d.doc, d.node, XmlNodeKind::Attribute, "z", "urn:z", "xmlns");
    EXPECT_TRUE(rename(d.node, "z:b").accepted);

    XmlNode* attribute = Add(d.doc, d.root, XmlNodeKind::Attribute, "New_Attribute", "");
    EXPECT_EQ(rename(attribute, "id").message,
              QStringLiteral("The element already has an attribute named \"id\"."));
    EXPECT_FALSE(rename(attribute, "xmlns:x").accepted);
    // A declaration must bind a namespace it may: never an empty one to a prefix.
    EXPECT_FALSE(rename(attribute, "xmlns:w").accepted);
    EXPECT_FALSE(ItemEditLogic::ApplyItemEdit(d.doc, d.declareX->Id(), 1, "", true).accepted);
    EXPECT_TRUE(rename(attribute, "x:id").accepted);
    // y:id is x:id as soon as both prefixes stand for one namespace.
    EXPECT_TRUE(ItemEditLogic::ApplyItemEdit(d.doc, d.declareY->Id(), 1, "urn:x", true).accepted);
    XmlNode* another = Add(d.doc, d.root, XmlNodeKind::Attribute, "other", "");
    EXPECT_FALSE(rename(another, "y:id").accepted);

    const int count = d.doc.History().Count();
    XmlNode* comment = Add(d.doc, d.root, XmlNodeKind::Comment, "#Comment", "c");
    XmlNode* instruction = Add(d.doc, d.root, XmlNodeKind::ProcessingInstruction, "t", "");
    for (const QString& text : {QStringLiteral("a -- b"), QStringLiteral("end-")})
        EXPECT_FALSE(ItemEditLogic::ApplyItemEdit(d.doc, comment->Id(), 1, text, true).accepted);
    EXPECT_FALSE(ItemEditLogic::ApplyItemEdit(d.doc, instruction->Id(), 1, "a?>b", true).accepted);
    for (const QString& text : {QStringLiteral("bell\x07"), QString(QChar(0xD800))})
        EXPECT_FALSE(ItemEditLogic::ApplyItemEdit(d.doc, d.text->Id(), 1, text, true).accepted);
    EXPECT_EQ(d.doc.History().Count(), count);
}

TEST(ItemEditLogicTest, ValuesTakeMarkupCharactersAndReadOnlyCellsStayUnchanged)
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
