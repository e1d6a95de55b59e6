#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "base/ParallelRanges.h"

using namespace Voxmill;

// Every index is done exactly once, whatever the split, including more workers than indices.
TEST(ParallelRanges, CoversEveryIndexOnce) {
    for (int32_t workers : {1, 3, 8})
        for (int32_t count : {0, 2, 50}) {
            std::vector<std::atomic<int>> seen(static_cast<size_t>(count));
            parallelRanges(workers, count, [&](int32_t first, int32_t end) {
                for (int32_t i = first; i < end; ++i) ++seen[size_t(i)];
            });
            for (int32_t i = 0; i < count; ++i) EXPECT_EQ(seen[size_t(i)], 1) << workers << " " << count;
        }
}

// A failing range is reported after every range has ended; the lowest failure wins.
TEST(ParallelRanges, RethrowsTheLowestFailureAfterAllEnd) {
    std::atomic<int> ended{0};
    try {
        parallelRanges(4, 4, [&](int32_t first, int32_t) {
            ++ended;
            if (first >= 2) throw std::runtime_error("range " + std::to_string(first));
        });
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "range 2");
    }
    EXPECT_EQ(ended, 4);
}
