// Runs Load over the W3C XML Conformance Test Suite cases that apply to a namespace-aware,
// non-validating XML 1.0 (fifth edition) reader that reads no external entities.

#include "XmlConformanceSuite.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace xmlconf;

namespace {

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
