#include "document/DocumentWriter.h"

#include "document/FileProgress.h"
#include "document/SaveFileSystem.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "document/XmlWhitespace.h"
#include "document/XmlWriter.h"

#include <QFileInfo>

#include <vector>

namespace {

// Large enough to keep system calls few, small enough that a failing disk is noticed early.
constexpr qint64 kWriteChunk = 1 << 20;
// Nodes written between two looks at the progress: often enough for a prompt cancel, rarely
// enough to cost nothing.
constexpr uint32_t kProgressStride = 4096;

} // namespace

XmlStatus DocumentWriter::StartElement(const XmlNode* element, Whitespace& ws,
                                       const std::vector<NamespaceScope::Declaration>& declarations)
{
    if (const XmlStatus status =
            m_writer.WriteStartElement(element->Prefix(), element->LocalName()))
        return status;
    for (const NamespaceScope::Declaration& declaration : declarations) {
        const bool isDefault = declaration.prefix.isEmpty();
        if (const XmlStatus status = m_writer.WriteAttributeString(
                isDefault ? QStringView() : QStringView(u"xmlns"),
                isDefault ? QStringView(u"xmlns") : QStringView(declaration.prefix),
                declaration.uri))
            return status;
    }
    // Attributes go into the start tag wherever they stand among the children. The default
    // namespace declaration is one of them, written exactly as stored, so xmlns="" and a
    // declaration repeating the parent's survive the save.
    bool text = !element->ValueView().isEmpty();
    for (const XmlNode* child : *element) {
        if (child->Kind() == XmlNodeKind::Text)
            text = true;
        if (child->Kind() != XmlNodeKind::Attribute)
            continue;
        if (const XmlStatus status = m_writer.WriteAttributeString(
                child->Prefix(), child->LocalName(), child->ValueView())) {
            m_failed = child;
            return status;
        }
        // The nearest xml:space decides: any other value than "preserve" ends the scope.
        if (child->LocalName() == u"space" && child->Prefix() == u"xml")
            ws.preserve = child->ValueView() == u"preserve";
    }
    // Indentation among text would become part of it.
    if (text)
        m_writer.SetTextContent();
    return m_writer.CheckStartTag();
}

bool DocumentWriter::KeepsPlainWhitespace(const XmlNode* element, Whitespace& ws)
{
    // A load keeps such a text under xml:space="preserve", as the element's only content, or
    // in mixed content (beside a text that is not all whitespace); elsewhere it is layout.
    // Judged on what the loaded element will hold: the texts that write something (the own
    // value among them) and the other content.
    if (ws.kept < 0) {
        bool kept = ws.preserve;
        int texts = 0;
        bool other = false;
        auto count = [&](QStringView text) {
            if (text.isEmpty())
                return;
            ++texts;
            kept = kept || !IsXmlWhitespace(text);
        };
        for (const XmlNode* child : *element) {
            if (kept)
                break;
            if (child->Kind() == XmlNodeKind::Text)
                count(child->ValueView());
            else if (child->Kind() != XmlNodeKind::Attribute)
                other = true;
        }
        count(element->ValueView());
        ws.kept = kept || (!other && texts == 1);
    }
    return ws.kept;
}

namespace {

// Calls `visit` with `first` and every later text of its run (see FirstFormOfRun) until it
// returns false; returns whether it never did.
template <typename Visit>
bool VisitRun(QStringView first, const XmlNode* element, int next, Visit visit)
{
    if (!visit(first))
        return false;
    if (!element)
        return true;
    const int count = element->ChildCount();
    for (int i = next; i < count; ++i) {
        const XmlNode* child = element->begin()[i];
        if (child->Kind() == XmlNodeKind::Attribute)
            continue;
        if (child->Kind() != XmlNodeKind::Text)
            return true;
        if (!visit(child->ValueView()))
            return false;
    }
    return next > count || visit(element->ValueView());
}

} // namespace

DocumentWriter::TextForm DocumentWriter::FirstFormOfRun(QStringView first, const XmlNode* element,
                                                        int next, Whitespace& ws)
{
    // Plain text joins plain text right before it, a CDATA section joins a section right
    // before it, and a plain text with nothing but whitespace is dropped like indentation
    // unless the element keeps it, while CDATA cannot carry a lone CR. So the texts of a run
    // come back as separate nodes only if their forms take turns, starting with one form or
    // the other.
    auto takeTurns = [&](bool plainTurn) {
        return VisitRun(first, element, next, [&](QStringView text) {
            if (text.isEmpty())
                return true;
            const bool fit =
                plainTurn ? !IsXmlWhitespace(text) || (element && KeepsPlainWhitespace(element, ws))
                          : XmlWriter::CanWriteAsCData(text);
            plainTurn = !plainTurn;
            return fit;
        });
    };
    // The common lone text costs one whitespace check.
    if (takeTurns(true))
        return TextForm::Plain;
    return takeTurns(false) ? TextForm::CData : TextForm::None;
}

DocumentWriter::TextForm DocumentWriter::JoinedFormOfRun(QStringView first, const XmlNode* element,
                                                         int next, Whitespace& ws)
{
    // Written all plain, the run comes back as one text holding the whole of it, unless it is
    // all whitespace the element does not keep: then sections, which are always kept, if they
    // can carry it.
    bool whitespace = true;
    bool cdata = true;
    VisitRun(first, element, next, [&](QStringView text) {
        whitespace = whitespace && IsXmlWhitespace(text);
        cdata = cdata && XmlWriter::CanWriteAsCData(text);
        return whitespace;
    });
    return whitespace && cdata && !(element && KeepsPlainWhitespace(element, ws)) ? TextForm::CData
                                                                                  : TextForm::Plain;
}

XmlStatus DocumentWriter::WriteText(QStringView text, TextRun& run, const XmlNode* element,
                                    int next, Whitespace& ws)
{
    // An empty text leaves nothing a load could find, and writing nothing keeps its
    // neighbours one run.
    if (text.isEmpty())
        return XE_OK;
    TextForm form;
    if (run.last == TextForm::None) {
        form = FirstFormOfRun(text, element, next, ws);
        // No alternation keeps every text apart: all of it goes in one form and comes back as
        // one text, so no character is lost.
        if (form == TextForm::None)
            form = run.joined = JoinedFormOfRun(text, element, next, ws);
    } else if (run.joined != TextForm::None) {
        form = run.joined;
    } else {
        form = run.last == TextForm::CData ? TextForm::Plain : TextForm::CData;
    }
    run.last = form;
    return form == TextForm::CData ? m_writer.WriteCData(text) : m_writer.WriteString(text);
}

XmlStatus DocumentWriter::WriteNode(const XmlNode* node,
                                    const std::vector<NamespaceScope::Declaration>& declarations)
{
    XmlStatus status = XE_OK;
    switch (node->Kind()) {
    case XmlNodeKind::Text: {
        TextRun run;
        Whitespace ws;
        status = WriteText(node->ValueView(), run, nullptr, 0, ws);
        break;
    }
    case XmlNodeKind::Comment:
        status = m_writer.WriteComment(node->ValueView());
        break;
    case XmlNodeKind::ProcessingInstruction:
        // The qualified name: a prefix (only an edit can give one) makes the target refused
        // instead of silently lost.
        status = m_writer.WriteProcessingInstruction(node->QualifiedName(), node->ValueView());
        break;
    case XmlNodeKind::Element:
        return WriteElement(node, declarations);
    default:
        break;
    }
    if (status != XE_OK)
        m_failed = node;
    return status;
}

XmlStatus DocumentWriter::WriteElement(const XmlNode* node,
                                       const std::vector<NamespaceScope::Declaration>& declarations)
{
    // Iterative, so a tree nested deeper by edits than any parser allows cannot exhaust the
    // stack.
    struct Level {
        const XmlNode* element;
        int next;
        TextRun text;
        Whitespace ws;
    };
    std::vector<Level> levels;
    Whitespace ws;
    if (const XmlStatus status = StartElement(node, ws, declarations)) {
        if (!m_failed)
            m_failed = node;
        return status;
    }
    levels.push_back({node, 0, {}, ws});
    uint32_t stride = 0;
    while (!levels.empty()) {
        if (m_progress && ++stride == kProgressStride) {
            stride = 0;
            if (m_progress->IsCancelled())
                return XE_CANCELLED;
            m_progress->SetDone(m_writer.BytesWritten());
        }
        Level& level = levels.back();
        XmlStatus status = XE_OK;
        const XmlNode* written = level.element;
        if (level.next < level.element->ChildCount()) {
            const XmlNode* child = level.element->begin()[level.next++];
            written = child;
            switch (child->Kind()) {
            case XmlNodeKind::Element: {
                level.text = {};
                Whitespace inner{level.ws.preserve};
                status = StartElement(child, inner);
                if (status == XE_OK)
                    levels.push_back({child, 0, {}, inner}); // `level` dangles from here
                break;
            }
            case XmlNodeKind::Text:
                status =
                    WriteText(child->ValueView(), level.text, level.element, level.next, level.ws);
                break;
            case XmlNodeKind::Comment:
                level.text = {};
                status = m_writer.WriteComment(child->ValueView());
                break;
            case XmlNodeKind::ProcessingInstruction:
                level.text = {};
                status =
                    m_writer.WriteProcessingInstruction(child->QualifiedName(), child->ValueView());
                break;
            default:
                break;
            }
        } else {
            // A value of the element itself is text content after its children.
            status = WriteText(level.element->ValueView(), level.text, level.element,
                               level.element->ChildCount() + 1, level.ws);
            if (status == XE_OK)
                status = m_writer.WriteEndElement();
            levels.pop_back();
        }
        if (status != XE_OK) {
            if (!m_failed)
                m_failed = written;
            return status;
        }
    }
    return XE_OK;
}

XmlStatus XmlDocument::SerializeDocument(QByteArray& output, int32_t* failedNodeId,
                                         FileProgress* progress) const
{
    output.clear();
    if (failedNodeId)
        *failedNodeId = -1;
    if (!m_root.HasChildren())
        return XE_INTERNAL;
    XmlWriter writer(output, XmlWriter::Conformance::Document);
    writer.SetIndent(true);
    DocumentWriter nodes(writer);
    nodes.SetProgress(progress);
    XmlStatus status = writer.WriteStartDocument(
        m_standalone == Standalone::Yes  ? XmlWriter::Standalone::Yes
        : m_standalone == Standalone::No ? XmlWriter::Standalone::No
                                         : XmlWriter::Standalone::Omitted);
    if (status == XE_OK && !m_documentType.isEmpty())
        status = writer.WriteDocumentType(m_documentType);
    for (const XmlNode* child : m_root) {
        if (status != XE_OK)
            break;
        if (child->Kind() != XmlNodeKind::Attribute)
            status = nodes.WriteNode(child);
    }
    if (status == XE_OK)
        status = writer.WriteEndDocument();
    if (status == XE_OK)
        status = writer.Flush();
    if (failedNodeId && nodes.FailedNode())
        *failedNodeId = nodes.FailedNode()->Id();
    return status;
}

namespace {

// Why a save to `path` failed: a folder and a file that may not be written are named; for
// anything else the system's own words.
FileFailure SaveFailure(const QString& path, const QString& systemText)
{
    const QFileInfo info(path);
    if (info.isDir())
        return FileFailure::Of(FileFailure::Kind::Folder);
    if (info.exists() && !info.isWritable())
        return FileFailure::Of(FileFailure::Kind::ReadOnly);
    return systemText.isEmpty() ? FileFailure()
                                : FileFailure::Of(FileFailure::Kind::System, systemText);
}

} // namespace

XmlStatus XmlDocument::Save(const QString& path, FileProgress* progress)
{
    // Serialise first: a document the writer refuses never touches the file. The file is then
    // replaced as a whole, so any failure on the way leaves the old one byte for byte.
    QByteArray data;
    m_saveFailureNodeId = -1;
    m_fileFailure = FileFailure();
    if (progress) {
        // The old file's size is the best guess of the new one's.
        const QFileInfo old(path);
        progress->SetTotal(old.isFile() ? 2 * old.size() : 0);
    }
    XmlStatus status = path.isEmpty() ? XE_CANNOT_OPEN_FILE
                                      : SerializeDocument(data, &m_saveFailureNodeId, progress);
    if (status == XE_OK) {
        if (progress)
            progress->SetTotal(2 * data.size());
        FileFingerprint::Pending fingerprint(data);
        std::unique_ptr<SaveFileSystem::Target> target =
            SaveFileSystem::Current().CreateTarget(path);
        bool written = target && target->Open();
        for (qint64 at = 0; written && at < data.size(); at += kWriteChunk) {
            if (progress && progress->IsCancelled()) {
                status = XE_CANCELLED;
                break;
            }
            if (progress)
                progress->SetDone(data.size() + at);
            written = target->Write(data.constData() + at, std::min(kWriteChunk, data.size() - at));
        }
        // The last chance to stop: after the commit the file is the new one.
        if (status == XE_OK && progress && progress->IsCancelled())
            status = XE_CANCELLED;
        if (status == XE_OK) {
            written = written && target->Flush() && target->Commit();
            // The table has no row of its own for write, flush or rename failures; they are
            // all the file not taking the save.
            if (!written) {
                status = XE_CANNOT_OPEN_FILE;
                m_fileFailure = SaveFailure(path, target ? target->ErrorString() : QString());
            } else {
                m_diskFingerprint = fingerprint.Finish(QFileInfo(path));
            }
        }
    }
    OnSaved(status);
    return status;
}

QString XmlDocument::NodeToXmlText(int32_t id) const
{
    const XmlNode* node = FindNode(id);
    if (!node)
        return QString();
    // A text, comment or attribute is copied as what it holds: its XML alone would be the
    // same characters, escaped, after an XML declaration.
    if (node->Kind() == XmlNodeKind::Text || node->Kind() == XmlNodeKind::Comment ||
        node->Kind() == XmlNodeKind::Attribute)
        return node->Value();
    // An element takes along the declarations it uses from its ancestors, so the text is
    // well-formed XML that means the same on its own. An unbound default namespace is what a
    // fragment has anyway.
    std::vector<NamespaceScope::Declaration> declarations = NamespaceScope::NeededFromOutside(node);
    std::erase_if(declarations, [](const NamespaceScope::Declaration& declaration) {
        return declaration.prefix.isEmpty() && declaration.uri.isEmpty();
    });
    QByteArray data;
    XmlStatus status;
    {
        XmlWriter writer(data, XmlWriter::Conformance::Fragment);
        writer.SetIndent(true);
        status = writer.WriteStartDocument();
        if (status == XE_OK)
            status = DocumentWriter(writer).WriteNode(node, declarations);
        if (status == XE_OK)
            status = writer.WriteEndDocument();
        if (status == XE_OK)
            status = writer.Flush();
    }
    // A half-written fragment would look like the node's XML on the clipboard.
    if (status != XE_OK)
        return QString();
    return QString::fromUtf8(data);
}
