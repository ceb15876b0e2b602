#pragma once

#include "config/DomElement.h"

#include <QByteArray>
#include <QString>

struct _xmlDoc;
struct _xmlNode;

// Where and why the last load failed.
struct DomParseError {
    int line = -1;
    int column = -1;
    QString reason;
};

// An XML document held in memory as a tree (libxml2), for the settings file, the language
// resource file and the XML tools. Parsing never touches the network and refuses external
// entities; the document opened on purpose is the only file read.
class DomDocument {
public:
    enum class Format {
        AsIs,     // the text nodes as they are
        Indented, // white-space-only text between elements is dropped and the tree indented
    };

    // Starts with an empty document (no root element).
    DomDocument();
    ~DomDocument();
    DomDocument(const DomDocument&) = delete;
    DomDocument& operator=(const DomDocument&) = delete;

    // Both replace the current content; on failure the document is empty and LastError says
    // why. A relative reference inside the document resolves against the path.
    bool Load(const QString& path);
    bool LoadXml(const QByteArray& data, const QString& baseUrl = QString());
    const DomParseError& LastError() const { return lastError_; }

    // Writes the whole document as UTF-8 with an XML declaration through a temporary file that
    // replaces the old one only when it is complete.
    bool Save(const QString& path, Format format = Format::AsIs);
    QByteArray ToXml(Format format = Format::AsIs);

    bool HasDocumentElement() const;
    DomElement DocumentElement() const;
    // Makes the element the root, replacing any previous root.
    void SetDocumentElement(DomElement element);

    // Queries relative to the document node: "Setting" is the root element named Setting.
    DomElement SelectSingleNode(const QString& path) const;
    QList<DomElement> SelectNodes(const QString& path) const;
    DomElement SelectSingleNode(const QString& path, const QString& attribute,
                                const QString& value) const;
    DomElement SelectSingleNode(const QString& path, const QString& attribute, int value) const;

    // A new element without namespace, not yet in the tree; append it somewhere.
    DomElement CreateElement(const QString& name);

    _xmlDoc* Raw() const { return doc_; }

private:
    bool Parse(const QByteArray& data, const QByteArray& url);
    void Reset();
    DomElement DocumentNode() const;

    _xmlDoc* doc_ = nullptr;
    // Created elements wait here until appended, so one never appended is still freed.
    _xmlNode* unattached_ = nullptr;
    DomParseError lastError_;
};
