#include "tools/SchemaValidator.h"
#include "ToolsTestData.h"
#include "document/StatusMessageTable.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ToolsTestData;

namespace {

const QString kOrderSchema = DataPath(QStringLiteral("order.xsd"));

NodeIdPath PathOf(const XmlDocument& doc, const XmlNode* node)
{
    NodeIdPath path;
    doc.GetIdPath(node->Id(), path);
    return path;
}

// order > item(sku, qty; part code="x" empty; price) , text, comment, item(sku, qty)
struct TwoItemOrder {
    XmlDocument doc;
    XmlNode* order = nullptr;
    XmlNode* first = nullptr;
    XmlNode* second = nullptr;
    XmlNode* secondQty = nullptr;
    XmlNode* secondPrice = nullptr;

    TwoItemOrder()
    {
        order = Element(doc, doc.Root(), QStringLiteral("order"));
        first = Element(doc, order, QStringLiteral("item"));
        Attribute(doc, first, QStringLiteral("sku"), QStringLiteral("A-1"));
        Attribute(doc, first, QStringLiteral("qty"), QStringLiteral("2"));
        Text(doc, first, QStringLiteral("first item"));
        XmlNode* part = Element(doc, first, QStringLiteral("part"));
        Attribute(doc, part, QStringLiteral("code"), QStringLiteral("x"));
        Add(doc, Element(doc, first, QStringLiteral("price")), XmlNodeKind::Text,
            QStringLiteral("#Text"), QStringLiteral("9.50"));
        Text(doc, order, QStringLiteral("between the items"));
        Comment(doc, order, QStringLiteral(" a comment "));
        second = Element(doc, order, QStringLiteral("item"));
        Attribute(doc, second, QStringLiteral("sku"), QStringLiteral("B-2"));
        secondQty = Attribute(doc, second, QStringLiteral("qty"), QStringLiteral("1"));
        Element(doc, second, QStringLiteral("part"));
        secondPrice = Element(doc, second, QStringLiteral("price"));
        Text(doc, secondPrice, QStringLiteral("3"));
        doc.OnLoaded(XE_OK);
    }
};

} // namespace

TEST(SchemaValidatorTest, ValidDocumentSucceedsAndStaysUnmodified)
{
    TwoItemOrder fixture;
    SchemaValidator validator;
    EXPECT_EQ(validator.RunValidation(fixture.doc, kOrderSchema), XE_OK);
    EXPECT_TRUE(validator.ErrorText().isEmpty());
    EXPECT_FALSE(validator.PositionKnown());
    EXPECT_TRUE(validator.ErrorNodePath().empty());
    EXPECT_FALSE(fixture.doc.IsModified());
    EXPECT_EQ(fixture.order->ChildCount(), 4);
}

TEST(SchemaValidatorTest, InvalidAttributeOnSecondChildSelectsThatAttribute)
{
    TwoItemOrder fixture;
    // An unsaved edit: validation must see the tree, not a file.
    ASSERT_TRUE(fixture.doc.SetNodeValue(fixture.secondQty->Id(), QStringLiteral("zero")));
    SchemaValidator validator;
    ASSERT_EQ(validator.RunValidation(fixture.doc, kOrderSchema), XE_VALIDATION_FAILED);
    EXPECT_TRUE(validator.ErrorText().contains(QStringLiteral("qty")))
        << validator.ErrorText().toStdString();
    EXPECT_TRUE(validator.ErrorText().contains(QStringLiteral("zero")));
    EXPECT_TRUE(validator.PositionKnown());
    EXPECT_GT(validator.ErrorLine(), 1);
    // libxml2 gives no column for errors found in a tree.
    EXPECT_EQ(validator.ErrorColumn(), -1);
    // The text, the comment and the empty <part/> before it do not shift the selection.
    EXPECT_EQ(validator.ErrorNodePath(), PathOf(fixture.doc, fixture.secondQty));
    EXPECT_TRUE(fixture.doc.IsModified());

    // Undoing the edit makes the same document valid again.
    ASSERT_TRUE(fixture.doc.History().Undo());
    EXPECT_EQ(validator.RunValidation(fixture.doc, kOrderSchema), XE_OK);
    EXPECT_TRUE(validator.ErrorNodePath().empty());
}

TEST(SchemaValidatorTest, InvalidContentSelectsTheElementAfterEmptyElements)
{
    TwoItemOrder fixture;
    XmlNode* priceText = fixture.secondPrice->ChildAt(0);
    ASSERT_TRUE(fixture.doc.SetNodeValue(priceText->Id(), QStringLiteral("cheap")));
    SchemaValidator validator;
    ASSERT_EQ(validator.RunValidation(fixture.doc, kOrderSchema), XE_VALIDATION_FAILED);
    EXPECT_EQ(validator.ErrorNodePath(), PathOf(fixture.doc, fixture.secondPrice));

    // An element the schema does not know, after an empty-element tag at the same level.
    TwoItemOrder other;
    XmlNode* stray = Element(other.doc, other.second, QStringLiteral("stray"));
    ASSERT_EQ(validator.RunValidation(other.doc, kOrderSchema), XE_VALIDATION_FAILED);
    EXPECT_TRUE(validator.ErrorText().contains(QStringLiteral("stray")));
    EXPECT_EQ(validator.ErrorNodePath(), PathOf(other.doc, stray));
}

// Without a column, two elements on the error line would be confused by position alone.
TEST(SchemaValidatorTest, LineWithoutColumnStillSelectsTheRightElement)
{
    XmlDocument doc;
    XmlNode* order = BuildOrder(doc, {{"a", "1"}, {"b", "-4"}, {"c", "3"}});
    const QByteArray oneLine =
        R"(<order><item sku="a" qty="1"/><item sku="b" qty="-4"/><item sku="c" qty="3"/></order>)";
    SchemaValidator validator;
    ASSERT_EQ(validator.RunValidationOnText(doc, oneLine, kOrderSchema), XE_VALIDATION_FAILED);
    EXPECT_EQ(validator.ErrorLine(), 1);
    EXPECT_EQ(validator.ErrorColumn(), -1);
    EXPECT_EQ(validator.ErrorNodePath(), PathOf(doc, order->ChildAt(1)->ChildAt(1)));
}

TEST(SchemaValidatorTest, UnloadableSchemaReportsCantLoadSchema)
{
    TwoItemOrder fixture;
    SchemaValidator validator;
    for (const QString& name : {QStringLiteral("broken.xsd"), QStringLiteral("not-compilable.xsd"),
                                QStringLiteral("missing.xsd"), QStringLiteral("network-import.xsd"),
                                QStringLiteral("order.xsd/")}) {
        EXPECT_EQ(validator.RunValidation(fixture.doc, DataPath(name)), XE_SCHEMA_LOAD_FAILED)
            << name.toStdString();
    }
    EXPECT_EQ(validator.RunValidation(fixture.doc, QString()), XE_SCHEMA_LOAD_FAILED);
    EXPECT_EQ(StatusMessageTable::MessageOf(XE_SCHEMA_LOAD_FAILED),
              QStringLiteral("Can't load schema."));
    EXPECT_TRUE(validator.ErrorText().isEmpty());
    EXPECT_FALSE(fixture.doc.IsModified());
}

TEST(SchemaValidatorTest, SchemaEntityReachingAnotherFileIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteFile(dir.filePath(QStringLiteral("secret.txt")), "1"));
    const QString schema = dir.filePath(QStringLiteral("entity.xsd"));
    ASSERT_TRUE(WriteFile(schema, R"(<?xml version="1.0"?>
<!DOCTYPE xs:schema [<!ENTITY secret SYSTEM "secret.txt">]>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <xs:element name="order"><xs:complexType>
    <xs:attribute name="qty" fixed="&secret;"/>
  </xs:complexType></xs:element>
</xs:schema>)"));
    XmlDocument doc;
    BuildOrder(doc, {});
    SchemaValidator validator;
    EXPECT_EQ(validator.RunValidation(doc, schema), XE_SCHEMA_LOAD_FAILED);
}

TEST(SchemaValidatorTest, IncludesResolveFromTheSchemaFolderAndCyclesEnd)
{
    // Relative to the schema file, not to the working folder.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));

    XmlDocument doc;
    XmlNode* order = Element(doc, doc.Root(), QStringLiteral("order"));
    XmlNode* qty = Attribute(doc, order, QStringLiteral("qty"), QStringLiteral("5"));
    SchemaValidator validator;
    EXPECT_EQ(validator.RunValidation(doc, DataPath(QStringLiteral("with-include.xsd"))), XE_OK);
    // Cycles end: a schema including itself is refused, two including each other work.
    EXPECT_EQ(validator.RunValidation(doc, DataPath(QStringLiteral("self-include.xsd"))),
              XE_SCHEMA_LOAD_FAILED);
    EXPECT_EQ(validator.RunValidation(doc, DataPath(QStringLiteral("include-cycle-a.xsd"))), XE_OK);
    ASSERT_TRUE(doc.SetNodeValue(qty->Id(), QStringLiteral("11")));
    EXPECT_EQ(validator.RunValidation(doc, DataPath(QStringLiteral("with-include.xsd"))),
              XE_VALIDATION_FAILED);
    EXPECT_EQ(validator.ErrorNodePath(), PathOf(doc, qty));

    XmlDocument cyclic;
    XmlNode* root = Element(cyclic, cyclic.Root(), QStringLiteral("order"));
    Attribute(cyclic, root, QStringLiteral("xmlns"), QStringLiteral("urn:cycle-a"));
    Attribute(cyclic, root, QStringLiteral("qty"), QStringLiteral("3"));
    EXPECT_EQ(validator.RunValidation(cyclic, DataPath(QStringLiteral("cycle-a.xsd"))), XE_OK);

    QDir::setCurrent(previous);
}

TEST(SchemaValidatorTest, DocumentThatCannotBeSerialisedReportsTheWriterStatus)
{
    XmlDocument empty;
    SchemaValidator validator;
    EXPECT_EQ(validator.RunValidation(empty, kOrderSchema), XE_INTERNAL);

    XmlDocument undeclared;
    XmlNodeData record;
    record.kind = XmlNodeKind::Element;
    record.prefix = QStringLiteral("p");
    record.localName = QStringLiteral("order");
    undeclared.AppendChild(undeclared.Root(), record);
    const XmlStatus status = validator.RunValidation(undeclared, kOrderSchema);
    EXPECT_NE(status, XE_OK);
    EXPECT_NE(status, XE_VALIDATION_FAILED);
    EXPECT_NE(status, XE_SCHEMA_LOAD_FAILED);
}
