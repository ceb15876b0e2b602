#pragma once

// What the loader's tests share: the loaded tree as text, to compare whole trees at a glance,
// and a scoped slice size for the reader.
#include "document/XmlDocument.h"
#include "document/XmlReader.h"

#include <QString>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <string>

namespace loader_test {

// One line per node, indented by depth: "kind prefix:name=value" with CR and LF spelled out.
inline std::string Dump(const XmlNode* node, int depth = 0)
{
    std::string text;
    for (const XmlNode* child : *node) {
        QString value = child->Value();
        value.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
        text += std::string(size_t(depth) * 2, ' ') + std::to_string(int(child->Kind())) + ' ' +
                child->QualifiedName().toStdString() + '=' + value.toStdString() + '\n';
        text += Dump(child, depth + 1);
    }
    return text;
}

// Loads the text, expecting success, and dumps the tree.
inline std::string Load(XmlDocument& doc, const QByteArray& xml)
{
    const XmlStatus status = doc.LoadFromData(xml);
    EXPECT_EQ(status, 0u) << std::hex << status << ' ' << xml.constData();
    return Dump(doc.Root());
}

// Loads the text from a file that the reader reads in pieces of `readBytes`, so its window
// moves on after each; expecting success, dumps the tree.
inline std::string LoadFile(XmlDocument& doc, const QByteArray& xml, int readBytes)
{
    QTemporaryFile file;
    EXPECT_TRUE(file.open() && file.write(xml) == xml.size() && file.flush());
    XmlReader::SetReadBytes(readBytes);
    const XmlStatus status = doc.Load(file.fileName());
    XmlReader::SetReadBytes(0);
    EXPECT_EQ(status, 0u) << std::hex << status << ' ' << readBytes;
    return Dump(doc.Root());
}

// Makes every reader hand the parser slices of this many bytes while it lives.
struct SliceSize {
    explicit SliceSize(int bytes) { XmlReader::SetSliceBytes(bytes); }
    ~SliceSize() { XmlReader::SetSliceBytes(0); }
};

} // namespace loader_test
