#include "document/FreshBlocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

// Blocks come whole and writable, whether the helper made them ready or the taker had to,
// and the helper stops with blocks still unused.
TEST(FreshBlocksTest, BlocksComeWholeFromTheHelperOrTheTakerAndStopCleanly)
{
    constexpr size_t bytes = 192 * 1024;
    std::vector<std::unique_ptr<char, void (*)(char*)>> taken;
    {
        FreshBlocks blocks(bytes);
        EXPECT_EQ(blocks.BlockBytes(), bytes);
        for (int i = 0; i < 100; ++i) { // more than it keeps ahead
            auto* block = static_cast<char*>(blocks.Take());
            std::memset(block, i, bytes);
            taken.emplace_back(block, [](char* b) { ::operator delete(b); });
        }
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(taken[size_t(i)].get()[bytes - 1], char(i));
    }
    FreshBlocks idle(bytes); // stopped before it made anything ready, or after
}
