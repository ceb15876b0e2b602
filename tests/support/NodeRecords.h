#pragma once

#include "document/DocumentObserver.h"
#include "document/XmlNodeData.h"

#include <string>
#include <vector>

// Building blocks the document and editing tests share.

inline XmlNodeData Record(XmlNodeKind kind, const QString& local, const QString& value = {},
                          const QString& prefix = {})
{
    XmlNodeData data;
    data.kind = kind;
    data.localName = local;
    data.value = value;
    data.prefix = prefix;
    return data;
}

// Records every notification as text so tests can compare whole sequences.
class RecordingObserver : public DocumentObserver {
public:
    std::vector<std::string> events;
    static std::string Path(const NodeIdPath& path)
    {
        std::string text;
        for (int32_t id : path)
            text += "/" + std::to_string(id);
        return text;
    }
    void OnNodeChanged(const NodeIdPath& path) override
    {
        events.push_back("changed " + Path(path));
    }
    void OnNodeRemoved(const NodeIdPath& path) override
    {
        events.push_back("removed " + Path(path));
    }
    void OnNodeInserted(const NodeIdPath& path, XmlNode*) override
    {
        events.push_back("inserted " + Path(path));
    }
};
