#pragma once

#include <QList>
#include <QString>

#include <optional>

struct _xmlNode;

// A non-owning handle on an element (or, for queries, the document node) of a DomDocument.
// It stays valid while its document is loaded and the element is not removed.
class DomElement {
public:
    DomElement() = default;
    explicit DomElement(_xmlNode* node) : node_(node) {}

    bool IsNull() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }
    bool operator==(const DomElement& other) const { return node_ == other.node_; }

    // The qualified name as written in the document.
    QString Name() const;
    // The concatenated text of all descendants.
    QString Text() const;

    // Relative paths are element names separated by "/"; anything else selects nothing, so a
    // path can never be mistaken for a different query.
    DomElement SelectSingleNode(const QString& path) const;
    QList<DomElement> SelectNodes(const QString& path) const;
    // The path's elements whose attribute equals the value exactly (case-sensitive), in
    // document order. The query text these stand for puts the value between double quotes,
    // so a value holding one matches nothing.
    DomElement SelectSingleNode(const QString& path, const QString& attribute,
                                const QString& value) const;
    QList<DomElement> SelectNodes(const QString& path, const QString& attribute,
                                  const QString& value) const;
    DomElement SelectSingleNode(const QString& path, const QString& attribute, int value) const;

    // Child elements in document order; text and comments are skipped.
    QList<DomElement> ChildElements() const;

    // Absent when the element has no such attribute.
    std::optional<QString> Attribute(const QString& name) const;
    QString AttributeOr(const QString& name, const QString& fallback = QString()) const;
    void SetAttribute(const QString& name, const QString& value);
    void SetAttribute(const QString& name, qint32 value);

    // Moves the child (made by DomDocument::CreateElement of the same document, or taken from
    // elsewhere in it) to the end of this element's children; returns it.
    DomElement AppendChild(DomElement child);
    // Removes every child node; the attributes stay.
    void ClearChildren();

    _xmlNode* Raw() const { return node_; }

private:
    QList<DomElement> Select(const QString& path, const QString* attribute, const QString* value,
                             bool firstOnly) const;

    _xmlNode* node_ = nullptr;
};
