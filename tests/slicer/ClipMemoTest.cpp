#include <gtest/gtest.h>

#include "slicer/ClipMemo.h"
#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// A row of n small squares: the cells along a region's outline.
Paths cellRow(int32_t n, int32_t y) {
    Paths row;
    for (int32_t k = 0; k < n; ++k) row.push_back(square(k * 3000 - 500, y, 2000));
    return row;
}

} // namespace

// Every operation gives what the polygon library gives, the first time and
// when met again; inputs that differ by one point, or in the order of their
// paths, are other inputs.
TEST(ClipMemo, RecallsOnlyResultsOfEqualInputs) {
    const Paths region{square(0, 0, 60000), reversed(square(20000, 20000, 10000))};
    const Paths cells = cellRow(20, -500);
    ClipMemo memo;
    for (int32_t round = 0; round < 2; ++round) {
        EXPECT_EQ(memo.difference(region, cells), differencePaths(region, cells));
        EXPECT_EQ(memo.intersection(region, cells), intersectPaths(region, cells));
        EXPECT_EQ(memo.unite(region, cells), unionPaths(region, cells));
        Paths sharp = offsetPathsSharp(cells, 700);
        cleanPaths(sharp, 10, 1e4);
        EXPECT_EQ(memo.offsetSharpClean(cells, 700, 10, 1e4), sharp);
    }
    EXPECT_EQ(memo.hits(), 4u);

    Paths moved = cells;
    moved[7][2].X += 1;
    EXPECT_EQ(memo.difference(region, moved), differencePaths(region, moved));
    Paths turned(cells.rbegin(), cells.rend());
    EXPECT_EQ(memo.intersection(region, turned), intersectPaths(region, turned));
    EXPECT_EQ(memo.intersection(cells, region), intersectPaths(cells, region));
    Paths wider = offsetPathsSharp(cells, 701);
    cleanPaths(wider, 10, 1e4);
    EXPECT_EQ(memo.offsetSharpClean(cells, 701, 10, 1e4), wider);
    EXPECT_EQ(memo.hits(), 4u);
}

// Past its room the memo drops its oldest results and keeps answering.
TEST(ClipMemo, DropsTheOldestWhenFull) {
    const Paths region{square(0, 0, 6000000)};
    ClipMemo memo;
    for (int32_t n = 0; n < 300; ++n) {
        const Paths cells = cellRow(500, n * 3000);
        ASSERT_EQ(memo.difference(region, cells), differencePaths(region, cells)) << n;
    }
    EXPECT_LE(memo.keptPoints(), size_t(1) << 20);
    const Paths last = cellRow(500, 299 * 3000);
    EXPECT_EQ(memo.difference(region, last), differencePaths(region, last));
    EXPECT_EQ(memo.hits(), 1u);
    const Paths first = cellRow(500, 0);
    EXPECT_EQ(memo.difference(region, first), differencePaths(region, first));
    EXPECT_EQ(memo.hits(), 1u);
}
