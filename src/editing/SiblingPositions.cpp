#include "editing/SiblingPositions.h"

#include "document/NamespaceScope.h"
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
            if (NamespaceScope::IsDeclaration(child) &&
                (child->Prefix().isEmpty() ? prefix.isEmpty() : child->LocalName() == prefix))
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

private:
    const XmlNode* m_parent;
    std::deque<std::pair<const QString*, QString>> m_inherited; // stays put: views into it are kept
};

} // namespace

SiblingPositions::Position SiblingPositions::Of(const XmlNode* element)
{
    const XmlNode* parent = element->Parent();
    if (!parent)
        return {1, 1};
    auto found = std::find_if(m_tables.begin(), m_tables.end(),
                              [&](const Table& table) { return table.parent == parent; });
    Table table;
    if (found != m_tables.end()) {
        table = std::move(*found);
        m_tables.erase(found);
    } else {
        table = Build(parent);
    }
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
    // The expanded names met so far, found by the local name (interned per document, so one
    // string per name) and then the namespace; siblings mostly share one, tried first.
    std::vector<QStringView> uris; // per group
    std::unordered_map<const QString*, std::vector<int32_t>> byName;
    int32_t last = -1;
    const QString* lastName = nullptr;
    auto groupOf = [&](const XmlNode* child) -> int32_t {
        const QString* local = &child->LocalName();
        const QStringView uri = namespaces.Of(child);
        auto same = [&](int32_t group) {
            const QStringView known = uris[size_t(group)];
            return known.data() == uri.data() || known == uri;
        };
        if (local == lastName && same(last))
            return last;
        std::vector<int32_t>& candidates = byName[local];
        for (int32_t group : candidates) {
            if (same(group)) {
                last = group;
                lastName = local;
                return group;
            }
        }
        last = int32_t(uris.size());
        lastName = local;
        uris.push_back(uri);
        table.count.push_back(0);
        candidates.push_back(last);
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
    return table;
}
