#include "view/RowList.h"

#include <algorithm>
#include <iterator>

RowList::Row RowList::At(size_t row) const
{
    const size_t block = BlockOf(row);
    return m_blocks[block][row - m_first[block]];
}

size_t RowList::BlockOf(size_t row) const
{
    return size_t(std::upper_bound(m_first.begin(), m_first.end(), row) - m_first.begin()) - 1;
}

void RowList::Clear()
{
    m_blocks.clear();
    m_first.clear();
    m_size = 0;
}

void RowList::PushBack(Row row)
{
    if (m_blocks.empty() || m_blocks.back().size() == kBlock) {
        m_blocks.emplace_back().reserve(kBlock);
        m_first.push_back(m_size);
    }
    m_blocks.back().push_back(row);
    ++m_size;
}

void RowList::Append(const Row* first, size_t count)
{
    while (count > 0) {
        if (m_blocks.empty() || m_blocks.back().size() == kBlock) {
            m_blocks.emplace_back().reserve(std::min(count, kBlock));
            m_first.push_back(m_size);
        }
        std::vector<Row>& last = m_blocks.back();
        const size_t taken = std::min(count, kBlock - last.size());
        last.insert(last.end(), first, first + taken);
        first += taken;
        count -= taken;
        m_size += taken;
    }
}

size_t RowList::SplitAt(size_t row)
{
    if (row == m_size)
        return m_blocks.size();
    const size_t block = BlockOf(row);
    const size_t in = row - m_first[block];
    if (in == 0)
        return block;
    std::vector<Row>& whole = m_blocks[block];
    std::vector<Row> tail(whole.begin() + std::ptrdiff_t(in), whole.end());
    whole.resize(in);
    m_blocks.insert(m_blocks.begin() + std::ptrdiff_t(block) + 1, std::move(tail));
    m_first.insert(m_first.begin() + std::ptrdiff_t(block) + 1, row);
    return block + 1;
}

void RowList::JoinAt(size_t block)
{
    if (block == 0 || block >= m_blocks.size() ||
        m_blocks[block - 1].size() + m_blocks[block].size() > kBlock)
        return;
    std::vector<Row>& into = m_blocks[block - 1];
    into.insert(into.end(), m_blocks[block].begin(), m_blocks[block].end());
    m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(block));
    m_first.erase(m_first.begin() + std::ptrdiff_t(block));
}

void RowList::Renumber(size_t fromBlock)
{
    size_t row = fromBlock == 0 ? 0 : m_first[fromBlock - 1] + m_blocks[fromBlock - 1].size();
    for (size_t block = fromBlock; block < m_blocks.size(); ++block) {
        m_first[block] = row;
        row += m_blocks[block].size();
    }
    m_size = row;
}

void RowList::Insert(size_t at, RowList&& rows)
{
    if (rows.m_size == 0)
        return;
    const size_t block = SplitAt(at);
    const size_t count = rows.m_blocks.size();
    m_blocks.insert(m_blocks.begin() + std::ptrdiff_t(block),
                    std::make_move_iterator(rows.m_blocks.begin()),
                    std::make_move_iterator(rows.m_blocks.end()));
    m_first.insert(m_first.begin() + std::ptrdiff_t(block), count, 0);
    rows.Clear();
    // Small blocks at either seam are joined, so edits never leave a trail of tiny ones.
    JoinAt(block + count);
    JoinAt(block);
    Renumber(block == 0 ? 0 : block - 1);
}

RowList RowList::Cut(size_t from, size_t to)
{
    RowList cut;
    if (from >= to)
        return cut;
    const size_t first = SplitAt(from);
    const size_t last = SplitAt(to);
    cut.m_blocks.assign(std::make_move_iterator(m_blocks.begin() + std::ptrdiff_t(first)),
                        std::make_move_iterator(m_blocks.begin() + std::ptrdiff_t(last)));
    m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(first),
                   m_blocks.begin() + std::ptrdiff_t(last));
    m_first.erase(m_first.begin() + std::ptrdiff_t(first), m_first.begin() + std::ptrdiff_t(last));
    cut.m_first.resize(cut.m_blocks.size());
    cut.Renumber(0);
    JoinAt(first);
    Renumber(first == 0 ? 0 : first - 1);
    return cut;
}
