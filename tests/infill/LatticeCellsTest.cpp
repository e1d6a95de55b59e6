#include <gtest/gtest.h>

#include <algorithm>

#include "infill/GridSupport.h"
#include "infill/Infill.h"
#include "infill/InfillTestUtil.h"
#include "infill/LatticeCells.h"
#include "infill/PostSupport.h"
#include "infill/SupportProjector.h"
#include "slicer/LocalLevels.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

bool pointLess(const IntPoint& a, const IntPoint& b) { return a.X < b.X || (a.X == b.X && a.Y < b.Y); }
bool pathLess(const Path& a, const Path& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), pointLess);
}
// The contours of a path set in a fixed order: each kept with its own start point.
Paths sorted(Paths a) {
    std::sort(a.begin(), a.end(), pathLess);
    return a;
}

// Models whose supports hold what the cell by cell hollow must get right: a slanted
// outline that cuts cells, a support island with a hole (a ring over a column), two
// islands 0.6 mm apart that share lattice cells, and an island reaching past the image's
// edge (the image is 30 mm wide).
constexpr int32_t layers = 180; // the upper half 4.5 mm thick, so its infill has cells
Paths trickyShapes(int32_t k) {
    if (k < layers / 2) return {rect(-1, -1, 1, 1), rect(9, -1, 10, 1)};
    Path slanted = {{mm(-12), mm(-9)}, {mm(1), mm(-11.3)}, {mm(4), mm(6.7)}, {mm(-10.5), mm(8.1)}};
    return {slanted, rect(5, -6, 8, 6), rect(8.6, -6, 22, 6), rect(-4, 12, 4, 14), rect(-1, 12.5, 1, 13.5)};
}

SliceConfig trickySettings() {
    SliceConfig s;
    s.precision.layerHeight = 0.05f;
    s.poly2img.sizeX = 30;
    s.poly2img.sizeY = 30;
    s.poly2img.pixelX = 600;
    s.poly2img.pixelY = 600;
    return s;
}

// Every hollow slot of the job's generated islands, layer by layer, after running the
// generators (infill first, then the supports) from the bottom up.
std::vector<Paths> hollows(const SliceConfig& s, bool wholeLattice) {
    auto job = modelJob(s, layers, trickyShapes);
    job->generators.wholeLattice = wholeLattice;
    SupportProjector projector(*job, s);
    for (int32_t k = layers - 1; k >= 0; --k) {
        projector.preOffset(s, k);
        projector.project(s, k);
    }
    std::vector<Paths> out;
    for (int32_t k = 0; k < layers; ++k) {
        bool flag = false;
        Infill(*job).run(s, k);
        PostSupport(*job).run(s, k, flag);
        GridSupport(*job).run(s, k, flag);
        for (const LayerPart& part : job->layers.layer(k).parts)
            for (const Island& island : part.islands) {
                auto it = island.slots.find(slotHollow);
                out.push_back(sorted(it == island.slots.end() ? Paths() : it->second.paths));
            }
    }
    return out;
}

} // namespace

// The hollow taken cell by cell is the hollow the whole lattice clipped at once gives,
// contour for contour and from the same start points (the printer's outline pen starts
// there), under the roof gradient and in steady posts alike.
TEST(LatticeCells, CellByCellHollowEqualsTheWholeLatticeClipped) {
    struct Row {
        const char* what;
        void (*tweak)(SliceConfig&);
    } rows[] = {
        {"post support", [](SliceConfig&) {}},
        // A roof offset of 10 steps (2880 units) grows past the space between posts and
        // cells: such cells must be clipped with the outline, not copied.
        {"post support, large step", [](SliceConfig& s) { s.precision.supportZ = 0.5f; }},
        {"grid support and infill",
         [](SliceConfig& s) {
             s.postSupport.enable = false;
             s.gridSupport.enable = true;
             s.infill.enable = true;
             s.infill.fillType = FillType::rectGrid;
         }},
    };
    for (const Row& row : rows) {
        SliceConfig s = trickySettings();
        row.tweak(s);
        s.normalise();
        const std::vector<Paths> cells = hollows(s, false), whole = hollows(s, true);
        ASSERT_EQ(cells.size(), whole.size()) << row.what;
        size_t contours = 0;
        for (size_t n = 0; n < cells.size(); ++n) {
            EXPECT_EQ(cells[n], whole[n]) << row.what << ", island " << n;
            contours += cells[n].size();
        }
        EXPECT_GT(contours, 1000u) << row.what;
    }
}

// An inside cell lies wholly inside the region, with no edge within the reach of its zone;
// a slanted edge through the lattice leaves touched cells along it, and a hole is outside.
TEST(LatticeCells, InsideCellsKeepTheirReachFromEveryEdge) {
    const Lattice l{10000, 1234, -567, {-1000000, -1000000, 1000000, 1000000}};
    const Paths region = {{{-95000, -90000}, {97000, -60000}, {90000, 93000}, {-88000, 88000}},
                          {{-20000, -20000}, {-20000, 25000}, {30000, 25000}, {30000, -20000}}};
    for (int64_t reach : {0, 3000, 12000}) {
        const CellRange r = tilingRange(l, pathsBox(region));
        const std::vector<CellPlace> places = placeCells(l, r, region, reach);
        int32_t inside = 0, touched = 0;
        for (int64_t i = r.i0; i <= r.i1; ++i)
            for (int64_t j = r.j0; j <= r.j1; ++j) {
                const IntPoint c = cellCentre(l, i, j);
                const int64_t h = l.period / 2 + reach;
                const Paths zone = {
                    {{c.X - h, c.Y - h}, {c.X + h, c.Y - h}, {c.X + h, c.Y + h}, {c.X - h, c.Y + h}}};
                const bool wholly = differencePaths(zone, region).empty();
                const CellPlace p = places[r.index(i, j)];
                if (p == CellPlace::inside) {
                    EXPECT_TRUE(wholly) << i << "," << j << " reach " << reach;
                }
                if (p == CellPlace::outside) {
                    EXPECT_TRUE(intersectPaths(zone, region).empty()) << i << "," << j;
                }
                inside += p == CellPlace::inside;
                touched += p == CellPlace::touched;
            }
        EXPECT_GT(inside, 100) << "reach " << reach;
        EXPECT_GT(touched, 40) << "reach " << reach;
    }
}

// depthLevelsLocal gives every level the contours depthLevels gives, from the same start
// points: a support area with a hollow full of posts (some cut by the hollow's outline, two
// touching), a field of pins, and an island inside a post's hole.
TEST(LocalLevels, SameContoursAsTheUnion) {
    const Paths post = {{{-5000, -5000},
                         {-1500, -5000},
                         {0, -1000},
                         {1500, -5000},
                         {5000, -5000},
                         {5000, 5000},
                         {-5000, 5000}}};
    Paths in = {rect(-50, -50, 50, 50)};
    Path hollow = rect(-45, -45, 45, 45);
    std::reverse(hollow.begin(), hollow.end());
    in.push_back(hollow);
    for (int i = -40; i <= 45; ++i)
        for (int j = -40; j <= 40; ++j) {
            Path p = post[0];
            for (IntPoint& q : p) {
                q.X += i * 12000 + (i == 3 ? 2000 : 0); // cell 3 touches its neighbour
                q.Y += j * 12000;
            }
            in.push_back(p);
        }
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < 30; ++j) in.push_back(rect(60 + i, 60 + j, 60.5 + i, 60.5 + j));
    Path dent = rect(-0.1, -0.1, 0.1, 0.1); // a hole in the post at the origin
    std::reverse(dent.begin(), dent.end());
    in.push_back(dent);
    const std::vector<Paths> local = depthLevelsLocal(in, 1000), whole = depthLevels(in);
    ASSERT_EQ(local.size(), whole.size());
    for (size_t l = 0; l < whole.size(); ++l) EXPECT_EQ(sorted(local[l]), sorted(whole[l])) << "level " << l;
}
