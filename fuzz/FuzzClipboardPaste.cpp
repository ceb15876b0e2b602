// The node clipboard reader, reached the way a paste reaches it: any block either pastes one
// subtree as a single undoable step or changes nothing and records nothing. A pasted subtree
// copies back to a block that pastes the same subtree again.
#include "FuzzCheck.h"

#include "MemoryClipboard.h"
#include "editing/NodeClipboard.h"

#include <cstdint>

namespace {

XmlNode* Append(XmlDocument& document, XmlNode* parent, XmlNodeKind kind, const QString& name,
                const QString& value = QString())
{
    XmlNodeData record;
    record.kind = kind;
    record.localName = name;
    record.value = value;
    return document.AppendChild(parent, record);
}

QString DumpSubtree(const XmlNode* node)
{
    QString out = QString::number(int(node->Kind())) + u' ' + node->Prefix() + u'|' +
                  node->LocalName() + u'=' + node->ValueView().toString() + u'\x1f';
    fuzz::DumpTree(node, 1, out);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    XmlDocument document;
    XmlNode* root = Append(document, document.Root(), XmlNodeKind::Element, "root");
    XmlNode* first = Append(document, root, XmlNodeKind::Element, "first");
    Append(document, first, XmlNodeKind::Attribute, "a", "1");
    Append(document, first, XmlNodeKind::Text, "#Text", "t");
    XmlNode* second = Append(document, root, XmlNodeKind::Element, "second");
    const QString before = fuzz::DumpTree(document);
    const int32_t historyBefore = document.History().Count();

    MemoryClipboard clipboard;
    clipboard.SetData(NodeClipboard::FormatName(),
                      QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const int childrenBefore = first->ChildCount();
    if (!NodeClipboard::PasteFromClipboard(clipboard, document, first->Id())) {
        FUZZ_CHECK(fuzz::DumpTree(document) == before, "a refused paste changed the tree");
        FUZZ_CHECK(document.History().Count() == historyBefore, "a refused paste was recorded");
        fuzz::CheckConsistent(document);
        return 0;
    }
    FUZZ_CHECK(document.History().Count() == historyBefore + 1, "a paste is one action");
    FUZZ_CHECK(first->ChildCount() == childrenBefore + 1, "a paste adds one child");
    fuzz::CheckConsistent(document);
    const XmlNode* pasted = first->LastChild();
    const QString subtree = DumpSubtree(pasted);
    const QString after = fuzz::DumpTree(document);

    // Copy the pasted node and paste it elsewhere: the same subtree arrives.
    FUZZ_CHECK(NodeClipboard::CopyNodeToClipboard(clipboard, document, pasted->Id()),
               "a pasted node can be copied");
    FUZZ_CHECK(NodeClipboard::PasteFromClipboard(clipboard, document, second->Id()),
               "a copied block pastes");
    FUZZ_CHECK(DumpSubtree(second->LastChild()) == subtree, "copy and paste keep the subtree");

    FUZZ_CHECK(document.History().Undo(), "undo of the second paste");
    FUZZ_CHECK(fuzz::DumpTree(document) == after, "undo removes the second paste");
    FUZZ_CHECK(document.History().Undo(), "undo of the first paste");
    FUZZ_CHECK(fuzz::DumpTree(document) == before, "undo removes the first paste");
    FUZZ_CHECK(document.History().Redo(), "redo of the first paste");
    FUZZ_CHECK(fuzz::DumpTree(document) == after, "redo restores the first paste");
    fuzz::CheckConsistent(document);
    return 0;
}
