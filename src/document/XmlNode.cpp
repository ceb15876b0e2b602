#include "document/XmlNode.h"

#include <algorithm>

#include "document/XmlException.h"

#include <cstdlib>
#include <cstring>

static_assert(sizeof(void*) != 8 || sizeof(XmlNode) == 48, "a node is one 48-byte slot");

QString XmlNode::QualifiedName() const
{
    if (Prefix().isEmpty())
        return LocalName();
    return Prefix() + u':' + LocalName();
}

XmlNodeData XmlNode::Data() const
{
    XmlNodeData data;
    data.id = m_id;
    data.prefix = Prefix();
    data.localName = LocalName();
    data.value = Value();
    data.kind = Kind();
    return data;
}

XmlNode* XmlNode::ChildAt(int index) const
{
    if (index < 0 || uint32_t(index) >= m_childCount)
        throw XmlException(E_INVALIDARG_STATUS);
    return m_children[index];
}

int XmlNode::IndexOfChild(const XmlNode* child) const
{
    if (!child)
        return -1;
    // The child's own hint, or one off after a sibling before it came or went.
    const uint32_t hint = child->m_position;
    for (uint32_t candidate : {hint, hint + 1, hint - 1}) {
        if (candidate < m_childCount && m_children[candidate] == child) {
            child->SetPosition(candidate);
            return int(candidate);
        }
    }
    for (uint32_t i = 0; i < m_childCount; ++i) {
        if (m_children[i] == child) {
            child->SetPosition(i);
            return int(i);
        }
    }
    return -1;
}

void XmlNode::MoveChild(int from, int to)
{
    if (from == to || from < 0 || to < 0 || uint32_t(from) >= m_childCount ||
        uint32_t(to) >= m_childCount)
        return;
    XmlNode* moving = m_children[from];
    if (from < to)
        std::memmove(m_children + from, m_children + from + 1, sizeof(XmlNode*) * (to - from));
    else
        std::memmove(m_children + to + 1, m_children + to, sizeof(XmlNode*) * (from - to));
    m_children[to] = moving;
    moving->SetPosition(uint32_t(to));
}

int XmlNode::Reparent(XmlNode* node, XmlNode* newParent, int index)
{
    if (!node || !newParent || !node->m_parent)
        return -1;
    XmlNode* oldParent = node->m_parent;
    const int former = oldParent->IndexOfChild(node);
    if (former < 0)
        return -1;
    if (index > int(newParent->m_childCount) - (newParent == oldParent ? 1 : 0))
        throw XmlException(E_INVALIDARG_STATUS);
    oldParent->RemoveChildPointer(former);
    newParent->InsertChildPointer(index < 0 ? int(newParent->m_childCount) : index, node);
    node->m_parent = newParent;
    return former;
}

int XmlNode::Park(XmlNode* node, XmlNode* holder)
{
    const int former = Reparent(node, holder, -1);
    if (former >= 0)
        node->SetPosition(uint32_t(former));
    return former;
}

static uintptr_t* ArrayBase(XmlNode** children)
{
    return reinterpret_cast<uintptr_t*>(children) - 1;
}

void XmlNode::ReserveChildren(uint32_t capacity)
{
    if (capacity <= ChildCapacity())
        return;
    void* grown = std::realloc(m_children ? ArrayBase(m_children) : nullptr,
                               sizeof(uintptr_t) + sizeof(XmlNode*) * capacity);
    if (!grown)
        throw XmlException(E_OUTOFMEMORY_STATUS);
    *static_cast<uintptr_t*>(grown) = capacity;
    m_children = reinterpret_cast<XmlNode**>(static_cast<uintptr_t*>(grown) + 1);
}

void XmlNode::ShrinkChildren()
{
    if (m_childCount == ChildCapacity())
        return;
    if (m_childCount == 0) {
        ReleaseChildren();
        return;
    }
    if (void* shrunk = std::realloc(ArrayBase(m_children),
                                    sizeof(uintptr_t) + sizeof(XmlNode*) * m_childCount)) {
        *static_cast<uintptr_t*>(shrunk) = m_childCount;
        m_children = reinterpret_cast<XmlNode**>(static_cast<uintptr_t*>(shrunk) + 1);
    }
}

void XmlNode::ReleaseChildren()
{
    if (m_children)
        std::free(ArrayBase(m_children));
    m_children = nullptr;
    m_childCount = 0;
}

void XmlNode::InsertChildPointer(int index, XmlNode* child)
{
    if (index < 0 || uint32_t(index) > m_childCount)
        throw XmlException(E_INVALIDARG_STATUS);
    if (const uint32_t capacity = ChildCapacity(); m_childCount == capacity)
        ReserveChildren(capacity ? capacity * 2 : 4);
    if (uint32_t(index) < m_childCount)
        std::memmove(m_children + index + 1, m_children + index,
                     sizeof(XmlNode*) * (m_childCount - index));
    m_children[index] = child;
    child->SetPosition(uint32_t(index));
    ++m_childCount;
}

void XmlNode::RemoveChildPointer(int index)
{
    std::memmove(m_children + index, m_children + index + 1,
                 sizeof(XmlNode*) * (m_childCount - index - 1));
    --m_childCount;
}

int XmlNode::AllowedPosition(XmlNodeKind kind, int wanted) const
{
    int attributes = 0;
    while (attributes < int(m_childCount) &&
           m_children[attributes]->Kind() == XmlNodeKind::Attribute)
        ++attributes;
    wanted = std::clamp(wanted, 0, int(m_childCount));
    return kind == XmlNodeKind::Attribute ? std::min(wanted, attributes)
                                          : std::max(wanted, attributes);
}
