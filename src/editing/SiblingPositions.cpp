#include "editing/SiblingPositions.h"

#include "document/NamespaceScope.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <utility>

namespace {

// Below this many children a parent is counted afresh at each question; a table kept would
// cost more than it saves.
constexpr int kTableChildren = 64;
constexpr size_t kTablesKept = 4;

// The namespaces of one parent's child elements, for counting same-named siblings: siblings
// share their parent's scope, so only a sibling's own declarations (its attributes, which
// stand before its content) can bind its prefix otherwise. Among a million siblings that is a
// scan of each one's attributes instead of a walk up the tree per sibling.
class SiblingNamespaces {
public:
    explicit SiblingNamespaces(const XmlNode* parent) : m_parent(parent) {}

    QStringView Of(const XmlNode* element)
    {
        const QString& prefix = element->Prefix();
        for (const XmlNode* child : *element) {
            if (child->Kind() != XmlNodeKind::Attribute)
                break;
            if (!NamespaceScope::IsDeclaration(child))
                continue;
            m_sawDeclaration = true;
            if (child->Prefix().isEmpty() ? prefix.isEmpty() : child->LocalName() == prefix)
                return child->ValueView();
        }
        for (const auto& [known, uri] : m_inherited) {
            if (known == &prefix || *known == prefix)
                return uri;
        }
        m_inherited.emplace_back(&prefix,
                                 NamespaceScope::Lookup(m_parent, prefix).value_or(QString()));
        return m_inherited.back().second;
    }
    // Whether a sibling asked about declared a namespace itself.
    bool SawDeclaration() const { return m_sawDeclaration; }

private:
    const XmlNode* m_parent;
    bool m_sawDeclaration = false;
    std::deque<std::pair<const QString*, QString>> m_inherited; // stays put: views into it are kept
};

} // namespace

SiblingPositions::Position SiblingPositions::Of(const XmlNode* element)
{
    const XmlNode* parent = element->Parent();
    if (!parent)
        return {1, 1};
    // A table that no longer matches its parent's children (a change it was not told of) is
    // made again. Either way it comes out of the list, to go back in as the newest.
    Table* kept = Kept(parent);
    Table table = kept && kept->position.size() == size_t(parent->ChildCount()) ? std::move(*kept)
                                                                                : Build(parent);
    Drop(parent);
    const int index = parent->IndexOfChild(element);
    Position position{1, 1};
    if (index >= 0 && size_t(index) < table.position.size())
        position = {table.position[size_t(index)], table.count[size_t(table.group[size_t(index)])]};
    // A small parent is counted afresh each time; a large one is kept.
    if (parent->ChildCount() >= kTableChildren) {
        if (m_tables.size() == kTablesKept)
            m_tables.erase(m_tables.begin());
        m_tables.push_back(std::move(table));
    }
    return position;
}

void SiblingPositions::Clear()
{
    m_tables.clear();
}

SiblingPositions::Table SiblingPositions::Build(const XmlNode* parent)
{
    Table table;
    table.parent = parent;
    SiblingNamespaces namespaces(parent);
    // Siblings mostly share one expanded name: the last group is tried first.
    // The namespace usually comes from the same string as the last one's: the same view.
    int32_t last = -1;
    const QString* lastName = nullptr;
    QStringView lastUri;
    auto groupOf = [&](const XmlNode* child) -> int32_t {
        const QString* local = &child->LocalName();
        const QStringView uri = namespaces.Of(child);
        const bool same =
            local == lastName && (uri.data() == lastUri.data() || table.uris[size_t(last)] == uri);
        if (!same) {
            last = table.GroupOf(local, uri);
            lastName = local;
        }
        lastUri = uri;
        return last;
    };
    table.position.assign(size_t(parent->ChildCount()), 0);
    table.group.assign(size_t(parent->ChildCount()), 0);
    int index = 0;
    for (const XmlNode* child : *parent) {
        if (child->Kind() == XmlNodeKind::Element) {
            const int32_t group = groupOf(child);
            table.group[size_t(index)] = group;
            table.position[size_t(index)] = ++table.count[size_t(group)];
        }
        ++index;
    }
    table.ownDeclarations = namespaces.SawDeclaration();
    return table;
}

int32_t SiblingPositions::Table::GroupOf(const QString* localName, QStringView uri)
{
    std::vector<int32_t>& candidates = byName[localName];
    for (int32_t known : candidates) {
        if (uris[size_t(known)] == uri)
            return known;
    }
    const auto group = int32_t(uris.size());
    uris.push_back(uri.toString());
    count.push_back(0);
    candidates.push_back(group);
    return group;
}

SiblingPositions::Table* SiblingPositions::Kept(const XmlNode* parent)
{
    auto found = std::find_if(m_tables.begin(), m_tables.end(),
                              [&](const Table& table) { return table.parent == parent; });
    return found == m_tables.end() ? nullptr : &*found;
}

void SiblingPositions::Drop(const XmlNode* parent)
{
    std::erase_if(m_tables, [&](const Table& table) { return table.parent == parent; });
}

void SiblingPositions::Inserted(const XmlDocument& document, const NodeIdPath& path,
                                const XmlNode* node)
{
    const XmlNode* parent = node->Parent();
    if (!parent || node->Kind() == XmlNodeKind::Attribute) {
        Changed(document, path);
        return;
    }
    Table* table = Kept(parent);
    if (!table)
        return;
    const int index = parent->IndexOfChild(node);
    if (index < 0 || table->position.size() + 1 != size_t(parent->ChildCount())) {
        Drop(parent);
        return;
    }
    // One more row in the table; a new element takes its place in its group and moves the
    // later members of that group one on. A pass over the children, not a count of them anew.
    const auto at = std::ptrdiff_t(index);
    if (node->Kind() != XmlNodeKind::Element) {
        table->position.insert(table->position.begin() + at, 0);
        table->group.insert(table->group.begin() + at, 0);
        return;
    }
    SiblingNamespaces namespaces(parent);
    const QStringView uri = namespaces.Of(node);
    table->ownDeclarations = table->ownDeclarations || namespaces.SawDeclaration();
    const int32_t group = table->GroupOf(&node->LocalName(), uri);
    int32_t position = 1;
    for (size_t i = size_t(index); i-- > 0;) {
        if (table->position[i] && table->group[i] == group) {
            position = table->position[i] + 1;
            break;
        }
    }
    for (size_t i = size_t(index); i < table->position.size(); ++i) {
        if (table->position[i] && table->group[i] == group)
            ++table->position[i];
    }
    table->position.insert(table->position.begin() + at, position);
    table->group.insert(table->group.begin() + at, group);
    ++table->count[size_t(group)];
}

void SiblingPositions::AboutToRemove(const XmlNode* node)
{
    const XmlNode* parent = node->Parent();
    // An attribute's going is dealt with by Removed, which knows what it reaches.
    if (!parent || node->Kind() == XmlNodeKind::Attribute)
        return;
    Table* table = Kept(parent);
    if (!table)
        return;
    const int index = parent->IndexOfChild(node);
    if (index < 0 || table->position.size() != size_t(parent->ChildCount())) {
        Drop(parent);
        return;
    }
    const size_t at = size_t(index);
    if (table->position[at]) {
        const int32_t group = table->group[at];
        for (size_t i = at + 1; i < table->position.size(); ++i) {
            if (table->position[i] && table->group[i] == group)
                --table->position[i];
        }
        --table->count[size_t(group)];
    }
    table->position.erase(table->position.begin() + std::ptrdiff_t(at));
    table->group.erase(table->group.begin() + std::ptrdiff_t(at));
}

void SiblingPositions::Removed(const XmlDocument& document, const NodeIdPath& path)
{
    // The parent's table lost the node in AboutToRemove; what else the removal reaches is
    // what a change of the node reaches.
    Sweep(document, path, false);
}

void SiblingPositions::Changed(const XmlDocument& document, const NodeIdPath& path)
{
    Sweep(document, path, true);
}

void SiblingPositions::Sweep(const XmlDocument& document, const NodeIdPath& path,
                             bool changedInPlace)
{
    if (path.empty()) {
        Clear();
        return;
    }
    const XmlNode* parent =
        path.size() >= 2 ? document.FindNode(path[path.size() - 2]) : document.Root();
    if (!parent) {
        Clear();
        return;
    }
    // A removed node is still known by its ID (parked for undo); one that is not is taken
    // for an attribute, the kind of change that reaches furthest.
    const XmlNode* node = document.FindNode(path.back());
    const bool attribute = !node || node->Kind() == XmlNodeKind::Attribute;
    // A renamed element may join another group among its siblings; a text, comment or
    // instruction changed in place moves no element.
    const bool parentChanged =
        attribute || (changedInPlace && node->Kind() == XmlNodeKind::Element);
    // An attribute may be (or have been) a namespace declaration: that changes its element's
    // expanded name, counted among the element's siblings, and the names below the element.
    // Where neither the element declares anything now nor did any of its siblings when their
    // table was made, the element's name was and stays the same.
    bool declares = false;
    if (attribute && parent->Kind() == XmlNodeKind::Element) {
        for (const XmlNode* child : *parent) {
            if (child->Kind() != XmlNodeKind::Attribute)
                break;
            declares = declares || NamespaceScope::IsDeclaration(child);
        }
    }
    const XmlNode* grandparent = attribute ? parent->Parent() : nullptr;
    std::erase_if(m_tables, [&](const Table& table) {
        if (table.parent == parent && parentChanged)
            return true;
        if (grandparent && table.parent == grandparent && (declares || table.ownDeclarations))
            return true;
        // Tables below the element an attribute belongs to, and tables of parents no longer
        // in the document (their memory may come back as other nodes), go.
        for (const XmlNode* above = table.parent; above; above = above->Parent()) {
            if (attribute && above == parent)
                return true;
            if (above == document.Root())
                return false;
        }
        return true;
    });
}
