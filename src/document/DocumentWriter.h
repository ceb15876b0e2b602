#pragma once

#include "document/XmlStatus.h"

#include <QStringView>

class XmlNode;
class XmlWriter;

// Writes nodes of a document tree through an XmlWriter: an element with its attributes (the
// namespace declarations among them, in child order) and its content, a text or a comment.
// Attribute nodes alone and the root holder write nothing.
class DocumentWriter {
public:
    explicit DocumentWriter(XmlWriter& writer) : m_writer(writer) {}

    XmlStatus WriteNode(const XmlNode* node);

    // How the last text of an element was written, if the content written since is text.
    enum class TextForm { None, Plain, CData };

private:
    XmlStatus StartElement(const XmlNode* element);
    // `previous`: the form of the text written just before in the same element; `form`
    // receives the form used for this one. `isNode`: the text of a Text node, which is kept
    // even when empty (an element's own value is not).
    XmlStatus WriteText(QStringView text, TextForm previous, TextForm& form, bool isNode);

    XmlWriter& m_writer;
};
