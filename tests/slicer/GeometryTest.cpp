#include <gtest/gtest.h>

#include <algorithm>

#include "slicer/Geometry.h"

using namespace Voxmill;

namespace {

// Counter-clockwise axis-aligned square.
Path square(int64_t x0, int64_t y0, int64_t size) {
    return {{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
}

Path reversed(Path p) {
    std::reverse(p.begin(), p.end());
    return p;
}

// Square 0..30000 with a hole 10000..20000 holding a square 13000..17000.
Paths nestedSquares() {
    return {square(0, 0, 30000), reversed(square(10000, 10000, 10000)), square(13000, 13000, 4000)};
}
} // namespace

TEST(Geometry, BoxesStartEmpty) {
    IntBox empty = pathsBox({});
    EXPECT_EQ(empty, (IntBox{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}));
    IntBox box = pathsBox({square(-5, 7, 10), {{100, -3}}});
    EXPECT_EQ(box, (IntBox{-5, -3, 100, 17}));
    EXPECT_EQ(boxUnion(empty, box), box);
    EXPECT_EQ(boxUnion(box, empty), box);
    EXPECT_EQ(boxUnion(box, pathsBox({{{-9, 20}}})), (IntBox{-9, -3, 100, 20}));
}

TEST(Geometry, UnionIsNonZeroAndCounterClockwise) {
    // Two clockwise squares overlapping by a quarter (a mesh with reversed
    // triangles): the non-zero union fills the overlap too and turns the
    // result counter-clockwise.
    Paths a{reversed(square(0, 0, 20000)), reversed(square(10000, 10000, 20000))};
    Paths u = unionPaths(a);
    ASSERT_EQ(u.size(), 1u);
    EXPECT_DOUBLE_EQ(pathsArea(u), 7e8);
    EXPECT_TRUE(ClipperLib::Orientation(u[0]));
    EXPECT_DOUBLE_EQ(pathsArea(unionPaths({square(0, 0, 20000)}, {square(10000, 10000, 20000)})), 7e8);
}

TEST(Geometry, IntersectionAndDifferenceAreEvenOdd) {
    // Under even-odd the overlap of the two subject squares is empty.
    Paths overlapping{square(0, 0, 20000), square(10000, 10000, 20000)};
    Paths all{square(-1000, -1000, 40000)};
    EXPECT_DOUBLE_EQ(pathsArea(intersectPaths(overlapping, all)), 6e8);
    EXPECT_DOUBLE_EQ(pathsArea(differencePaths(all, overlapping)), 1.6e9 - 6e8);
    EXPECT_TRUE(intersectPaths({square(0, 0, 10)}, {square(20, 0, 10)}).empty());
}

TEST(Geometry, SplitIslandsEmitsNestedIslandsFirst) {
    std::vector<Paths> islands = splitIslands(nestedSquares());
    ASSERT_EQ(islands.size(), 2u);
    ASSERT_EQ(islands[0].size(), 1u);
    EXPECT_EQ(pathsBox(islands[0]), (IntBox{13000, 13000, 17000, 17000}));
    ASSERT_EQ(islands[1].size(), 2u);
    EXPECT_EQ(pathsBox({islands[1][0]}), (IntBox{0, 0, 30000, 30000}));
    EXPECT_EQ(pathsBox({islands[1][1]}), (IntBox{10000, 10000, 20000, 20000}));
    EXPECT_FALSE(ClipperLib::Orientation(islands[1][1]));
    EXPECT_TRUE(splitIslands({}).empty());
}

TEST(Geometry, DepthLevelsAreBreadthFirst) {
    std::vector<Paths> nested = depthLevels(nestedSquares());
    ASSERT_EQ(nested.size(), 3u);
    for (const Paths& level : nested) EXPECT_EQ(level.size(), 1u);
    EXPECT_EQ(pathsBox(nested[2]), (IntBox{13000, 13000, 17000, 17000}));

    std::vector<Paths> disjoint = depthLevels({square(0, 0, 100), square(500, 0, 100)});
    ASSERT_EQ(disjoint.size(), 1u);
    EXPECT_EQ(disjoint[0].size(), 2u);

    // Two rings side by side, each with one island in its hole: the holes of
    // both rings come before any of the inner islands.
    Paths twoRings = nestedSquares();
    for (const Path& p : nestedSquares()) {
        Path moved = p;
        for (IntPoint& q : moved) q.X += 100000;
        twoRings.push_back(moved);
    }
    std::vector<Paths> levels = depthLevels(twoRings);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[0].size(), 2u);
    EXPECT_EQ(levels[1].size(), 2u);
    EXPECT_EQ(levels[2].size(), 2u);
    EXPECT_TRUE(depthLevels({}).empty());
}

TEST(Geometry, MiterLimitSquaresOnlyTheNormalOffset) {
    // A square's right angles stay sharp under both offsets.
    Paths grown = offsetPaths({square(0, 0, 10000)}, 1000);
    ASSERT_EQ(grown.size(), 1u);
    EXPECT_EQ(grown[0].size(), 4u);
    EXPECT_EQ(pathsBox(grown), (IntBox{-1000, -1000, 11000, 11000}));
    // A 10-degree spike is squared off by the limit of 2 but not by the sharp one.
    Path spike{{0, 0}, {100000, 0}, {100000, 17633}};
    EXPECT_EQ(offsetPaths({spike}, 500)[0].size(), 4u);
    EXPECT_EQ(offsetPathsSharp({spike}, 500)[0].size(), 3u);
    // Shrinking away leaves nothing.
    EXPECT_TRUE(offsetPaths({square(0, 0, 1000)}, -600).empty());
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

    // Without growth the results stay in island order: the nested island
    // first, then the ring and its hole, as no union reorders them.
    Paths nested = offsetIslands(nestedSquares(), -100, 10, 0);
    ASSERT_EQ(nested.size(), 3u);
    EXPECT_EQ(pathsBox({nested[0]}), (IntBox{13100, 13100, 16900, 16900}));
    EXPECT_EQ(pathsBox({nested[1]}), (IntBox{100, 100, 29900, 29900}));

    // minArea drops islands that shrank too small, tolerance simplifies.
    Paths small{square(0, 0, 50000), square(60000, 0, 3000)};
    EXPECT_EQ(offsetIslands(small, -1000, 10, 1e7).size(), 1u);
}

namespace {

struct SimplifyCase {
    const char* what;
    Path in;
    int32_t tolerance;
    Path expected;
};

} // namespace

TEST(Geometry, SimplifyPathThresholdsAreStrict) {
    const Path big{{100000, 0}, {100000, 100000}, {0, 100000}};
    auto withBig = [&](Path start) {
        start.insert(start.end(), big.begin(), big.end());
        return start;
    };
    const SimplifyCase cases[] = {
        // doubled triangle area 500000 below t*t = 1000000: the middle point goes
        {"area below", withBig({{0, 0}, {50000, 5}}), 1000, withBig({{0, 0}})},
        // doubled area exactly t*t stays
        {"area equal", withBig({{0, 0}, {50000, 10}}), 1000, withBig({{0, 0}, {50000, 10}})},
        // squared spacing 2500 below distTol 5000 goes
        {"spacing below", withBig({{0, 0}, {30, 40}}), 100, withBig({{0, 0}})},
        // squared spacing exactly 5000 stays
        {"spacing equal", withBig({{0, 0}, {50, 50}}), 100, withBig({{0, 0}, {50, 50}})},
        // the point after a spike lies 80 units from the kept point: squared
        // span 6400 below t*t = 10000, so the spike goes
        {"span below", withBig({{0, 0}, {60, -500}, {80, 0}}), 100, withBig({{0, 0}, {80, 0}})},
        // squared span exactly 10000 keeps the spike
        {"span equal", withBig({{0, 0}, {60, -500}, {100, 0}}), 100, withBig({{0, 0}, {60, -500}, {100, 0}})},
        // each zigzag tooth alone is below the tolerance, but the area of a run
        // accumulates, so every second point survives
        {"accumulated run",
         {{0, 0}, {10000, 40}, {20000, 0}, {30000, 40}, {40000, 0}, {40000, 40000}, {0, 40000}},
         1000,
         {{0, 0}, {20000, 0}, {40000, 0}, {40000, 40000}, {0, 40000}}},
        // tolerance 0 never removes anything, not even repeated points
        {"zero tolerance", {{0, 0}, {0, 0}, {10, 0}, {10, 10}}, 0, {{0, 0}, {0, 0}, {10, 0}, {10, 10}}},
        // a repeated closing point costs the first point
        {"closing repeat", {{0, 0}, {100000, 0}, {100000, 100000}, {0, 0}}, 1,
         {{100000, 0}, {100000, 100000}, {0, 0}}},
        // a triangle within 0.005 mm collapses and is emptied
        {"tiny triangle", {{0, 0}, {50, 0}, {0, 50}}, 100, {}},
        // two points are no contour once anything goes
        {"two points", {{0, 0}, {100000, 0}}, 1, {}},
        {"two points, zero tolerance", {{0, 0}, {100000, 0}}, 0, {{0, 0}, {100000, 0}}},
        {"single point", {{5, 5}}, 0, {}},
        {"empty", {}, 100, {}},
    };
    for (const SimplifyCase& c : cases) {
        Path p = c.in;
        simplifyPath(p, c.tolerance);
        EXPECT_EQ(p, c.expected) << c.what;
    }
}

TEST(Geometry, CleanUpKeepsOrder) {
    Paths a{square(0, 0, 100), {}, square(0, 0, 1), {{0, 0}, {5, 5}}, square(0, 0, 50)};
    Paths keepAll = a;
    cleanPaths(keepAll, 0, 0);
    EXPECT_EQ(keepAll.size(), 5u);

    Paths noEmpty = a;
    cleanPaths(noEmpty, 0, 1);
    EXPECT_EQ(noEmpty, (Paths{square(0, 0, 100), square(0, 0, 1), square(0, 0, 50)}));

    Paths bigOnly = a;
    dropSmallAreas(bigOnly, 2500);
    EXPECT_EQ(bigOnly, (Paths{square(0, 0, 100), square(0, 0, 50)}));

    Paths longOnly = a;
    simplifyPaths(longOnly, 0);
    EXPECT_EQ(longOnly, (Paths{square(0, 0, 100), square(0, 0, 1), square(0, 0, 50)}));
}
