#pragma once

#include "document/NamespaceScope.h"
#include "document/XmlStatus.h"

#include <QStringView>
#include <vector>

class FileProgress;
class XmlNode;
class XmlWriter;

// Writes nodes of a document tree through an XmlWriter: an element with its attributes (the
// namespace declarations among them, in child order) and its content, a text or a comment.
// Attribute nodes alone and the root holder write nothing.
class DocumentWriter {
public:
    explicit DocumentWriter(XmlWriter& writer) : m_writer(writer) {}

    // Reports the bytes written to `progress` now and then, and stops with XE_CANCELLED once
    // it is cancelled.
    void SetProgress(FileProgress* progress) { m_progress = progress; }

    // `declarations` go first into the start tag of `node` when it is an element: what a
    // fragment needs from the ancestors it is written without.
    XmlStatus WriteNode(const XmlNode* node,
                        const std::vector<NamespaceScope::Declaration>& declarations = {});

    // The node whose writing failed (an element for a name or namespace fault of its start
    // tag), or null.
    const XmlNode* FailedNode() const { return m_failed; }

    // How a text was written; None before the first text of a run of adjacent texts.
    enum class TextForm { None, Plain, CData };

private:
    // The texts written one after the other in an element, with nothing but attributes (which
    // go into the start tag) and empty texts between.
    struct TextRun {
        TextForm last = TextForm::None;
        // The form of every text of a run no alternation keeps apart: it loads back as one text.
        TextForm joined = TextForm::None;
    };
    // Whether a load keeps a plain text of nothing but whitespace in an element.
    struct Whitespace {
        bool preserve = false; // xml:space="preserve" holds here
        int8_t kept = -1;      // -1 until first needed
    };

    // Starts the element and writes its attributes; `ws.preserve` comes in as the parent's and
    // goes out as the element's.
    XmlStatus WriteElement(const XmlNode* node,
                           const std::vector<NamespaceScope::Declaration>& declarations);
    XmlStatus StartElement(const XmlNode* element, Whitespace& ws,
                           const std::vector<NamespaceScope::Declaration>& declarations = {});
    static bool KeepsPlainWhitespace(const XmlNode* element, Whitespace& ws);
    // The form for `first`, the first text of a run whose other texts are the children of
    // `element` from index `next` on and then the element's own value; None if no choice keeps
    // the texts apart. `element` null: `first` is the whole run, whitespace in it not kept.
    static TextForm FirstFormOfRun(QStringView first, const XmlNode* element, int next,
                                   Whitespace& ws);
    // The one form for a run no alternation keeps apart.
    static TextForm JoinedFormOfRun(QStringView first, const XmlNode* element, int next,
                                    Whitespace& ws);
    // `element`/`next` as for FirstFormOfRun, for when the text starts a run.
    XmlStatus WriteText(QStringView text, TextRun& run, const XmlNode* element, int next,
                        Whitespace& ws);

    XmlWriter& m_writer;
    const XmlNode* m_failed = nullptr;
    FileProgress* m_progress = nullptr;
};
