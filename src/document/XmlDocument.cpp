#include "document/XmlDocument.h"

#include "document/DocumentObserver.h"
#include "document/XmlException.h"
#include "editing/InsertAction.h"
#include "editing/NodeMoveAction.h"

#include <algorithm>
#include <cstdlib>

XmlDocument::XmlDocument()
{
    m_root.m_name = m_store.EmptyName();
}

XmlDocument::~XmlDocument()
{
    // Actions first: they release parked subtrees through the store. The tree itself goes
    // with the store's chunks, which is much faster than a walk over millions of nodes.
    m_history.Clear();
    m_root.ReleaseChildren();
}

void XmlDocument::OnCreated()
{
    m_history.SetSavedPosition(-2);
}

void XmlDocument::OnLoaded(XmlStatus status)
{
    if (status == XE_OK)
        m_history.SetSavedPosition(m_history.CurrentPosition());
}

void XmlDocument::OnSaved(XmlStatus status)
{
    if (status == XE_OK)
        m_history.SetSavedPosition(m_history.CurrentPosition());
}

void XmlDocument::ClearTree()
{
    m_errorLine = -1;
    m_errorPosition = -1;
    m_documentType.clear();
    m_standalone = Standalone::Omitted;
    m_diskFingerprint = FileFingerprint();
    m_fileFailure = FileFailure();
    if (m_history.Count() == 0) {
        // Nothing refers to the old nodes any more: give back the whole store, arena included,
        // so loading again into the same document does not keep the old text alive.
        m_root.ReleaseChildren();
        m_store.Reset();
        m_root.m_name = m_store.EmptyName();
    } else {
        while (m_root.ChildCount() > 0)
            RemoveChildAt(&m_root, m_root.ChildCount() - 1);
    }
    m_nodeIndex.Clear();
}

bool XmlDocument::CreateNew()
{
    ClearTree();
    XmlNodeData record;
    record.kind = XmlNodeKind::Element;
    record.localName = QStringLiteral("Root_Node");
    AppendChild(&m_root, record);
    OnCreated();
    return true;
}

XmlNode* XmlDocument::FindNode(int32_t id) const
{
    return m_nodeIndex.Find(id);
}

XmlNode* XmlDocument::FindParent(int32_t parentId)
{
    return parentId == -1 ? &m_root : FindNode(parentId);
}

XmlNode* XmlDocument::NewNode(XmlNode* parent, int index, const XmlNodeData& record)
{
    XmlNode* node = m_store.NewNode();
    node->m_kind = uint32_t(record.kind);
    node->m_name = m_store.InternName(record.prefix, record.localName);
    m_store.SetOwnedValue(node, record.value);
    node->m_id = m_nextId;
    node->m_parent = parent;
    try {
        parent->InsertChildPointer(index, node);
    } catch (...) {
        m_store.FreeSubtree(node, [](XmlNode*) {});
        throw;
    }
    m_nodeIndex.Set(m_nextId, node);
    ++m_nextId;
    return node;
}

XmlNode* XmlDocument::AppendLoadedNode(XmlNode* parent, XmlNodeKind kind, const NodeName* name)
{
    XmlNode* node = m_store.NewNode();
    node->m_kind = uint32_t(kind);
    node->m_name = name;
    node->m_id = m_nextId;
    node->m_parent = parent;
    parent->InsertChildPointer(int(parent->m_childCount), node);
    m_nodeIndex.Set(m_nextId, node);
    ++m_nextId;
    return node;
}

XmlNode* XmlDocument::AppendChild(XmlNode* parent, const XmlNodeData& record)
{
    return NewNode(parent, parent->ChildCount(), record);
}

XmlNode* XmlDocument::InsertChild(XmlNode* parent, int index, const XmlNodeData& record)
{
    if (index < 0 || index >= parent->ChildCount())
        index = parent->ChildCount();
    return NewNode(parent, index, record);
}

void XmlDocument::RemoveChildAt(XmlNode* parent, int index)
{
    if (index < 0 || index >= parent->ChildCount())
        return;
    XmlNode* child = parent->m_children[index];
    parent->RemoveChildPointer(index);
    child->m_parent = nullptr;
    DestroyDetachedNode(child);
}

void XmlDocument::DestroyDetachedNode(XmlNode* node)
{
    m_store.FreeSubtree(node, [this](XmlNode* gone) {
        const int32_t id = gone->m_id;
        if (m_nodeIndex.Find(id) == gone)
            m_nodeIndex.Set(id, nullptr);
    });
}

XmlNode* XmlDocument::CreateHolderNode()
{
    return m_store.NewNode();
}

XmlNode* XmlDocument::CopySubtree(const XmlNode* source, XmlNode* targetParent, int index)
{
    // Iterative pre-order copy: IDs are given in the same order as a recursive copy would.
    struct Pending {
        const XmlNode* source;
        XmlNode* parent;
        int index;
    };
    XmlNode* top = nullptr;
    std::vector<Pending> stack{{source, targetParent, index}};
    while (!stack.empty()) {
        const Pending item = stack.back();
        stack.pop_back();
        XmlNodeData record;
        record.kind = item.source->Kind();
        record.prefix = item.source->Prefix();
        record.localName = item.source->LocalName();
        if (record.kind == XmlNodeKind::Attribute)
            record.localName =
                MakeUniqueAttributeName(record.prefix, record.localName, item.parent);
        XmlNode* copy = InsertChild(item.parent, item.index, record);
        // Share the source's text where it lives in the load arena instead of copying it.
        if (item.source->m_valueOwned)
            m_store.SetOwnedValue(copy, item.source->ValueView());
        else
            m_store.SetArenaValue(copy, item.source->m_value, item.source->m_valueLength);
        if (!top)
            top = copy;
        for (int i = item.source->ChildCount() - 1; i >= 0; --i)
            stack.push_back({item.source->m_children[i], copy, i});
    }
    return top;
}

QString XmlDocument::MakeUniqueAttributeName(const QString& prefix, const QString& localName,
                                             const XmlNode* parent) const
{
    if (!parent || parent->Kind() != XmlNodeKind::Element || !parent->HasChildren())
        return localName;
    std::vector<const QString*> taken;
    for (const XmlNode* child : *parent) {
        if (child->Prefix().compare(prefix, Qt::CaseInsensitive) == 0)
            taken.push_back(&child->LocalName());
    }
    auto clashes = [&](const QString& candidate) {
        return std::any_of(taken.begin(), taken.end(), [&](const QString* name) {
            return name->compare(candidate, Qt::CaseInsensitive) == 0;
        });
    };
    if (!clashes(localName))
        return localName;
    for (int n = 1; n <= 999; ++n) {
        QString candidate = localName + u'_' + QString::number(n);
        if (!clashes(candidate))
            return candidate;
    }
    return QString();
}

bool XmlDocument::GetIdPath(int32_t id, NodeIdPath& path) const
{
    path.clear();
    const XmlNode* node = FindNode(id);
    if (!node)
        return false;
    for (const XmlNode* n = node; n && n->m_parent; n = n->m_parent)
        path.push_back(n->m_id);
    // A parked node's chain ends at its holder, which carries ID -1 and no parent.
    std::reverse(path.begin(), path.end());
    return true;
}

void XmlDocument::AssignName(XmlNode* node, QStringView prefix, QStringView localName)
{
    node->m_name = m_store.InternName(prefix, localName);
}

void XmlDocument::AssignLocalName(XmlNode* node, QStringView localName)
{
    node->m_name = m_store.InternName(node->m_name->prefix, m_store.Intern(localName));
}

void XmlDocument::AssignValue(XmlNode* node, QStringView value)
{
    m_store.SetOwnedValue(node, value);
}

void XmlDocument::AddObserver(DocumentObserver* observer)
{
    m_observers.push_back(observer);
}

void XmlDocument::RemoveObserver(DocumentObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

void XmlDocument::NotifyNodeChanged(int32_t id)
{
    NodeIdPath path;
    GetIdPath(id, path);
    for (DocumentObserver* observer : m_observers)
        observer->OnNodeChanged(path);
}

void XmlDocument::NotifyNodeAboutToBeRemoved(const XmlNode* node)
{
    for (DocumentObserver* observer : m_observers)
        observer->OnNodeAboutToBeRemoved(node);
}

void XmlDocument::NotifyNodeRemoved(const NodeIdPath& path)
{
    for (DocumentObserver* observer : m_observers)
        observer->OnNodeRemoved(path);
}

void XmlDocument::NotifyNodeInserted(int32_t id, XmlNode* node)
{
    NodeIdPath path;
    GetIdPath(id, path);
    for (DocumentObserver* observer : m_observers)
        observer->OnNodeInserted(path, node);
}

XmlNode* XmlDocument::DropTarget(XmlNode* node, int32_t targetParentId) const
{
    if (targetParentId == -1)
        return IsTopLevelMarkupKind(node->Kind()) ? const_cast<XmlNode*>(&m_root) : nullptr;
    XmlNode* target = FindNode(targetParentId);
    if (!target || target->Kind() != XmlNodeKind::Element)
        return nullptr;
    for (const XmlNode* n = target; n; n = n->m_parent) {
        if (n == node)
            return nullptr;
    }
    return target;
}

bool XmlDocument::MoveNodeTo(int32_t id, int32_t targetParentId)
{
    XmlNode* node = FindNode(id);
    if (!node || !node->m_parent || !DropTarget(node, targetParentId))
        return false;
    XmlNode* formerParent = node->m_parent;
    const int formerPosition = formerParent->IndexOfChild(node);
    const int32_t formerParentId = formerParent == &m_root ? -1 : formerParent->m_id;
    if (targetParentId == formerParentId)
        return false;
    // First in the target among its own kind: attributes before, content after attributes.
    const int position = FindParent(targetParentId)->AllowedPosition(node->Kind(), 0);
    auto action = std::make_unique<NodeMoveAction>(*this, formerParentId, formerPosition,
                                                   targetParentId, position, id);
    if (!action->Redo())
        return false;
    m_history.Push(std::move(action));
    return true;
}

bool XmlDocument::CopyNodeTo(int32_t id, int32_t targetParentId)
{
    XmlNode* node = FindNode(id);
    if (!node)
        return false;
    XmlNode* target = DropTarget(node, targetParentId);
    if (!target)
        return false;
    // With every suffix taken the copy would get an empty name, which no XML can hold.
    if (node->Kind() == XmlNodeKind::Attribute &&
        MakeUniqueAttributeName(node->Prefix(), node->LocalName(), target).isEmpty())
        return false;
    XmlNode* copy = CopySubtree(node, target, target->AllowedPosition(node->Kind(), 0));
    auto action = std::make_unique<InsertAction>(*this, targetParentId, copy);
    NotifyNodeInserted(copy->m_id, copy);
    m_history.Push(std::move(action));
    return true;
}

size_t XmlDocument::MemoryUsage() const
{
    return m_store.MemoryUsage() + m_nodeIndex.MemoryUsage();
}
