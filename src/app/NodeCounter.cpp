#include "app/NodeCounter.h"

#include "document/XmlDocument.h"

#include <vector>

namespace {

// The node and everything under it; iterative, as trees built by edits may be deep.
size_t SubtreeSize(const XmlNode* node)
{
    size_t count = 0;
    std::vector<const XmlNode*> pending{node};
    while (!pending.empty()) {
        const XmlNode* current = pending.back();
        pending.pop_back();
        ++count;
        for (const XmlNode* child : *current)
            pending.push_back(child);
    }
    return count;
}

} // namespace

NodeCounter::NodeCounter(XmlDocument& document, std::function<void()> changed)
    : m_document(document), m_changed(std::move(changed))
{
    m_document.AddObserver(this);
    Recount();
}

NodeCounter::~NodeCounter()
{
    m_document.RemoveObserver(this);
}

void NodeCounter::Recount()
{
    // Only undo actions hold nodes outside the tree, so with an empty history (as after every
    // load) the store's count is exact and spares a walk of a large tree.
    if (m_document.History().Count() == 0)
        m_count = m_document.Store().LiveNodes();
    else
        m_count = SubtreeSize(m_document.Root()) - 1; // the root holder is no node of the file
}

void NodeCounter::OnNodeChanged(const NodeIdPath&)
{
    if (m_changed)
        m_changed();
}

void NodeCounter::OnNodeRemoved(const NodeIdPath& path)
{
    if (const XmlNode* node = path.empty() ? nullptr : m_document.FindNode(path.back())) {
        const size_t removed = SubtreeSize(node);
        m_count = removed < m_count ? m_count - removed : 0;
    }
    if (m_changed)
        m_changed();
}

void NodeCounter::OnNodeInserted(const NodeIdPath&, XmlNode* node)
{
    if (node)
        m_count += SubtreeSize(node);
    if (m_changed)
        m_changed();
}
