#pragma once

#include "document/NodeIdPath.h"

class XmlNode;

// Receives every change of a document; paths are computed while the node is still in place.
class DocumentObserver {
public:
    virtual ~DocumentObserver() = default;
    virtual void OnNodeChanged(const NodeIdPath& path) = 0;
    // Before a node leaves its place (removal or move), while it and its subtree are still
    // where they were: the one moment a view can find the rows they occupy by document order.
    virtual void OnNodeAboutToBeRemoved(const XmlNode* /*node*/) {}
    virtual void OnNodeRemoved(const NodeIdPath& path) = 0;
    virtual void OnNodeInserted(const NodeIdPath& path, XmlNode* node) = 0;
};
