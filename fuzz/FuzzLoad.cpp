// Load from bytes: any input gives a status, never a crash or a hang. A loaded tree is
// consistent, numbered in document order from 0, holds line breaks as CR LF only, and never
// holds text of a file the input merely refers to; nor does it depend on where the reader's
// slices end.
#include "FuzzCheck.h"

#include "document/XmlReader.h"

#include <QDir>
#include <QFile>

#include <cstdint>

namespace {

// The file the inputs reference through external entities and DTDs.
constexpr char kSecretPath[] = "/tmp/tovi-fuzz-secret.txt";
constexpr char16_t kSecret[] = u"TOVI-FUZZ-SECRET-CANARY";

void CheckLoaded(const XmlDocument& document)
{
    FUZZ_CHECK(!document.IsModified(), "a fresh load counts as modified");
    // IDs are dense from 0 and each is used once; they follow document order except for
    // whitespace kept only once its element turned out mixed, which comes after its siblings.
    int32_t expectedId = 0;
    int32_t lastMarkupId = -1;
    std::vector<bool> seen;
    std::vector<const XmlNode*> pending;
    for (int i = document.Root()->ChildCount() - 1; i >= 0; --i)
        pending.push_back(document.Root()->ChildAt(i));
    while (!pending.empty()) {
        const XmlNode* node = pending.back();
        pending.pop_back();
        FUZZ_CHECK(node->Id() >= 0, "an ID for every node");
        if (size_t(node->Id()) >= seen.size())
            seen.resize(size_t(node->Id()) + 1);
        FUZZ_CHECK(!seen[size_t(node->Id())], "each ID once");
        seen[size_t(node->Id())] = true;
        if (node->Kind() != XmlNodeKind::Text) {
            FUZZ_CHECK(node->Id() > lastMarkupId, "IDs in document order but for texts");
            lastMarkupId = node->Id();
        }
        ++expectedId;
        const QStringView value = node->ValueView();
        for (qsizetype i = 0; i < value.size(); ++i)
            FUZZ_CHECK(value[i] != u'\n' || (i > 0 && value[i - 1] == u'\r'), "lone LF");
        FUZZ_CHECK(!value.contains(QStringView(kSecret)), "external file content in the tree");
        bool contentSeen = false;
        for (const XmlNode* child : *node) {
            if (child->Kind() == XmlNodeKind::Attribute)
                FUZZ_CHECK(!contentSeen, "attribute after content");
            else
                contentSeen = true;
        }
        for (int i = node->ChildCount() - 1; i >= 0; --i)
            pending.push_back(node->ChildAt(i));
    }
    FUZZ_CHECK(document.NextId() == expectedId && seen.size() == size_t(expectedId),
               "IDs dense from 0 after a load");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QFile secret(QString::fromLatin1(kSecretPath));
    if (secret.open(QIODevice::WriteOnly | QIODevice::Truncate))
        secret.write(QString::fromUtf16(kSecret).toUtf8() + "\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    XmlDocument document;
    const XmlStatus status = document.LoadFromData(bytes);
    fuzz::CheckConsistent(document);
    if (status == XE_OK) {
        CheckLoaded(document);
    } else {
        FUZZ_CHECK((document.ErrorLine() == -1) == (document.ErrorPosition() == -1),
                   "error line and position set together");
    }
    // A second load into the same document starts from scratch.
    FUZZ_CHECK(document.LoadFromData(bytes) == status, "the same bytes load the same way");
    // Where the reader's slices end changes nothing: the same success, the same tree.
    const QString tree = status == XE_OK ? fuzz::DumpTree(document) : QString();
    XmlReader::SetSliceBytes(1 + int(size % 61));
    XmlDocument sliced;
    const XmlStatus slicedStatus = sliced.LoadFromData(bytes);
    XmlReader::SetSliceBytes(0);
    FUZZ_CHECK((slicedStatus == XE_OK) == (status == XE_OK), "slices change whether it loads");
    if (status == XE_OK)
        FUZZ_CHECK(fuzz::DumpTree(sliced) == tree, "slices change the tree");
    return 0;
}
