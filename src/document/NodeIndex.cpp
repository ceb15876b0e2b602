#include "document/NodeIndex.h"

#include <algorithm>

void NodeIndex::Grow(size_t size)
{
    while (m_size < size) {
        if (m_blocks.empty() || m_blocks.back().size() == kBlock) {
            // The first block grows as a vector does, so a small document's index stays
            // small; later ones have their whole room from the start and never move.
            m_blocks.emplace_back();
            if (m_blocks.size() > 1)
                m_blocks.back().reserve(kBlock);
        }
        std::vector<XmlNode*>& last = m_blocks.back();
        const size_t added = std::min(kBlock - last.size(), size - m_size);
        last.resize(last.size() + added, nullptr);
        m_size += added;
    }
}

void NodeIndex::Clear()
{
    m_blocks.clear();
    m_size = 0;
}

size_t NodeIndex::MemoryUsage() const
{
    size_t bytes = 0;
    for (const std::vector<XmlNode*>& block : m_blocks)
        bytes += block.capacity() * sizeof(XmlNode*);
    return bytes;
}
