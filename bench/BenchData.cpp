#include "BenchData.h"

#include "document/SafeXmlParsing.h"

#include <QDir>
#include <QFile>
#include <libxml/xmlreader.h>

#include <cstring>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

const char* const kWords[] = {"alpha",   "beta", "gamma", "delta",  "epsilon", "zeta",   "eta",
                              "theta",   "iota", "kappa", "lambda", "mu",      "nu",     "xi",
                              "omicron", "pi",   "rho",   "sigma",  "tau",     "upsilon"};
constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);

// A fixed linear congruential generator keeps every run's input identical.
struct Lcg {
    uint32_t state = 12345;
    uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    const char* Word() { return kWords[Next() % kWordCount]; }
};

} // namespace

QByteArray BenchData::Records(qsizetype targetBytes)
{
    QByteArray out;
    out.reserve(targetBytes + 4096);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- generated records -->\n"
           "<db:catalog xmlns:db=\"urn:tovi:bench\" xmlns=\"urn:tovi:default\" version=\"2\">\n";
    Lcg rng;
    for (qint64 i = 1; out.size() < targetBytes; ++i) {
        out += "  <db:record id=\"r";
        out += QByteArray::number(i);
        out += "\" type=\"";
        out += rng.Word();
        out += "\" year=\"";
        out += QByteArray::number(1900 + rng.Next() % 125);
        out += '"';
        if (i % 2 == 0) {
            out += " lang=\"";
            out += i % 4 == 0 ? "en" : "de";
            out += '"';
        }
        if (i % 3 == 0) {
            out += " db:rank=\"";
            out += QByteArray::number(rng.Next() % 1000);
            out += '"';
        }
        out += '>';
        out += rng.Word();
        out += ' ';
        out += rng.Word();
        out += " &amp; ";
        out += rng.Word();
        out += "</db:record>\n";
        if (i % 100 == 0) {
            out += "  <!-- block ";
            out += QByteArray::number(i / 100);
            out += " -->\n";
        }
    }
    out += "</db:catalog>\n";
    return out;
}

QByteArray BenchData::Prose(qsizetype targetBytes)
{
    QByteArray out;
    out.reserve(targetBytes + 4096);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<book xmlns=\"urn:tovi:prose\">\n";
    Lcg rng;
    for (int section = 1; out.size() < targetBytes; ++section) {
        out += "  <section n=\"";
        out += QByteArray::number(section);
        out += "\">\n    <title>Section ";
        out += QByteArray::number(section);
        out += "</title>\n";
        for (int p = 0; p < 20; ++p) {
            out += "    <para>";
            for (int w = 0; w < 12; ++w) {
                switch (rng.Next() % 8) {
                case 0:
                    out += "<b>";
                    out += rng.Word();
                    out += "</b>";
                    break;
                case 1:
                    out += "<i>";
                    out += rng.Word();
                    out += "</i>";
                    break;
                case 2:
                    out += "<link href=\"#s";
                    out += QByteArray::number(rng.Next() % 1000);
                    out += "\">";
                    out += rng.Word();
                    out += "</link>";
                    break;
                default:
                    out += rng.Word();
                }
                out += w == 11 ? "." : " ";
            }
            out += "</para>\n";
        }
        out += "  </section>\n";
    }
    out += "</book>\n";
    return out;
}

QString BenchData::WriteTemp(const QString& name, const QByteArray& bytes)
{
    const QString path = QDir::temp().filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

qint64 BenchData::ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

qint64 BenchData::HeapBytes()
{
#if defined(__GLIBC__)
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#else
    return 0;
#endif
}

namespace {

size_t Length(const xmlChar* text)
{
    return text ? std::strlen(reinterpret_cast<const char*>(text)) : 0;
}

} // namespace

size_t BenchData::ReaderFloorPass(const QByteArray& bytes)
{
    SafeXmlParsing::Install();
    xmlTextReaderPtr reader = xmlReaderForMemory(bytes.constData(), int(bytes.size()), nullptr,
                                                 nullptr, SafeXmlParsing::ParseOptions());
    size_t total = 0;
    while (xmlTextReaderRead(reader) == 1) {
        total += Length(xmlTextReaderConstPrefix(reader));
        total += Length(xmlTextReaderConstLocalName(reader));
        const int type = xmlTextReaderNodeType(reader);
        if (type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_COMMENT ||
            type == XML_READER_TYPE_CDATA)
            total += Length(xmlTextReaderConstValue(reader));
        if (type == XML_READER_TYPE_ELEMENT) {
            total += size_t(xmlTextReaderIsEmptyElement(reader));
            while (xmlTextReaderMoveToNextAttribute(reader) == 1) {
                total += Length(xmlTextReaderConstPrefix(reader));
                total += Length(xmlTextReaderConstLocalName(reader));
                total += Length(xmlTextReaderConstValue(reader));
            }
        }
    }
    xmlFreeTextReader(reader);
    return total;
}
