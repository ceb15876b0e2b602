#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class XmlNode;

// A document's nodes by ID, null for destroyed ones. Kept in blocks, so growing never moves
// or frees what is there: a vector that doubles copied and freed half a gigabyte at a time
// while a 1 GB file loaded, and memory freed and taken again in such amounts made that load
// half as fast per byte as a small one.
class NodeIndex {
public:
    XmlNode* Find(int32_t id) const
    {
        if (id < 0 || size_t(id) >= m_size)
            return nullptr;
        return m_blocks[size_t(id) >> kShift][size_t(id) & kMask];
    }
    // Puts the node at `id`, growing with nulls as far as needed.
    void Set(int32_t id, XmlNode* node)
    {
        if (size_t(id) >= m_size)
            Grow(size_t(id) + 1);
        m_blocks[size_t(id) >> kShift][size_t(id) & kMask] = node;
    }
    void Clear();
    size_t MemoryUsage() const;

private:
    void Grow(size_t size);

    static constexpr size_t kShift = 16;
    static constexpr size_t kBlock = size_t(1) << kShift; // 512 kB of pointers
    static constexpr size_t kMask = kBlock - 1;

    std::vector<std::vector<XmlNode*>> m_blocks; // all full but the last
    size_t m_size = 0;                           // IDs below this have a place
};
