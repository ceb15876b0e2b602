#include "view/RowList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// Stand-ins for rows: never read, only compared.
const XmlNode* Row(uintptr_t value)
{
    return reinterpret_cast<const XmlNode*>(value * 8 + 8);
}

RowList Rows(uintptr_t from, size_t count)
{
    RowList rows;
    for (size_t i = 0; i < count; ++i)
        rows.PushBack(Row(from + i));
    return rows;
}

} // namespace

TEST(RowListTest, RandomInsertsAndCutsKeepTheOrderOfAPlainVector)
{
    std::mt19937 random(7);
    RowList rows;
    std::vector<const XmlNode*> expected;
    uintptr_t next = 0;
    for (int step = 0; step < 1500; ++step) {
        const size_t at = random() % (expected.size() + 1);
        // Mostly single rows, now and then a range of several blocks.
        const size_t count = random() % 10 == 0 ? random() % 20000 : random() % 3 + 1;
        if (random() % 3 != 0 || expected.empty()) {
            rows.Insert(at, Rows(next, count));
            std::vector<const XmlNode*> added;
            for (size_t i = 0; i < count; ++i)
                added.push_back(Row(next + i));
            expected.insert(expected.begin() + std::ptrdiff_t(at), added.begin(), added.end());
            next += count;
        } else {
            const size_t to = std::min(expected.size(), at + count);
            const RowList cut = rows.Cut(at, to);
            ASSERT_EQ(cut.Size(), to - at);
            for (size_t i = 0; i < cut.Size(); ++i)
                ASSERT_EQ(cut.At(i), expected[at + i]);
            expected.erase(expected.begin() + std::ptrdiff_t(at),
                           expected.begin() + std::ptrdiff_t(to));
        }
        ASSERT_EQ(rows.Size(), expected.size());
        if (step % 50 == 0 || step > 1490) {
            for (size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(rows.At(i), expected[i]) << "step " << step << ", row " << i;
        }
    }
}

TEST(RowListTest, LowerBoundFindsTheFirstRowNotBeforeAndFindTheFirstMatchInARange)
{
    RowList rows;
    std::vector<const XmlNode*> values;
    for (uintptr_t i = 0; i < 30000; ++i)
        values.push_back(Row(2 * i));
    rows.Append(values.data(), values.size());
    for (uintptr_t probe : {uintptr_t(0), uintptr_t(1), uintptr_t(16383), uintptr_t(16384),
                            uintptr_t(40000), uintptr_t(59998), uintptr_t(70000)}) {
        const size_t found = rows.LowerBound([&](const XmlNode* row) { return row < Row(probe); });
        EXPECT_EQ(found, size_t((probe + 1) / 2 < 30000 ? (probe + 1) / 2 : 30000)) << probe;
    }
    auto multipleOf = [](uintptr_t n) {
        return [n](const XmlNode* row) {
            return (reinterpret_cast<uintptr_t>(row) - reinterpret_cast<uintptr_t>(Row(0))) / 8 %
                       n ==
                   0;
        };
    };
    EXPECT_EQ(rows.Find(0, 30000, multipleOf(3)), 0u);
    EXPECT_EQ(rows.Find(1, 30000, multipleOf(3)), 3u);
    EXPECT_EQ(rows.Find(8190, 30000, multipleOf(16388)), 8194u) << "across a block's end";
    EXPECT_EQ(rows.Find(8195, 16388, multipleOf(16388)), 16388u) << "none before the end";
    EXPECT_EQ(rows.Find(8195, 90000, multipleOf(16388)), 16388u);
    EXPECT_EQ(rows.Find(29999, 90000, multipleOf(7)), 30000u) << "the end, clamped";
    EXPECT_EQ(rows.Find(5, 5, multipleOf(1)), 5u);
}
