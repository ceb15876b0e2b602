#include "document/DocumentWriter.h"

#include "document/SaveFileSystem.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "document/XmlWriter.h"

#include <QFileInfo>

#include <vector>

namespace {

bool IsXmlWhitespace(QStringView text)
{
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n')
            return false;
    }
    return true;
}

// Large enough to keep system calls few, small enough that a failing disk is noticed early.
constexpr qint64 kWriteChunk = 1 << 20;

} // namespace

XmlStatus DocumentWriter::StartElement(const XmlNode* element)
{
    if (const XmlStatus status =
            m_writer.WriteStartElement(element->Prefix(), element->LocalName()))
        return status;
    // Attributes go into the start tag wherever they stand among the children. The default
    // namespace declaration is one of them, written exactly as stored, so xmlns="" and a
    // declaration repeating the parent's survive the save.
    for (const XmlNode* child : *element) {
        if (child->Kind() != XmlNodeKind::Attribute)
            continue;
        if (const XmlStatus status = m_writer.WriteAttributeString(
                child->Prefix(), child->LocalName(), child->ValueView()))
            return status;
    }
    return XE_OK;
}

DocumentWriter::TextForm DocumentWriter::FirstFormOfRun(QStringView first, const XmlNode* element,
                                                        int next)
{
    // Plain text joins plain text right before it, a CDATA section joins a section right
    // before it, and a plain text with nothing but whitespace is dropped like indentation,
    // while CDATA cannot carry a lone CR. So the texts of a run come back as separate nodes
    // only if their forms take turns, starting with one form or the other.
    auto takeTurns = [&](bool plainTurn) {
        auto fits = [&plainTurn](QStringView text) {
            if (text.isEmpty())
                return true;
            const bool fit = plainTurn ? !IsXmlWhitespace(text) : XmlWriter::CanWriteAsCData(text);
            plainTurn = !plainTurn;
            return fit;
        };
        if (!fits(first))
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
            if (!fits(child->ValueView()))
                return false;
        }
        return next > count || fits(element->ValueView());
    };
    // The common lone text costs one whitespace check.
    if (takeTurns(true))
        return TextForm::Plain;
    return takeTurns(false) ? TextForm::CData : TextForm::None;
}

XmlStatus DocumentWriter::WriteText(QStringView text, TextRun& run, const XmlNode* element,
                                    int next)
{
    // An empty text leaves nothing a load could find, and writing nothing keeps its
    // neighbours one run.
    if (text.isEmpty())
        return XE_OK;
    TextForm form;
    if (run.last == TextForm::None) {
        const TextForm first = FirstFormOfRun(text, element, next);
        // No alternation keeps every text apart: all of it is written plain and comes back
        // as one text holding the whole of it, so no character is lost.
        run.joined = first == TextForm::None;
        form = run.joined ? TextForm::Plain : first;
    } else {
        form = run.joined || run.last == TextForm::CData ? TextForm::Plain : TextForm::CData;
    }
    run.last = form;
    return form == TextForm::CData ? m_writer.WriteCData(text) : m_writer.WriteString(text);
}

XmlStatus DocumentWriter::WriteNode(const XmlNode* node)
{
    switch (node->Kind()) {
    case XmlNodeKind::Text: {
        TextRun run;
        return WriteText(node->ValueView(), run, nullptr, 0);
    }
    case XmlNodeKind::Comment:
        return m_writer.WriteComment(node->ValueView());
    case XmlNodeKind::Element:
        break;
    default:
        return XE_OK;
    }

    // Iterative, so a tree nested deeper by edits than any parser allows cannot exhaust the
    // stack.
    struct Level {
        const XmlNode* element;
        int next;
        TextRun text;
    };
    std::vector<Level> levels;
    if (const XmlStatus status = StartElement(node))
        return status;
    levels.push_back({node, 0, {}});
    while (!levels.empty()) {
        Level& level = levels.back();
        XmlStatus status = XE_OK;
        if (level.next < level.element->ChildCount()) {
            const XmlNode* child = level.element->begin()[level.next++];
            switch (child->Kind()) {
            case XmlNodeKind::Element:
                level.text = {};
                status = StartElement(child);
                if (status == XE_OK)
                    levels.push_back({child, 0, {}});
                break;
            case XmlNodeKind::Text:
                status = WriteText(child->ValueView(), level.text, level.element, level.next);
                break;
            case XmlNodeKind::Comment:
                level.text = {};
                status = m_writer.WriteComment(child->ValueView());
                break;
            default:
                break;
            }
        } else {
            // A value of the element itself is text content after its children.
            status = WriteText(level.element->ValueView(), level.text, nullptr, 0);
            if (status == XE_OK)
                status = m_writer.WriteEndElement();
            levels.pop_back();
        }
        if (status != XE_OK)
            return status;
    }
    return XE_OK;
}

XmlStatus XmlDocument::SerializeDocument(QByteArray& output) const
{
    output.clear();
    if (!m_root.HasChildren())
        return XE_INTERNAL;
    XmlWriter writer(output, XmlWriter::Conformance::Document);
    writer.SetIndent(true);
    DocumentWriter nodes(writer);
    XmlStatus status = writer.WriteStartDocument();
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
    return status;
}

XmlStatus XmlDocument::Save(const QString& path)
{
    // Serialise first: a document the writer refuses never touches the file. The file is then
    // replaced as a whole, so any failure on the way leaves the old one byte for byte.
    QByteArray data;
    XmlStatus status = path.isEmpty() ? XE_CANNOT_OPEN_FILE : SerializeDocument(data);
    if (status == XE_OK) {
        std::unique_ptr<SaveFileSystem::Target> target =
            SaveFileSystem::Current().CreateTarget(path);
        bool written = target && target->Open();
        for (qint64 at = 0; written && at < data.size(); at += kWriteChunk)
            written = target->Write(data.constData() + at, std::min(kWriteChunk, data.size() - at));
        written = written && target->Flush() && target->Commit();
        // The table has no row of its own for write, flush or rename failures; they are all
        // the file not taking the save.
        if (!written)
            status = XE_CANNOT_OPEN_FILE;
        else
            m_diskFingerprint = FileFingerprint::Of(QFileInfo(path), data);
    }
    OnSaved(status);
    return status;
}

QString XmlDocument::NodeToXmlText(int32_t id) const
{
    const XmlNode* node = FindNode(id);
    if (!node)
        return QString();
    QByteArray data;
    XmlStatus status;
    {
        XmlWriter writer(data, XmlWriter::Conformance::Fragment);
        writer.SetIndent(true);
        status = writer.WriteStartDocument();
        if (status == XE_OK)
            status = DocumentWriter(writer).WriteNode(node);
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
