#include "TestFiles.h"
#include "document/XmlDocument.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A folder holding a secret file and the document that tries to reach it.
class LoaderSecurityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        Write(u"secret.txt"_qs, "TOP-SECRET");
        Write(u"external.dtd"_qs, "<!ENTITY fromDtd \"TOP-SECRET\"><!ATTLIST a d CDATA \"dflt\">");
    }
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
    XmlStatus LoadFile(const QByteArray& xml) { return doc.Load(Write(u"doc.xml"_qs, xml)); }
    bool TreeHolds(const QString& text, const XmlNode* node = nullptr) const
    {
        node = node ? node : doc.Root();
        if (node->ValueView().contains(text))
            return true;
        for (const XmlNode* child : *node) {
            if (TreeHolds(text, child))
                return true;
        }
        return false;
    }

    QTemporaryDir dir;
    XmlDocument doc;
};

QByteArray Laughs(int levels, bool inAttribute)
{
    QByteArray dtd = "<!DOCTYPE a [<!ENTITY l0 \"lollollollol\">";
    for (int i = 1; i <= levels; ++i) {
        dtd += "<!ENTITY l" + QByteArray::number(i) + " \"";
        for (int k = 0; k < 10; ++k)
            dtd += "&l" + QByteArray::number(i - 1) + ";";
        dtd += "\">";
    }
    const QByteArray top = "&l" + QByteArray::number(levels) + ";";
    return dtd + "]>" + (inAttribute ? "<a x=\"" + top + "\"/>" : "<a>" + top + "</a>");
}

QByteArray Quadratic(bool inAttribute)
{
    const QByteArray ref = QByteArray("&e;").repeated(40000);
    const QByteArray dtd = "<!DOCTYPE a [<!ENTITY e \"" + QByteArray(40000, 'x') + "\">]>";
    return dtd + (inAttribute ? "<a x=\"" + ref + "\"/>" : "<a>" + ref + "</a>");
}

} // namespace

TEST_F(LoaderSecurityTest, ExternalEntitiesAreRefusedAndNeverRead)
{
    const QByteArray cases[] = {
        "<!DOCTYPE a [<!ENTITY e SYSTEM \"secret.txt\">]><a>&e;</a>",
        "<!DOCTYPE a [<!ENTITY e SYSTEM \"" + QFile::encodeName(dir.filePath(u"secret.txt"_qs)) +
            "\">]><a>&e;</a>",
        "<!DOCTYPE a [<!ENTITY e PUBLIC \"-//x//y\" \"file://" +
            QFile::encodeName(dir.filePath(u"secret.txt"_qs)) + "\">]><a>&e;</a>",
        "<!DOCTYPE a [<!ENTITY e SYSTEM \"http://127.0.0.1:9/secret\">]><a>&e;</a>",
        "<!DOCTYPE a [<!ENTITY e SYSTEM \"secret.txt\">]><a x=\"&e;\"/>",
        // An external parameter entity would pull declarations in from elsewhere.
        "<!DOCTYPE a [<!ENTITY % p SYSTEM \"external.dtd\"> %p;]><a>&fromDtd;</a>",
        "<!DOCTYPE a [<!ENTITY % p SYSTEM \"external.dtd\"> %p;]><a/>",
    };
    for (const QByteArray& xml : cases) {
        SCOPED_TRACE(xml.toStdString());
        EXPECT_EQ(LoadFile(xml), XmlError::NoExternalEntityReferences);
        EXPECT_FALSE(TreeHolds(u"TOP-SECRET"_qs));
        EXPECT_GE(doc.ErrorLine(), 1);
    }
}

TEST_F(LoaderSecurityTest, ExternalDtdIsNotReadButTheInternalSubsetApplies)
{
    // The external subset is skipped: no default attribute from it, no failure either.
    EXPECT_EQ(LoadFile("<!DOCTYPE a SYSTEM \"external.dtd\"><a/>"), 0u);
    EXPECT_EQ(doc.Root()->ChildAt(0)->ChildCount(), 0);
    EXPECT_EQ(LoadFile("<!DOCTYPE a SYSTEM \"external.dtd\" [<!ENTITY i \"inner\">]><a>&i;</a>"),
              0u);
    EXPECT_TRUE(TreeHolds(u"inner"_qs));
    // An entity only the unread DTD declares must fail the load, not vanish from it.
    EXPECT_EQ(LoadFile("<!DOCTYPE a SYSTEM \"external.dtd\"><a>x&fromDtd;y</a>"),
              XmlError::UndeclaredEntity);
    EXPECT_EQ(LoadFile("<!DOCTYPE a SYSTEM \"external.dtd\"><a b=\"&fromDtd;\"/>"),
              XmlError::UndeclaredEntity);
    EXPECT_FALSE(TreeHolds(u"TOP-SECRET"_qs));
}

TEST_F(LoaderSecurityTest, EntityExpansionBombsFailFast)
{
    const std::pair<const char*, QByteArray> bombs[] = {
        {"billion laughs in content", Laughs(9, false)},
        {"billion laughs in an attribute", Laughs(9, true)},
        {"quadratic blow-up in content", Quadratic(false)},
        {"quadratic blow-up in an attribute", Quadratic(true)},
    };
    for (const auto& [name, xml] : bombs) {
        SCOPED_TRACE(name);
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(doc.LoadFromData(xml), XmlError::MaxEntityExpansion);
        // Generous enough for a sanitizer build; an unbounded expansion takes minutes.
        EXPECT_LT(timer.elapsed(), 5000);
    }
    // A modest expansion is ordinary content (libxml2's ratio limit already refuses two
    // levels of tenfold nesting in a small file).
    EXPECT_EQ(doc.LoadFromData(Laughs(1, false)), 0u);
    EXPECT_EQ(doc.Root()->ChildAt(0)->ChildAt(0)->ValueView().size(), 120);
}

TEST_F(LoaderSecurityTest, RecursiveEntitiesFailAsRecursion)
{
    const QByteArray cases[] = {
        "<!DOCTYPE a [<!ENTITY e \"x&e;\">]><a>&e;</a>",
        "<!DOCTYPE a [<!ENTITY e \"&f;\"><!ENTITY f \"&g;\"><!ENTITY g \"&e;\">]><a>&e;</a>",
        "<!DOCTYPE a [<!ENTITY e \"&f;\"><!ENTITY f \"&e;\">]><a x=\"&e;\"/>",
    };
    for (const QByteArray& xml : cases) {
        SCOPED_TRACE(xml.toStdString());
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(doc.LoadFromData(xml), XmlError::NoRecursion);
        EXPECT_LT(timer.elapsed(), 500);
    }
}
