#pragma once

// The W3C XML Conformance Test Suite cases that apply to a namespace-aware, non-validating
// XML 1.0 (fifth edition) reader that reads no external entities (the suite lies outside the
// repository, in ../shared/testdata).
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <vector>

namespace xmlconf {

struct SuiteCase {
    QString id;
    QString type; // "valid" or "not-wf"
    QString path;
};

inline QString SuiteDir()
{
    return QStringLiteral(TOVI_SHARED_TESTDATA "/xmlconf");
}

inline bool ListHas(const QString& list, const QString& item)
{
    return list.split(u' ', Qt::SkipEmptyParts).contains(item);
}

// The cases of the flattened index with ENTITIES="none" that apply to XML 1.0 fifth edition
// with namespaces; `xml:base` of the enclosing TESTCASES groups leads to each file. Empty when
// the suite is not there.
inline std::vector<SuiteCase> ApplicableCases()
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
                                         : QStringLiteral("none");
            const QString version = a.value(QLatin1String("VERSION")).toString();
            const QString edition = a.value(QLatin1String("EDITION")).toString();
            const QString recommendation = a.value(QLatin1String("RECOMMENDATION")).toString();
            if (entities != u"none" ||
                (!version.isEmpty() && !ListHas(version, QStringLiteral("1.0"))) ||
                (!edition.isEmpty() && !ListHas(edition, QStringLiteral("5"))) ||
                recommendation == u"XML1.1" || recommendation == u"NS1.1" ||
                a.value(QLatin1String("NAMESPACE")) == u"no")
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

} // namespace xmlconf
