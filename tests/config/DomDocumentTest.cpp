#include "config/DomDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QByteArray kLanguages = R"(<?xml version="1.0"?>
<Languages>
  <Language ID="de" Name="Deutsch"><Strings><S ID="1" Data="a"/></Strings></Language>
  <Language ID="DE" Name="upper"/>
  <Language ID="de " Name="trailing"/>
  <Language ID="fr" Name="Francais"/>
  <Language ID='say "hi"' Name="quoted"/>
</Languages>)";

} // namespace

TEST(DomDocumentTest, QueriesByNameAndExactAttributeValue)
{
    DomDocument doc;
    ASSERT_TRUE(doc.LoadXml(kLanguages));
    EXPECT_EQ(doc.DocumentElement().Name(), u"Languages");
    EXPECT_EQ(doc.SelectNodes(u"Languages/Language"_s).size(), 5);
    EXPECT_TRUE(doc.SelectSingleNode(u"Language"_s).IsNull()); // not the root's name

    DomElement de = doc.SelectSingleNode(u"Languages/Language"_s, u"ID"_s, u"de"_s);
    ASSERT_FALSE(de.IsNull());
    EXPECT_EQ(de.AttributeOr(u"Name"_s), u"Deutsch");
    EXPECT_EQ(
        doc.SelectSingleNode(u"Languages/Language"_s, u"ID"_s, u"DE"_s).AttributeOr(u"Name"_s),
        u"upper");
    EXPECT_TRUE(doc.SelectSingleNode(u"Languages/Language"_s, u"ID"_s, u"d"_s).IsNull());
    EXPECT_TRUE(doc.SelectSingleNode(u"Languages/Language"_s, u"ID"_s, u"Fr"_s).IsNull());

    // Relative to an element, and the integer form compares the decimal text.
    EXPECT_EQ(de.SelectSingleNode(u"Strings/S"_s, u"ID"_s, 1).AttributeOr(u"Data"_s), u"a");
    EXPECT_TRUE(de.SelectSingleNode(u"Strings/S"_s, u"ID"_s, 2).IsNull());
}

TEST(DomDocumentTest, UserTextNeverBecomesQuerySyntax)
{
    DomDocument doc;
    ASSERT_TRUE(doc.LoadXml(kLanguages));
    const QString path = u"Languages/Language"_s;
    // A double quote cannot stand in the quoted query text: it matches nothing, even though
    // one language really has that identifier.
    EXPECT_TRUE(doc.SelectSingleNode(path, u"ID"_s, u"say \"hi\""_s).IsNull());
    EXPECT_TRUE(doc.SelectSingleNode(path, u"ID"_s, u"x\" or \"1\"=\"1"_s).IsNull());
    EXPECT_TRUE(doc.SelectSingleNode(path, u"ID"_s, u"x' or '1'='1"_s).IsNull());
    EXPECT_TRUE(doc.SelectSingleNode(path, u"ID or 1=1"_s, u"de"_s).IsNull());
    EXPECT_TRUE(doc.SelectSingleNode(u"Languages/*"_s).IsNull());
    EXPECT_TRUE(doc.SelectSingleNode(u"//Language"_s).IsNull());
    EXPECT_TRUE(doc.SelectSingleNode(u"Languages/Language[1]"_s).IsNull());
}

TEST(DomDocumentTest, AttributesChildrenAndClearing)
{
    DomDocument doc;
    ASSERT_TRUE(doc.LoadXml("<r><a k=\"\">t<!--c--><b/>x<c/></a></r>"));
    DomElement a = doc.SelectSingleNode(u"r/a"_s);
    ASSERT_TRUE(a);
    // Present but empty is not the same as absent.
    ASSERT_TRUE(a.Attribute(u"k"_s).has_value());
    EXPECT_TRUE(a.Attribute(u"k"_s)->isEmpty());
    EXPECT_FALSE(a.Attribute(u"missing"_s).has_value());
    EXPECT_EQ(a.AttributeOr(u"missing"_s, u"dflt"_s), u"dflt");

    const QList<DomElement> children = a.ChildElements();
    ASSERT_EQ(children.size(), 2);
    EXPECT_EQ(children[0].Name(), u"b");
    EXPECT_EQ(children[1].Name(), u"c");

    a.SetAttribute(u"n"_s, qint32(-2147483647 - 1));
    a.SetAttribute(u"s"_s, u"<&\"'>"_s);
    a.ClearChildren();
    EXPECT_TRUE(a.ChildElements().isEmpty());
    EXPECT_TRUE(a.Text().isEmpty());
    EXPECT_EQ(a.AttributeOr(u"n"_s), u"-2147483648");

    DomElement d = a.AppendChild(doc.CreateElement(u"d"_s));
    d.SetAttribute(u"v"_s, 7);
    DomDocument reread;
    ASSERT_TRUE(reread.LoadXml(doc.ToXml()));
    DomElement ra = reread.SelectSingleNode(u"r/a"_s);
    EXPECT_EQ(ra.AttributeOr(u"s"_s), u"<&\"'>");
    EXPECT_EQ(ra.AttributeOr(u"k"_s, u"absent"_s), u"");
    EXPECT_EQ(ra.SelectSingleNode(u"d"_s).AttributeOr(u"v"_s), u"7");
    EXPECT_EQ(ra.ChildElements().size(), 1);
}

TEST(DomDocumentTest, AppendRefusesCyclesAndForeignNodes)
{
    DomDocument doc;
    ASSERT_TRUE(doc.LoadXml("<r><a><b/></a></r>"));
    DomElement a = doc.SelectSingleNode(u"r/a"_s);
    DomElement b = a.SelectSingleNode(u"b"_s);
    EXPECT_TRUE(b.AppendChild(a).IsNull());
    EXPECT_TRUE(a.AppendChild(a).IsNull());
    DomDocument other;
    EXPECT_TRUE(a.AppendChild(other.CreateElement(u"x"_s)).IsNull());
    EXPECT_TRUE(doc.CreateElement(u"not a name"_s).IsNull());
    // Created and never appended: freed with the document (checked by the sanitiser build).
    doc.CreateElement(u"orphan"_s).SetAttribute(u"x"_s, 1);
    EXPECT_EQ(doc.SelectSingleNode(u"r"_s).ChildElements().size(), 1);
}

TEST(DomDocumentTest, LoadFailuresLeaveAnEmptyDocument)
{
    QTemporaryDir dir;
    DomDocument doc;
    EXPECT_FALSE(doc.Load(dir.filePath(u"missing.xml"_s)));
    EXPECT_FALSE(doc.HasDocumentElement());

    EXPECT_FALSE(doc.LoadXml("<r><a></r>"));
    EXPECT_FALSE(doc.HasDocumentElement());
    EXPECT_EQ(doc.LastError().line, 1);
    EXPECT_FALSE(doc.LastError().reason.isEmpty());

    EXPECT_FALSE(doc.LoadXml(QByteArray("\x00\x01\xff\xfe garbage", 12)));
    EXPECT_FALSE(doc.LoadXml(QByteArray()));
}

TEST(DomDocumentTest, ExternalEntitiesAreNeverLoaded)
{
    QTemporaryDir dir;
    const QString secret = dir.filePath(u"secret.txt"_s);
    WriteAll(secret, "TOPSECRET");
    WriteAll(dir.filePath(u"p.ent"_s), "<!ENTITY leak \"PLEAK\">");
    const QByteArray url = QUrl::fromLocalFile(dir.path()).toEncoded();
    const QByteArray xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e SYSTEM \"" + url +
                           "/secret.txt\"><!ENTITY % p SYSTEM \"" + url +
                           "/p.ent\"> %p; <!ENTITY i \"inner\">]>\n<r a=\"&i;!\">&e;&i;</r>";
    const QString path = dir.filePath(u"doc.xml"_s);
    WriteAll(path, xml);
    DomDocument doc;
    ASSERT_TRUE(doc.Load(path));
    {
        const DomElement root = doc.DocumentElement();
        EXPECT_FALSE(root.Text().contains(u"TOPSECRET"_s));
        EXPECT_FALSE(doc.ToXml().contains("TOPSECRET"));
        EXPECT_FALSE(doc.ToXml().contains("PLEAK"));
        // Internal entities still read through, and are written back as references.
        EXPECT_EQ(root.AttributeOr(u"a"_s), u"inner!");
        EXPECT_TRUE(root.Text().contains(u"inner"_s));
        EXPECT_TRUE(doc.ToXml().contains("&e;&i;"));
    }
}

TEST(DomDocumentTest, SaveReplacesTheFileWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xml"_s);
    DomDocument doc;
    EXPECT_FALSE(doc.Save(path)); // nothing to save: no root
    EXPECT_FALSE(QFile::exists(path));

    ASSERT_TRUE(doc.LoadXml("<Setting>\n<Keep>  </Keep>\n<A><B/></A></Setting>"));
    doc.SelectSingleNode(u"Setting/A"_s).AppendChild(doc.CreateElement(u"C"_s));
    ASSERT_TRUE(doc.Save(path, DomDocument::Format::Indented));
    const QByteArray saved = ReadAll(path);
    EXPECT_TRUE(saved.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_TRUE(saved.contains("\n  <A>\n    <B/>\n    <C/>\n  </A>\n")) << saved.constData();
    EXPECT_TRUE(saved.contains("<Keep>  </Keep>")); // content white space is kept

    EXPECT_FALSE(doc.Save(dir.filePath(u"no/such/folder/out.xml"_s)));
    EXPECT_EQ(ReadAll(path), saved);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary left behind
}
