// Load, then edits chosen by the input, then save and load again: the saved text must load,
// give the edited tree back (up to the forms the writer is known to settle), and save to the
// very same bytes. Undoing every edit gives the loaded tree back, redoing them the edited one.
//
// Input layout: byte 0 is the length L of the edit script (mod 128), the last L bytes are the
// script (three bytes per edit), the bytes between are the XML text.
#include "FuzzCheck.h"

#include "MemoryClipboard.h"
#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/NamespaceScope.h"
#include "document/XmlWriter.h"
#include "editing/ItemEditLogic.h"
#include "editing/NodeClipboard.h"

#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

const QStringList kNames = {"n",   "p:q",  "xmlns", "xmlns:p", "a",     "x1",        "_",
                            "b.c", "1bad", "",      "r:s",     "space", "xml:space", "XmL"};
const QStringList kValues = {
    "",      "v",    "a<b&c>d", "x\r\ny",   "]]>",   "--",           "-",
    "\t",    "x\ry", "\n",      " ",        "urn:p", "\u00e9\u4e2d", "\U0001F600",
    "a\"'b", "\x01", "end-",    "preserve", " x",    "a?>b",         "\r\n \t"};

struct Script {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool Next(uint8_t& op, uint8_t& target, uint8_t& argument)
    {
        if (at + 3 > size)
            return false;
        op = data[at];
        target = data[at + 1];
        argument = data[at + 2];
        at += 3;
        return true;
    }
};

std::vector<XmlNode*> Nodes(XmlDocument& document)
{
    std::vector<XmlNode*> nodes;
    std::vector<XmlNode*> pending{document.Root()};
    while (!pending.empty()) {
        XmlNode* node = pending.back();
        pending.pop_back();
        for (XmlNode* child : *node) {
            nodes.push_back(child);
            pending.push_back(child);
        }
    }
    return nodes;
}

// Applies one edit; true when it went through the editor's own checks (renames, values and
// pastes as the edit box and the paste command make them) or cannot leave the document
// unsavable (steps, duplicates, undo, redo), false for a raw model edit.
bool ApplyEdit(XmlDocument& document, uint8_t op, uint8_t target, uint8_t argument)
{
    std::vector<XmlNode*> nodes = Nodes(document);
    if (nodes.empty())
        return true;
    XmlNode* node = nodes[target % nodes.size()];
    XmlNode* other = nodes[argument % nodes.size()];
    const int32_t id = node->Id();
    const QString& name = kNames[argument % kNames.size()];
    const QString& value = kValues[argument % kValues.size()];
    switch (op % 16) {
    case 0:
        // An element's value is no cell a user can edit; the view never sets one.
        if (node->Kind() != XmlNodeKind::Element)
            document.SetNodeValue(id, value);
        break;
    case 1: {
        const qsizetype colon = name.indexOf(u':');
        document.RenameNode(id, colon < 0 ? QString() : name.left(colon),
                            colon < 0 ? name : name.mid(colon + 1));
        break;
    }
    case 2:
        document.SetLocalName(id, name.contains(u':') ? name.mid(name.indexOf(u':') + 1) : name);
        break;
    case 3:
        document.MoveNodeStep(id, argument & 1);
        break;
    case 4:
        document.DeleteNode(id);
        break;
    case 5:
        if (nodes.size() < 2000)
            document.DuplicateNode(id);
        break;
    case 6: {
        XmlNodeData record;
        static const XmlNodeKind kinds[] = {XmlNodeKind::Element,
                                            XmlNodeKind::Attribute,
                                            XmlNodeKind::Text,
                                            XmlNodeKind::Comment,
                                            XmlNodeKind::ProcessingInstruction,
                                            XmlNodeKind::Text};
        record.kind = kinds[(argument >> 3) % 6 == 4 ? 4 : argument & 3];
        record.localName = record.kind == XmlNodeKind::Text      ? QStringLiteral("#Text")
                           : record.kind == XmlNodeKind::Comment ? QStringLiteral("#Comment")
                                                                 : QStringLiteral("New_Node");
        record.value = record.kind == XmlNodeKind::Element ? QString() : value;
        NodeIdPath path;
        const bool asChild = argument & 4;
        const int32_t parentId = asChild ? id : (node->Parent()->Id());
        document.InsertNode(record, parentId, asChild ? -1 : id, path);
        break;
    }
    case 7:
        document.MoveNodeTo(id, other->Id());
        break;
    case 8:
        if (nodes.size() < 2000)
            document.CopyNodeTo(id, other->Id());
        break;
    case 9:
    case 10:
        document.History().Undo();
        break;
    case 11:
        document.History().Redo();
        break;
    case 12:
    case 15:
        ItemEditLogic::ApplyItemEdit(document, id, ItemEditLogic::kNameColumn, name, op % 16 == 12);
        // Renaming a declaration in use is left to the user.
        return !NamespaceScope::IsDeclaration(node);
    case 13:
        ItemEditLogic::ApplyItemEdit(document, id, ItemEditLogic::kValueColumn, value, true);
        // So is rebinding a prefix: it may make two attributes of an element one.
        return !NamespaceScope::IsDeclaration(node);
    case 14: {
        MemoryClipboard clipboard;
        if (nodes.size() < 2000 && NodeClipboard::CopyNodeToClipboard(clipboard, document, id))
            NodeClipboard::PasteFromClipboard(clipboard, document, other->Id());
        return true;
    }
    }
    const int kind = op % 16;
    return kind == 3 || kind == 5 || kind >= 9;
}

// The stored forms the writer cannot carry through a load as they are, in the form the load
// gives back: a lone LF becomes CR LF in text and attributes; in comments and instructions
// every line end becomes CR LF; an instruction's data loses its leading whitespace (the parser
// takes it for the separator). A comment with "--" or a final "-" is refused by the writer.
QString Settled(QStringView value, bool comment, bool instruction = false)
{
    if (instruction) {
        while (!value.isEmpty() &&
               (value[0] == u' ' || value[0] == u'\t' || value[0] == u'\r' || value[0] == u'\n'))
            value = value.mid(1);
        return Settled(value, true);
    }
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\n' && !(i > 0 && value[i - 1] == u'\r')) {
            out += u"\r\n";
        } else if (comment && c == u'\r' && !(i + 1 < value.size() && value[i + 1] == u'\n')) {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// Attributes are written in the start tag wherever they stand among the children, so they
// load back first, in their order (namespace declarations among them).
int Group(const XmlNode* node)
{
    return node->Kind() == XmlNodeKind::Attribute ? 0 : 1;
}

bool IsWhitespace(QStringView text)
{
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n')
            return false;
    }
    return true;
}

// Where a load keeps a whitespace-only text that is not a CDATA section: in xml:space="preserve"
// scope, in mixed content (a text that is not whitespace only) and as an element's only content.
struct WhitespaceScope {
    bool preserve = false;
    bool mixed = false;
    int contentNodes = 0; // content children that write something
};

// What XML text can keep of adjacent text nodes: plain text joins plain text and a CDATA
// section joins a section, so they come back apart only when plain text (which loses
// whitespace-only text where the load takes it for layout) and CDATA (which cannot carry a lone
// CR) can take turns; otherwise they come back as one text holding all of it, or nothing if
// that is whitespace the load drops.
QStringList SettledRun(const QList<QStringView>& run, const WhitespaceScope& scope)
{
    // A run that is the element's only content comes back as its only text.
    const bool alone = scope.contentNodes == run.size();
    auto plainKeeps = [&](QStringView text, bool single) {
        return !IsWhitespace(text) || scope.preserve || scope.mixed || (alone && single);
    };
    bool plainFirst = true;
    bool cdataFirst = true;
    QString joined;
    for (qsizetype i = 0; i < run.size(); ++i) {
        const bool plain = plainKeeps(run[i], run.size() == 1);
        const bool cdata = XmlWriter::CanWriteAsCData(run[i]);
        plainFirst = plainFirst && (i % 2 == 0 ? plain : cdata);
        cdataFirst = cdataFirst && (i % 2 == 0 ? cdata : plain);
        joined += run[i];
    }
    QStringList out;
    if (plainFirst || cdataFirst) {
        for (QStringView text : run)
            out << Settled(text, false);
    } else if (plainKeeps(joined, true) || std::all_of(run.begin(), run.end(), [](QStringView t) {
                   return XmlWriter::CanWriteAsCData(t);
               })) {
        // Joined: written plain, or as sections (which a load keeps and joins) when plain
        // whitespace would be dropped.
        out << Settled(joined, false);
    }
    return out;
}

void DumpSettled(const XmlNode* node, int depth, QString& out, bool preserve)
{
    auto line = [&](XmlNodeKind kind, const QString& name, const QString& value) {
        out += QString::number(depth) + u' ' + QString::number(int(kind)) + u' ' + name + u'=' +
               value + u'\x1f';
    };
    WhitespaceScope scope;
    scope.preserve = preserve;
    for (const XmlNode* child : *node) {
        const XmlNodeKind kind = child->Kind();
        if (kind == XmlNodeKind::Attribute && child->Prefix() == u"xml" &&
            child->LocalName() == u"space")
            scope.preserve = child->ValueView() == u"preserve";
        if (kind == XmlNodeKind::Text && !child->ValueView().isEmpty() &&
            !IsWhitespace(child->ValueView()))
            scope.mixed = true;
        if (kind != XmlNodeKind::Attribute &&
            !(kind == XmlNodeKind::Text && child->ValueView().isEmpty()))
            ++scope.contentNodes;
    }
    const QString textName = u'|' + LoadText(StringId::TextName);
    QList<QStringView> run;
    auto endRun = [&] {
        // Texts left out of a run count no more as content of their own.
        for (const QString& text : SettledRun(run, scope))
            line(XmlNodeKind::Text, textName, text);
        run.clear();
    };
    for (int group : {0, 1}) {
        for (const XmlNode* child : *node) {
            if (Group(child) != group)
                continue;
            const XmlNodeKind kind = child->Kind();
            // An empty text leaves nothing in the text; its neighbours stay one run.
            if (kind == XmlNodeKind::Text) {
                if (!child->ValueView().isEmpty())
                    run << child->ValueView();
                continue;
            }
            endRun();
            // Comment nodes keep no name of their own in XML text.
            const bool named = kind != XmlNodeKind::Comment;
            line(kind,
                 named ? child->Prefix() + u'|' + child->LocalName()
                       : u'|' + LoadText(StringId::CommentName),
                 Settled(child->ValueView(), kind == XmlNodeKind::Comment,
                         kind == XmlNodeKind::ProcessingInstruction));
            DumpSettled(child, depth + 1, out, scope.preserve);
        }
    }
    endRun();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t scriptSize = std::min<size_t>(data[0] % 128, size - 1);
    const QByteArray xml(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1 - scriptSize));
    XmlDocument document;
    if (document.LoadFromData(xml) != XE_OK)
        return 0;
    const QString loaded = fuzz::DumpTree(document);

    Script script{data + size - scriptSize, scriptSize};
    uint8_t op, target, argument;
    QByteArray saved;
    const bool loadedSaves = document.SerializeDocument(saved) == XE_OK;
    bool editorChecked = true;
    while (script.Next(op, target, argument)) {
        editorChecked = ApplyEdit(document, op, target, argument) && editorChecked;
        fuzz::CheckConsistent(document);
    }
    const QString edited = fuzz::DumpTree(document);

    const XmlStatus status = document.SerializeDocument(saved);
    // What the editor accepts it can save.
    if (loadedSaves && editorChecked && status != XE_OK)
        std::fprintf(stderr, "unsavable after accepted edits (status %08x):\n%s\n", status,
                     qPrintable(QString(edited).replace(u'\x1f', u'\n')));
    FUZZ_CHECK(!loadedSaves || !editorChecked || status == XE_OK,
               "edits the editor accepts keep the document savable");
    FUZZ_CHECK(fuzz::DumpTree(document) == edited, "serialising changed the tree");
    if (status == XE_OK) {
        XmlDocument back;
        const XmlStatus reloaded = back.LoadFromData(saved);
        if (reloaded != XE_OK)
            std::fprintf(stderr, "saved text that does not load (status %08x):\n%s\n", reloaded,
                         saved.constData());
        FUZZ_CHECK(reloaded == XE_OK, "the saved text loads again");
        QString settled;
        DumpSettled(document.Root(), 0, settled, false);
        if (fuzz::DumpTree(back) != settled)
            std::fprintf(stderr, "expected:\n%s\nloaded:\n%s\nfrom:\n%s\n",
                         qPrintable(QString(settled).replace(u'\x1f', u'\n')),
                         qPrintable(fuzz::DumpTree(back).replace(u'\x1f', u'\n')),
                         saved.constData());
        FUZZ_CHECK(fuzz::DumpTree(back) == settled, "the tree survives save and load");
        QByteArray again;
        FUZZ_CHECK(back.SerializeDocument(again) == XE_OK, "the reloaded tree saves");
        // A tree that came back as it was saves to the very same bytes.
        if (fuzz::DumpTree(back) == edited)
            FUZZ_CHECK(again == saved, "saving the reloaded tree gives the same bytes");
    }

    // Every recorded edit undoes to the loaded tree and redoes to the edited one.
    UndoHistory& history = document.History();
    const int32_t position = history.CurrentPosition();
    while (history.CanUndo())
        FUZZ_CHECK(history.Undo(), "undo of a recorded edit");
    FUZZ_CHECK(fuzz::DumpTree(document) == loaded, "undoing everything gives the loaded tree");
    FUZZ_CHECK(!document.IsModified(), "the loaded state counts as unmodified");
    while (history.CurrentPosition() < position)
        FUZZ_CHECK(history.Redo(), "redo of an undone edit");
    FUZZ_CHECK(fuzz::DumpTree(document) == edited, "redoing gives the edited tree back");
    fuzz::CheckConsistent(document);
    return 0;
}
