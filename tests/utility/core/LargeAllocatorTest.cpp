#include "platform/memory/large_allocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

TEST(LargeAllocatorTest, BlocksOfEverySizeComeZeroedAndStayUsable) {
    for (size_t count : {size_t(0), size_t(1), size_t(1000), size_t(3) << 20}) {
        LargeVector<std::uint32_t> values(count);
        EXPECT_TRUE(std::all_of(values.begin(), values.end(), [](std::uint32_t v) { return !v; }))
            << count;
        std::fill(values.begin(), values.end(), 7u);
        values.push_back(9);
        EXPECT_EQ(values.back(), 9u);
        EXPECT_EQ(std::count(values.begin(), values.end(), 7u), std::ptrdiff_t(count));
    }
}

TEST(LargeAllocatorTest, DiscardedPagesReadAsZeroAndTheRestKeepsItsValues) {
    const size_t count = size_t(4) << 20;
    LargeVector<std::uint8_t> bytes(count);
    std::fill(bytes.begin(), bytes.end(), 0xAB);
    // Whole pages inside the range only.
    const size_t twoMiB = size_t(2) << 20;
    DiscardPages(bytes.data() + 100, twoMiB - 200);
    EXPECT_EQ(bytes[4095], 0xAB);
    EXPECT_EQ(bytes[4096], 0);
    EXPECT_EQ(bytes[twoMiB - 4097], 0);
    EXPECT_EQ(bytes[twoMiB - 4096], 0xAB);
    EXPECT_EQ(bytes[count - 1], 0xAB);
}
