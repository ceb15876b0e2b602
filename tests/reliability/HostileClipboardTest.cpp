// Clipboard blocks that lie about their sizes: a paste refuses them whole, changes nothing
// and records nothing, whatever the counts say.
#include "ReliabilityHelpers.h"

#include "MemoryClipboard.h"
#include "editing/ClipboardRecord.h"
#include "editing/NodeClipboard.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace reliability;

namespace {

QByteArray Count(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(value, bytes.data());
    return bytes;
}

QByteArray String(const QString& text)
{
    QByteArray bytes = Count(quint32(text.size() + 1));
    for (QChar unit : text) {
        bytes += char(unit.unicode() & 0xFF);
        bytes += char(unit.unicode() >> 8);
    }
    return bytes + QByteArray(2, '\0');
}

QByteArray Record(quint8 kind, quint32 children, const QString& local, const QString& value)
{
    return QByteArray(1, char(kind)) + Count(children) + String(QString()) + String(local) +
           String(value);
}

class HostileClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(document.LoadFromData("<r><target a=\"1\">t</target></r>"), XE_OK);
        target = document.Root()->ChildAt(0)->ChildAt(0)->Id();
        before = DumpTree(document);
    }
    void ExpectRefused(const QByteArray& block, const char* what)
    {
        SCOPED_TRACE(what);
        clipboard.SetData(NodeClipboard::FormatName(), block);
        EXPECT_FALSE(NodeClipboard::PasteFromClipboard(clipboard, document, target));
        EXPECT_EQ(DumpTree(document), before);
        EXPECT_EQ(document.History().Count(), 0);
        EXPECT_EQ(document.Store().LiveNodes(), size_t(4)); // nothing half-built stays behind
    }

    XmlDocument document;
    MemoryClipboard clipboard;
    int32_t target = -1;
    QString before;
};

} // namespace

TEST_F(HostileClipboardTest, CountsThatOverflowOrPointPastTheEndAreRefused)
{
    const QByteArray text = Record(3, 0, "#Text", "ab");
    // Child counts the block cannot hold.
    ExpectRefused(Record(1, 0xFFFFFFFFu, "e", "") + text, "child count 2^32-1");
    ExpectRefused(Record(1, 0x80000000u, "e", "") + text + text, "child count 2^31");
    ExpectRefused(Record(1, 2, "e", "") + text, "one child short");
    // String counts whose byte size overflows 32 bits (2 * 2^31 == 0) or runs past the end.
    for (quint32 count : {0x80000000u, 0x80000001u, 0xFFFFFFFFu, 0x7FFFFFFFu, 40u}) {
        QByteArray block = QByteArray(1, '\3') + Count(0) + Count(count) + QByteArray(40, '\0');
        ExpectRefused(block, "prefix count");
        block = QByteArray(1, '\3') + Count(0) + String("") + Count(count) + QByteArray(36, '\0');
        ExpectRefused(block, "local name count");
        block = QByteArray(1, '\3') + Count(0) + String("") + String("#Text") + Count(count) +
                QByteArray(20, '\0');
        ExpectRefused(block, "value count");
    }
    // Truncated anywhere, the last NUL missing, and a nested record cut short.
    const QByteArray element = Record(1, 2, "e", "") + Record(2, 0, "a", "v") + text;
    for (qsizetype cut = 0; cut < element.size(); ++cut)
        ExpectRefused(element.left(cut), "truncated");
    QByteArray noNul = text;
    noNul[noNul.size() - 1] = 'x';
    ExpectRefused(noNul, "missing NUL");
    ExpectRefused(QByteArray(), "empty block");

    // The well-formed block of the same subtree still pastes.
    clipboard.SetData(NodeClipboard::FormatName(), element + QByteArray(2, '\0'));
    EXPECT_TRUE(NodeClipboard::PasteFromClipboard(clipboard, document, target));
    EXPECT_EQ(document.History().Count(), 1);
}

TEST_F(HostileClipboardTest, ManyChildrenPasteWithoutQuadraticCost)
{
    // A flat block of 200 000 text records (about 7 MB) pastes in bounded time.
    const int children = 200000;
    QByteArray block = Record(1, children, "wide", "");
    const QByteArray child = Record(3, 0, "#Text", "x");
    block.reserve(block.size() + children * child.size() + 2);
    for (int i = 0; i < children; ++i)
        block += child;
    block += QByteArray(2, '\0');
    clipboard.SetData(NodeClipboard::FormatName(), block);
    ASSERT_TRUE(NodeClipboard::PasteFromClipboard(clipboard, document, target));
    const XmlNode* pasted = document.FindNode(target)->LastChild();
    EXPECT_EQ(pasted->ChildCount(), children);
    EXPECT_TRUE(document.History().Undo());
    EXPECT_EQ(DumpTree(document), before);
}

TEST_F(HostileClipboardTest, DeepSubtreeCopiesAndPastesAndDeeperBlocksAreRefused)
{
    // As deep as a loaded document can be: copy and paste carry it whole.
    XmlNode* parent = document.FindNode(target);
    for (int i = 0; i < 250; ++i) {
        XmlNodeData record;
        record.kind = XmlNodeKind::Element;
        record.localName = QStringLiteral("d");
        parent = document.AppendChild(parent, record);
    }
    const QString deep = DumpTree(document);
    const size_t nodes = document.Store().LiveNodes();
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(clipboard, document, target));
    ASSERT_TRUE(NodeClipboard::PasteFromClipboard(clipboard, document, target));
    EXPECT_EQ(document.Store().LiveNodes(), nodes + 253);
    EXPECT_TRUE(document.History().Undo());
    EXPECT_EQ(DumpTree(document), deep);
    const size_t afterUndo = document.Store().LiveNodes(); // the undone paste stays parked

    // A hostile block nested 100 000 deep (each record one child) is refused without
    // recursion and leaves nothing behind.
    const QByteArray level = Record(1, 1, "n", "");
    QByteArray block;
    block.reserve(level.size() * 100001);
    for (int i = 0; i < 100000; ++i)
        block += level;
    block += Record(3, 0, "#Text", "leaf");
    clipboard.SetData(NodeClipboard::FormatName(), block);
    const int32_t historyCount = document.History().Count();
    EXPECT_FALSE(NodeClipboard::PasteFromClipboard(clipboard, document, target));
    EXPECT_EQ(DumpTree(document), deep);
    EXPECT_EQ(document.History().Count(), historyCount);
    EXPECT_EQ(document.Store().LiveNodes(), afterUndo);
}
