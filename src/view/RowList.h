#pragma once

#include <cstddef>
#include <vector>

class XmlNode;

// The shown rows in order, held in blocks of a few thousand: inserting or removing rows
// anywhere moves at most a block's worth of them plus one entry per block, and a range of
// rows moves between lists as whole blocks. One vector of tens of millions of rows moved
// all rows after every change (25 ms per edit with the 66 million rows of a 1 GB file shown).
class RowList {
public:
    using Row = const XmlNode*;

    size_t Size() const { return m_size; }
    Row At(size_t row) const;
    void Clear();
    void PushBack(Row row);
    void Append(const Row* first, size_t count);
    // Moves all of `rows` in before `at`.
    void Insert(size_t at, RowList&& rows);
    // Takes rows [from, to) out and returns them.
    RowList Cut(size_t from, size_t to);
    // The first row for which `before(row)` is false, the rows being ordered by it.
    template <typename Before> size_t LowerBound(Before before) const;
    // The first row in [from, to) for which `match(row)` holds, or `to`; block by block,
    // without looking each row up.
    template <typename Match> size_t Find(size_t from, size_t to, Match match) const;

private:
    static constexpr size_t kBlock = 8192; // rows a block holds at most

    // Where row `row` lies: its block and place there.
    size_t BlockOf(size_t row) const;
    // Makes `row` the first of a block (or the end); returns that block.
    size_t SplitAt(size_t row);
    // Joins the blocks `block - 1` and `block` when they fit in one.
    void JoinAt(size_t block);
    void Renumber(size_t fromBlock);

    std::vector<std::vector<Row>> m_blocks; // none empty
    std::vector<size_t> m_first;            // the first row of each block
    size_t m_size = 0;
};

template <typename Before> size_t RowList::LowerBound(Before before) const
{
    // The first block whose last row is not before, then the place inside it.
    size_t low = 0;
    size_t high = m_blocks.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (before(m_blocks[middle].back()))
            low = middle + 1;
        else
            high = middle;
    }
    if (low == m_blocks.size())
        return m_size;
    const std::vector<Row>& block = m_blocks[low];
    size_t in = 0;
    size_t count = block.size();
    while (count > 0) {
        const size_t step = count / 2;
        if (before(block[in + step])) {
            in += step + 1;
            count -= step + 1;
        } else {
            count = step;
        }
    }
    return m_first[low] + in;
}

template <typename Match> size_t RowList::Find(size_t from, size_t to, Match match) const
{
    to = to < m_size ? to : m_size;
    if (from >= to)
        return to;
    for (size_t block = BlockOf(from); block < m_blocks.size() && m_first[block] < to; ++block) {
        const std::vector<Row>& rows = m_blocks[block];
        const size_t first = m_first[block];
        const size_t end = to - first < rows.size() ? to - first : rows.size();
        for (size_t in = from > first ? from - first : 0; in < end; ++in) {
            if (match(rows[in]))
                return first + in;
        }
    }
    return to;
}
