#pragma once

#include "document/DocumentObserver.h"

#include <cstddef>
#include <functional>

class XmlDocument;

// The number of nodes in a document, kept up to date from the document's announcements so
// that showing it never walks the whole tree: an insertion adds the inserted subtree, a
// removal takes away the removed one (a parked or moved subtree still exists when announced).
class NodeCounter : public DocumentObserver {
public:
    // `changed` runs after every announcement, the count already updated.
    NodeCounter(XmlDocument& document, std::function<void()> changed);
    ~NodeCounter() override;
    NodeCounter(const NodeCounter&) = delete;
    NodeCounter& operator=(const NodeCounter&) = delete;

    // Takes the count anew: after a load, which announces nothing.
    void Recount();
    size_t Count() const { return m_count; }

    void OnNodeChanged(const NodeIdPath& path) override;
    void OnNodeRemoved(const NodeIdPath& path) override;
    void OnNodeInserted(const NodeIdPath& path, XmlNode* node) override;

private:
    XmlDocument& m_document;
    std::function<void()> m_changed;
    size_t m_count = 0;
};
