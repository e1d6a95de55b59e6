#include <gtest/gtest.h>

#include "slicer/Geometry.h"
#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// Square 0..30000 with a hole 10000..20000 holding a square 13000..17000.
Paths nestedSquares() {
    return {square(0, 0, 30000), reversed(square(10000, 10000, 10000)), square(13000, 13000, 4000)};
}

} // namespace

TEST(Geometry, ClipFillRules) {
    // Non-zero union of two clockwise overlapping squares: overlap filled, turned counter-clockwise.
    Paths u = unionPaths({reversed(square(0, 0, 20000)), reversed(square(10000, 10000, 20000))});
    ASSERT_EQ(u.size(), 1u);
    EXPECT_DOUBLE_EQ(pathsArea(u), 7e8);
    EXPECT_TRUE(ClipperLib::Orientation(u[0]));
    EXPECT_DOUBLE_EQ(pathsArea(unionPaths({square(0, 0, 20000)}, {square(10000, 10000, 20000)})), 7e8);
    // Intersection and difference are even-odd: the overlap of the subjects is empty.
    Paths overlapping{square(0, 0, 20000), square(10000, 10000, 20000)};
    Paths all{square(-1000, -1000, 40000)};
    EXPECT_DOUBLE_EQ(pathsArea(intersectPaths(overlapping, all)), 6e8);
    EXPECT_DOUBLE_EQ(pathsArea(differencePaths(all, overlapping)), 1.6e9 - 6e8);
}

// splitIslands emits nested islands first; depthLevels is breadth first: with two rings side by
// side, each with an island in its hole, both holes come before either inner island.
TEST(Geometry, IslandAndDepthOrders) {
    std::vector<Paths> islands = splitIslands(nestedSquares());
    ASSERT_EQ(islands.size(), 2u);
    ASSERT_EQ(islands[0].size(), 1u);
    EXPECT_EQ(pathsBox(islands[0]), (IntBox{13000, 13000, 17000, 17000}));
    ASSERT_EQ(islands[1].size(), 2u);
    EXPECT_EQ(pathsBox({islands[1][0]}), (IntBox{0, 0, 30000, 30000}));
    EXPECT_EQ(pathsBox({islands[1][1]}), (IntBox{10000, 10000, 20000, 20000}));
    EXPECT_FALSE(ClipperLib::Orientation(islands[1][1]));

    Paths twoRings = nestedSquares();
    for (Path p : nestedSquares()) {
        for (IntPoint& q : p) q.X += 100000;
        twoRings.push_back(p);
    }
    std::vector<Paths> levels = depthLevels(twoRings);
    ASSERT_EQ(levels.size(), 3u);
    for (const Paths& level : levels) EXPECT_EQ(level.size(), 2u);
    EXPECT_EQ(pathsBox(levels[2]), (IntBox{13000, 13000, 117000, 17000}));
    EXPECT_TRUE(depthLevels({}).empty());
}

// A 10-degree spike is squared off by the miter limit of 2 but not by the sharp one.
TEST(Geometry, MiterLimitSquaresOnlyTheNormalOffset) {
    Path spike{{0, 0}, {100000, 0}, {100000, 17633}};
    EXPECT_EQ(offsetPaths({spike}, 500)[0].size(), 4u);
    EXPECT_EQ(offsetPathsSharp({spike}, 500)[0].size(), 3u);
}

TEST(Geometry, OffsetIslandsMergesOnlyWhenGrowing) {
    // Two 5 mm squares 0.4 mm apart.
    Paths pair{square(0, 0, 50000), square(54000, 0, 50000)};
    Paths grown = offsetIslands(pair, 5000, 10, 0);
    ASSERT_EQ(grown.size(), 1u);
    EXPECT_EQ(pathsBox(grown), (IntBox{-5000, -5000, 109000, 55000}));
    Paths shrunk = offsetIslands(pair, -5000, 10, 0);
    ASSERT_EQ(shrunk.size(), 2u);
    EXPECT_EQ(pathsBox({shrunk[0]}), (IntBox{5000, 5000, 45000, 45000}));
    // minArea drops islands that shrank too small.
    EXPECT_EQ(offsetIslands({square(0, 0, 50000), square(60000, 0, 3000)}, -1000, 10, 1e7).size(), 1u);
}

TEST(Geometry, SimplifyPathThresholdsAreStrict) {
    const Path big{{100000, 0}, {100000, 100000}, {0, 100000}};
    auto withBig = [&](Path start) {
        start.insert(start.end(), big.begin(), big.end());
        return start;
    };
    const struct {
        const char* what;
        Path in;
        int32_t tolerance;
        Path expected;
    } cases[] = {
        // doubled triangle area 500000 below t*t = 1000000: the middle point goes
        {"area below", withBig({{0, 0}, {50000, 5}}), 1000, withBig({{0, 0}})},
        // doubled area exactly t*t stays
        {"area equal", withBig({{0, 0}, {50000, 10}}), 1000, withBig({{0, 0}, {50000, 10}})},
        // squared spacing 2500 below distTol 5000 goes
        {"spacing below", withBig({{0, 0}, {30, 40}}), 100, withBig({{0, 0}})},
        // squared spacing exactly 5000 stays
        {"spacing equal", withBig({{0, 0}, {50, 50}}), 100, withBig({{0, 0}, {50, 50}})},
        // squared span 6400 from the kept point to the point after a spike is below t*t: the spike goes
        {"span below", withBig({{0, 0}, {60, -500}, {80, 0}}), 100, withBig({{0, 0}, {80, 0}})},
        // squared span exactly 10000 keeps the spike
        {"span equal", withBig({{0, 0}, {60, -500}, {100, 0}}), 100, withBig({{0, 0}, {60, -500}, {100, 0}})},
        // each zigzag tooth alone is below the tolerance, but a run's area accumulates
        {"accumulated run",
         {{0, 0}, {10000, 40}, {20000, 0}, {30000, 40}, {40000, 0}, {40000, 40000}, {0, 40000}},
         1000,
         {{0, 0}, {20000, 0}, {40000, 0}, {40000, 40000}, {0, 40000}}},
        // tolerance 0 never removes anything, not even repeated points (0 < 0 fails)
        {"zero tolerance", {{0, 0}, {0, 0}, {10, 0}, {10, 10}}, 0, {{0, 0}, {0, 0}, {10, 0}, {10, 10}}},
        // a repeated closing point costs the first point
        {"closing repeat",
         {{0, 0}, {100000, 0}, {100000, 100000}, {0, 0}},
         1,
         {{100000, 0}, {100000, 100000}, {0, 0}}},
        // a triangle within 0.005 mm collapses and is emptied
        {"tiny triangle", {{0, 0}, {50, 0}, {0, 50}}, 100, {}},
    };
    for (const auto& c : cases) {
        Path p = c.in;
        simplifyPath(p, c.tolerance);
        EXPECT_EQ(p, c.expected) << c.what;
    }
}
