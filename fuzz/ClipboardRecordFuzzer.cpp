// libFuzzer target for the clipboard record reader: any byte block must either be refused or
// decode into a subtree that builds, re-encodes to the same record and decodes again.
#include "document/XmlDocument.h"
#include "editing/ClipboardRecord.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView block(reinterpret_cast<const char*>(data), qsizetype(size));
    ClipboardRecord::Parsed parsed;
    if (!ClipboardRecord::Decode(block, parsed))
        return 0;
    XmlDocument doc;
    XmlNodeData record;
    record.kind = XmlNodeKind::Element;
    record.localName = QStringLiteral("target");
    XmlNode* target = doc.AppendChild(doc.Root(), record);
    const XmlNode* built = ClipboardRecord::Build(doc, target, 0, parsed);
    if (!built || target->ChildCount() != 1)
        std::abort();
    const QByteArray again = ClipboardRecord::EncodeBlock(*built);
    ClipboardRecord::Parsed reparsed;
    if (!ClipboardRecord::Decode(again, reparsed) || reparsed.size() != parsed.size())
        std::abort();
    for (size_t i = 0; i < parsed.size(); ++i) {
        if (reparsed[i].kind != parsed[i].kind || reparsed[i].childCount != parsed[i].childCount ||
            reparsed[i].prefix != parsed[i].prefix ||
            reparsed[i].localName != parsed[i].localName || reparsed[i].value != parsed[i].value)
            std::abort();
    }
    return 0;
}
