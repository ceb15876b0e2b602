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

    // How a text was written; None before the first text of a run of adjacent texts.
    enum class TextForm { None, Plain, CData };

private:
    // The texts written one after the other in an element, with nothing but attributes (which
    // go into the start tag) and empty texts between.
    struct TextRun {
        TextForm last = TextForm::None;
        bool joined = false; // written all plain: the run loads back as one text
    };

    XmlStatus StartElement(const XmlNode* element);
    // The form for `first`, the first text of a run whose other texts are the children of
    // `element` from index `next` on and then the element's own value; None if no choice keeps
    // the texts apart. `element` null: `first` is the whole run.
    static TextForm FirstFormOfRun(QStringView first, const XmlNode* element, int next);
    // `element`/`next` as for FirstFormOfRun, for when the text starts a run.
    XmlStatus WriteText(QStringView text, TextRun& run, const XmlNode* element, int next);

    XmlWriter& m_writer;
};
