#include "editing/SiblingPositions.h"
#include "document/DocumentObserver.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "editing/UndoHistory.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// Tells the kept tables of every change, as the tab does.
class Forward : public DocumentObserver {
public:
    Forward(const XmlDocument& document, SiblingPositions& positions)
        : m_document(document), m_positions(positions)
    {
    }
    void OnNodeChanged(const NodeIdPath& path) override { m_positions.Changed(m_document, path); }
    void OnNodeAboutToBeRemoved(const XmlNode* node) override { m_positions.AboutToRemove(node); }
    void OnNodeRemoved(const NodeIdPath& path) override { m_positions.Removed(m_document, path); }
    void OnNodeInserted(const NodeIdPath& path, XmlNode* node) override
    {
        m_positions.Inserted(m_document, path, node);
    }

private:
    const XmlDocument& m_document;
    SiblingPositions& m_positions;
};

XmlNodeData Data(XmlNodeKind kind, const char* prefix, const char* name, const char* value = "")
{
    XmlNodeData data;
    data.kind = kind;
    data.prefix = QString::fromUtf8(prefix);
    data.localName = QString::fromUtf8(name);
    data.value = QString::fromUtf8(value);
    return data;
}

} // namespace

TEST(SiblingPositionsTest, TablesKeptAcrossRandomEditsAnswerAsTablesMadeAfresh)
{
    // Two parents large enough for kept tables, one inside the other; names in two namespaces
    // bound to a prefix each, which edits rebind on single children and on the inner parent.
    std::string xml = "<r xmlns:p='urn:p' xmlns:q='urn:q'><big>";
    for (int i = 0; i < 80; ++i)
        xml += i % 3 == 0 ? "<e/>" : i % 3 == 1 ? "<p:e/>" : "<q:e a='1'/>";
    xml += "</big>";
    for (int i = 0; i < 100; ++i)
        xml += i % 4 == 0 ? "<p:e><e/></p:e>" : i % 4 == 1 ? "<q:e/>" : "<e>t</e>";
    xml += "</r>";
    XmlDocument document;
    ASSERT_EQ(document.LoadFromData(QByteArray::fromStdString(xml)), XE_OK);
    SiblingPositions kept;
    Forward forward(document, kept);
    document.AddObserver(&forward);
    const XmlNode* r = document.Root()->FirstChild();
    const XmlNode* big = nullptr;
    for (const XmlNode* child : *r)
        big = big ? big : child->LocalName() == u"big" ? child : nullptr;
    ASSERT_NE(big, nullptr);

    std::mt19937 random(11);
    const char* prefixes[] = {"", "p", "q"};
    for (int step = 0; step < 600; ++step) {
        const XmlNode* parent = random() % 2 ? r : big;
        const XmlNode* child = parent->ChildAt(int(random() % uint32_t(parent->ChildCount())));
        NodeIdPath path;
        switch (random() % 9) {
        case 0:
            document.InsertNode(Data(XmlNodeKind::Element, prefixes[random() % 3], "e"),
                                parent->Id(), child->Id(), path);
            break;
        case 1:
            if (parent->ChildCount() > 70)
                document.DeleteNode(child->Id());
            break;
        case 2:
            document.RenameNode(child->Id(), QString::fromUtf8(prefixes[random() % 3]),
                                QStringLiteral("e"));
            break;
        case 3: // a declaration on a child, or on the inner parent
            document.InsertNode(Data(XmlNodeKind::Attribute, "xmlns", random() % 2 ? "p" : "q",
                                     random() % 2 ? "urn:p" : "urn:q"),
                                random() % 4 ? child->Id() : big->Id(), -1, path);
            break;
        case 4:
            if (child->ChildCount() > 0 && child->FirstChild()->Kind() == XmlNodeKind::Attribute)
                document.SetNodeValue(child->FirstChild()->Id(), QStringLiteral("urn:q"));
            break;
        case 5:
            document.MoveNodeStep(child->Id(), random() % 2 == 0);
            break;
        case 6:
            document.InsertNode(Data(XmlNodeKind::Text, "", "", "t"), parent->Id(), child->Id(),
                                path);
            break;
        default:
            document.History().Undo();
            break;
        }
        // Every element of both parents, through the kept tables and through fresh ones.
        for (const XmlNode* group : {r, big}) {
            for (const XmlNode* element : *group) {
                if (element->Kind() != XmlNodeKind::Element)
                    continue;
                SiblingPositions fresh;
                const auto want = fresh.Of(element);
                const auto got = kept.Of(element);
                ASSERT_EQ(got.position, want.position) << "step " << step;
                ASSERT_EQ(got.count, want.count) << "step " << step;
            }
        }
    }
    document.RemoveObserver(&forward);
}
