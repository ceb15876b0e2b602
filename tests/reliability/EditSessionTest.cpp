// A long editing session on a real loaded file: 100 000 random edits, undos and redos. At
// checkpoints the tree must equal a replay of just the edits the history holds as applied
// (in order, on a fresh load, without any undo), and the nodes alive must be exactly those of
// the tree plus the subtrees the actions keep parked.
#include "ReliabilityHelpers.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

using namespace reliability;

namespace {

enum class Op { Value, Rename, LocalName, Step, Delete, Duplicate, Insert, Move, Copy };

// Nodes are named by child-index paths, which mean the same node in the session and in the
// replay as long as both trees agree.
using IndexPath = std::vector<int>;

struct Edit {
    Op op;
    IndexPath node;
    IndexPath other; // Move/Copy: the target; Insert: the node to insert after (may be empty)
    QString prefix;
    QString text;
    int flag = 0; // Step: up; Insert: kind
    // What the action keeps parked while applied (Delete) or while undone (the inserts).
    size_t subtreeSize = 0;
};

IndexPath PathOf(const XmlNode* node)
{
    IndexPath path;
    for (; node->Parent(); node = node->Parent())
        path.insert(path.begin(), node->Parent()->IndexOfChild(node));
    return path;
}

XmlNode* Resolve(XmlDocument& document, const IndexPath& path)
{
    XmlNode* node = document.Root();
    for (int index : path) {
        if (index < 0 || index >= node->ChildCount())
            return nullptr;
        node = node->ChildAt(index);
    }
    return node;
}

size_t SubtreeSize(const XmlNode* node)
{
    size_t size = 1;
    for (const XmlNode* child : *node)
        size += SubtreeSize(child);
    return size;
}

size_t TreeNodes(const XmlDocument& document)
{
    return SubtreeSize(document.Root()) - 1;
}

const XmlNodeKind kInsertKinds[] = {XmlNodeKind::Element, XmlNodeKind::Attribute, XmlNodeKind::Text,
                                    XmlNodeKind::Comment};

// Applies an edit to the document; true when it recorded an action.
bool Apply(XmlDocument& document, Edit& edit)
{
    XmlNode* node = Resolve(document, edit.node);
    if (!node || node == document.Root())
        return false;
    const int32_t id = node->Id();
    const int32_t before = document.History().CurrentPosition();
    switch (edit.op) {
    case Op::Value:
        document.SetNodeValue(id, edit.text);
        break;
    case Op::Rename:
        document.RenameNode(id, edit.prefix, edit.text);
        break;
    case Op::LocalName:
        document.SetLocalName(id, edit.text);
        break;
    case Op::Step:
        document.MoveNodeStep(id, edit.flag != 0);
        break;
    case Op::Delete:
        edit.subtreeSize = SubtreeSize(node);
        document.DeleteNode(id);
        break;
    case Op::Duplicate:
        edit.subtreeSize = SubtreeSize(node);
        document.DuplicateNode(id);
        break;
    case Op::Insert: {
        XmlNodeData record;
        record.kind = kInsertKinds[edit.flag];
        record.localName = edit.text;
        record.value = edit.prefix;
        const XmlNode* after = edit.other.empty() ? nullptr : Resolve(document, edit.other);
        NodeIdPath inserted;
        edit.subtreeSize = 1;
        document.InsertNode(record, id, after ? after->Id() : -1, inserted);
        break;
    }
    case Op::Move:
    case Op::Copy: {
        XmlNode* target = Resolve(document, edit.other);
        if (!target || target == document.Root())
            return false;
        edit.subtreeSize = SubtreeSize(node);
        if (edit.op == Op::Move)
            document.MoveNodeTo(id, target->Id());
        else
            document.CopyNodeTo(id, target->Id());
        break;
    }
    }
    return document.History().CurrentPosition() == before + 1;
}

bool Parks(Op op)
{
    return op == Op::Delete || op == Op::Duplicate || op == Op::Insert || op == Op::Copy;
}

QByteArray SampleDocument()
{
    QByteArray text = "<?xml version=\"1.0\"?>\n<!-- session -->\n<catalog xmlns:p=\"urn:p\">\n";
    for (int i = 0; i < 40; ++i) {
        text += "  <p:book id=\"b" + QByteArray::number(i) + "\" lang=\"en\">\n";
        text += "    <title>Title " + QByteArray::number(i) + "</title>\n";
        text += "    <!-- note " + QByteArray::number(i) + " -->\n";
        text += "    <price cur=\"EUR\">" + QByteArray::number(i * 3) + ".50</price>\n";
        text += "  </p:book>\n";
    }
    return text + "</catalog>\n";
}

class Session {
public:
    Session(XmlDocument& document, const QString& path) : m_document(document), m_path(path) {}

    void Step()
    {
        const int choice = int(m_random() % 100);
        UndoHistory& history = m_document.History();
        if (choice < 17) {
            if (history.Undo())
                ++m_undos;
            return;
        }
        if (choice < 30) {
            if (history.Redo())
                ++m_redos;
            return;
        }
        Edit edit = RandomEdit();
        const int32_t position = history.CurrentPosition();
        if (Apply(m_document, edit)) {
            m_edits.resize(size_t(position + 1)); // the redo tail is gone
            m_edits.push_back(std::move(edit));
            ++m_applied;
        }
    }

    void Check()
    {
        const UndoHistory& history = m_document.History();
        ASSERT_EQ(size_t(history.Count()), m_edits.size());
        // The replay: a fresh load and only the edits that stand, in order.
        XmlDocument replay;
        ASSERT_EQ(replay.Load(m_path), XE_OK);
        for (int32_t i = 0; i <= history.CurrentPosition(); ++i) {
            Edit edit = m_edits[size_t(i)];
            ASSERT_TRUE(Apply(replay, edit)) << "edit " << i << " does not replay";
        }
        ASSERT_EQ(DumpTree(m_document), DumpTree(replay));

        // Alive: the tree, what the actions park, and at most one holder per parking action.
        size_t parked = 0;
        size_t holders = 0;
        for (size_t i = 0; i < m_edits.size(); ++i) {
            const Edit& edit = m_edits[i];
            if (!Parks(edit.op))
                continue;
            ++holders;
            const bool applied = int32_t(i) <= history.CurrentPosition();
            if (edit.op == Op::Delete ? applied : !applied)
                parked += edit.subtreeSize;
        }
        const size_t tree = TreeNodes(m_document);
        const size_t alive = m_document.Store().LiveNodes();
        EXPECT_GE(alive, tree + parked);
        EXPECT_LE(alive, tree + parked + holders);
    }

    int applied() const { return m_applied; }
    int undos() const { return m_undos; }
    int redos() const { return m_redos; }

private:
    XmlNode* RandomNode()
    {
        // Random IDs, kept when the node is in the tree (not parked by an action).
        for (int attempt = 0; attempt < 64; ++attempt) {
            XmlNode* node =
                m_document.FindNode(int32_t(m_random() % uint32_t(m_document.NextId())));
            const XmlNode* top = node;
            while (top && top->Parent())
                top = top->Parent();
            if (node && top == m_document.Root())
                return node;
        }
        return m_document.Root()->ChildAt(m_document.Root()->ChildCount() - 1);
    }

    Edit RandomEdit()
    {
        static const QString names[] = {"a", "b", "item", "x-y", "n.1", "_u"};
        static const QString prefixes[] = {"", "", "p"};
        Edit edit;
        XmlNode* node = RandomNode();
        edit.node = PathOf(node);
        const bool large = TreeNodes(m_document) > 3000;
        const int choice = int(m_random() % (large ? 3 : 11));
        ++m_counter;
        switch (large ? 4 : choice) {
        case 0:
        case 1:
            edit.op = Op::Value;
            edit.text = QStringLiteral("v%1\r\nline").arg(m_counter);
            break;
        case 2:
            edit.op = Op::Rename;
            edit.prefix = prefixes[m_random() % 3];
            edit.text = names[m_random() % 6];
            break;
        case 3:
            edit.op = Op::LocalName;
            edit.text = names[m_random() % 6] + QString::number(m_counter % 7);
            break;
        case 4:
            edit.op = Op::Delete;
            break;
        case 5:
            edit.op = Op::Step;
            edit.flag = int(m_random() % 2);
            break;
        case 6:
            edit.op = SubtreeSize(node) < 100 ? Op::Duplicate : Op::Step;
            break;
        case 7:
        case 8: {
            edit.op = Op::Insert;
            edit.flag = int(m_random() % 4);
            edit.text = edit.flag < 2 ? names[m_random() % 6] : QString();
            edit.prefix = QStringLiteral("new %1").arg(m_counter); // the value
            // Insert as a child of an element, after one of its children or at the start.
            XmlNode* parent = node->Kind() == XmlNodeKind::Element ? node : node->Parent();
            if (parent == m_document.Root())
                parent = m_document.Root()->ChildAt(m_document.Root()->ChildCount() - 1);
            edit.node = PathOf(parent);
            if (parent->HasChildren() && m_random() % 2)
                edit.other = PathOf(parent->ChildAt(int(m_random() % parent->ChildCount())));
            break;
        }
        case 9:
            edit.op = Op::Move;
            edit.other = PathOf(RandomNode());
            break;
        default:
            edit.op = SubtreeSize(node) < 100 ? Op::Copy : Op::Move;
            edit.other = PathOf(RandomNode());
            break;
        }
        return edit;
    }

    XmlDocument& m_document;
    QString m_path;
    std::mt19937 m_random{20240611};
    std::vector<Edit> m_edits; // parallel to the history's actions
    int m_counter = 0;
    int m_applied = 0;
    int m_undos = 0;
    int m_redos = 0;
};

} // namespace

TEST(EditSessionTest, HundredThousandRandomEditsMatchAReplayAndKeepOnlyWhatActionsNeed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("catalog.xml");
    ASSERT_TRUE(WriteFile(path, SampleDocument()));
    XmlDocument document;
    ASSERT_EQ(document.Load(path), XE_OK);

    QElapsedTimer timer;
    timer.start();
    Session session(document, path);
    const int steps = 100000;
    for (int step = 1; step <= steps; ++step) {
        session.Step();
        if (step % 20000 == 0) {
            SCOPED_TRACE(step);
            session.Check();
            if (HasFatalFailure() || HasFailure())
                return;
        }
    }
    RecordProperty("applied", session.applied());
    EXPECT_GT(session.applied(), 40000);
    EXPECT_GT(session.undos(), 8000);
    EXPECT_GT(session.redos(), 2000);

    // What is left saves and loads back as the same text, unless the writer refuses it (the
    // random renames make duplicate attributes), which then leaves the file alone.
    const QByteArray before = ReadFile(path);
    QByteArray first;
    const XmlStatus status = document.SerializeDocument(first);
    if (status == XE_OK) {
        ASSERT_EQ(document.Save(path), XE_OK);
        XmlDocument back;
        ASSERT_EQ(back.Load(path), XE_OK);
        QByteArray second;
        ASSERT_EQ(back.SerializeDocument(second), XE_OK);
        EXPECT_TRUE(first == second);
    } else {
        EXPECT_EQ(document.Save(path), status);
        EXPECT_TRUE(ReadFile(path) == before);
        EXPECT_TRUE(document.IsModified());
    }
    // With the history gone, exactly the tree is left: no action leaked a parked subtree.
    document.History().Clear();
    EXPECT_EQ(document.Store().LiveNodes(), TreeNodes(document));
    std::printf("session: %d edits, %d undos, %d redos, %lld ms\n", session.applied(),
                session.undos(), session.redos(), timer.elapsed());
}
