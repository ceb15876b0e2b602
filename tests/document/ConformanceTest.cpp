// Runs Load over the W3C XML Conformance Test Suite cases that apply to a namespace-aware,
// non-validating XML 1.0 (fifth edition) reader that reads no external entities.

#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

struct SuiteCase {
    QString id;
    QString type;
    QString path;
};

QString SuiteDir()
{
    return QStringLiteral(TOVI_SHARED_TESTDATA "/xmlconf");
}

bool ListHas(const QString& list, const QString& item)
{
    return list.split(u' ', Qt::SkipEmptyParts).contains(item);
}

// The cases of the flattened index with ENTITIES="none" that apply to XML 1.0 fifth edition
// with namespaces; `xml:base` of the enclosing TESTCASES groups leads to each file.
std::vector<SuiteCase> ApplicableCases()
{
    std::vector<SuiteCase> cases;
    QFile index(SuiteDir() + QStringLiteral("/xmlconf-flat.xml"));
    if (!index.open(QIODevice::ReadOnly))
        return cases;
    QXmlStreamReader xml(&index);
    QStringList bases;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"TESTCASES") {
            bases.push_back(xml.attributes().value(QLatin1String("xml:base")).toString());
        } else if (xml.isEndElement() && xml.name() == u"TESTCASES") {
            bases.pop_back();
        } else if (xml.isStartElement() && xml.name() == u"TEST") {
            const QXmlStreamAttributes a = xml.attributes();
            const QString entities = a.hasAttribute(QLatin1String("ENTITIES"))
                                         ? a.value(QLatin1String("ENTITIES")).toString()
                                         : u"none"_qs;
            const QString version = a.value(QLatin1String("VERSION")).toString();
            const QString edition = a.value(QLatin1String("EDITION")).toString();
            const QString recommendation = a.value(QLatin1String("RECOMMENDATION")).toString();
            if (entities != u"none" || (!version.isEmpty() && !ListHas(version, u"1.0"_qs)) ||
                (!edition.isEmpty() && !ListHas(edition, u"5"_qs)) || recommendation == u"XML1.1" ||
                recommendation == u"NS1.1" || a.value(QLatin1String("NAMESPACE")) == u"no")
                continue;
            const QString type = a.value(QLatin1String("TYPE")).toString();
            if (type != u"valid" && type != u"not-wf")
                continue;
            cases.push_back({a.value(QLatin1String("ID")).toString(), type,
                             QDir::cleanPath(SuiteDir() + u'/' + bases.join(QString()) +
                                             a.value(QLatin1String("URI")).toString())});
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return cases;
}

class ConformanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(SuiteDir() + QStringLiteral("/xmlconf-flat.xml")))
            GTEST_SKIP() << "W3C suite not found under " << SuiteDir().toStdString();
        cases = ApplicableCases();
    }
    std::vector<SuiteCase> cases;
};

} // namespace

TEST_F(ConformanceTest, EveryValidCaseLoads)
{
    int total = 0;
    QStringList failures;
    for (const SuiteCase& c : cases) {
        if (c.type != u"valid")
            continue;
        ++total;
        XmlDocument doc;
        const XmlStatus status = doc.Load(c.path);
        if (status != 0)
            failures << QStringLiteral("%1 (0x%2 %3)")
                            .arg(c.id)
                            .arg(status, 8, 16, QChar(u'0'))
                            .arg(StatusMessageTable::MessageOf(status));
    }
    EXPECT_EQ(total, 595);
    EXPECT_TRUE(failures.isEmpty()) << failures.size() << " valid cases failed:\n"
                                    << failures.join(u'\n').toStdString();
}

TEST_F(ConformanceTest, EveryNotWellFormedCaseFailsWithATableMessage)
{
    int total = 0;
    QStringList accepted;
    QStringList internal;
    for (const SuiteCase& c : cases) {
        if (c.type != u"not-wf")
            continue;
        ++total;
        XmlDocument doc;
        const XmlStatus status = doc.Load(c.path);
        if (status == 0)
            accepted << c.id;
        else if (StatusMessageTable::StringIdOf(status) ==
                 StatusMessageTable::InternalErrorStringId)
            internal << QStringLiteral("%1 (0x%2)").arg(c.id).arg(status, 8, 16, QChar(u'0'));
    }
    EXPECT_EQ(total, 951);
    EXPECT_TRUE(accepted.isEmpty()) << accepted.size() << " not-wf cases loaded:\n"
                                    << accepted.join(u'\n').toStdString();
    // Every rejection should name its fault, not fall back to "Internal error".
    EXPECT_TRUE(internal.isEmpty()) << internal.size() << " failed with an unmapped status:\n"
                                    << internal.join(u'\n').toStdString();
}
