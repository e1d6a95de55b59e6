// Chaining cut segments into contours on hand-built layers: segments with the
// faces that made them and the faces' neighbour lists.

#include <gtest/gtest.h>

#include "slicer/SegmentChainer.h"

using namespace Voxmill;

namespace {

using Pt = IntPoint;

struct HandLayer {
    LayerCuts cuts;
    std::vector<MeshFace> faces = std::vector<MeshFace>(16);

    // Faces must be added in ascending order, as the cutter does.
    HandLayer& seg(int32_t face, Pt a, Pt b) {
        cuts.segments.push_back(Segment{int32_t(a.X), int32_t(a.Y), int32_t(b.X), int32_t(b.Y)});
        cuts.faces.push_back(face);
        return *this;
    }
    // Makes f and g neighbours, each in its first free slot.
    HandLayer& link(int32_t f, int32_t g) {
        addNeighbour(f, g);
        addNeighbour(g, f);
        return *this;
    }
    void addNeighbour(int32_t f, int32_t g) {
        for (int32_t& slot : faces[size_t(f)].adj)
            if (slot == NoNeighbour) {
                slot = g;
                return;
            }
    }
};

const Pt A(0, 0), B(1000, 0), C(1000, 1000), D(0, 1000), E(500, 1500);

struct ChainCase {
    const char* what;
    HandLayer layer;
    Paths expected;
    int64_t closed, joined, dropped;
};

std::vector<ChainCase> chainCases() {
    std::vector<ChainCase> cases;
    // a square whose segments come in face order, not in contour order: the
    // contour starts at the first segment visited and repeats its first point
    cases.push_back({"square along neighbours",
                     HandLayer().seg(0, C, D).seg(1, A, B).seg(2, D, A).seg(3, B, C)
                         .link(0, 2).link(2, 1).link(1, 3).link(3, 0),
                     {{C, D, A, B, C}}, 1, 0, 0});
    // a neighbour is missing between faces 3 and 0: two open chains [1, 3]
    // and [0, 2], joined with the second put in front
    cases.push_back({"gap in the neighbour lists",
                     HandLayer().seg(0, C, D).seg(1, A, B).seg(2, D, A).seg(3, B, C)
                         .link(0, 2).link(2, 1).link(1, 3),
                     {{C, D, A, B, C}}, 0, 1, 0});
    // a chain wound the other way (a flipped face) is joined reversed
    cases.push_back({"reversed open chain",
                     HandLayer().seg(0, A, B).seg(1, B, C).seg(2, A, D).seg(3, D, C).link(0, 1).link(2, 3),
                     {{C, D, A, B, C}}, 0, 1, 0});
    // an open chain with nothing to meet vanishes
    cases.push_back({"unclosable chain", HandLayer().seg(0, A, B).seg(1, B, C).link(0, 1), {}, 0, 0, 1});
    // a neighbour whose segment does not start where the chain ends does not
    // continue it, even though the faces are neighbours
    cases.push_back({"neighbour not meeting",
                     HandLayer().seg(0, A, B).seg(1, C, D).seg(2, B, C).seg(3, D, A)
                         .link(0, 1).link(0, 2).link(2, 1).link(1, 3).link(3, 0),
                     {{A, B, C, D, A}}, 1, 0, 0});
    // a zero-length segment (a face touching the plane at one vertex) adds
    // no repeated point
    cases.push_back({"zero-length segment",
                     HandLayer().seg(0, A, B).seg(1, B, B).seg(2, B, C).seg(3, C, A)
                         .link(0, 1).link(1, 2).link(2, 3).link(3, 0),
                     {{A, B, C, A}}, 1, 0, 0});
    // a degenerate face that is its own neighbour gives a lone point: no
    // contour, and nothing counted as dropped since its ends meet
    cases.push_back({"self neighbour", HandLayer().seg(4, E, E).link(4, 4), {}, 0, 0, 0});
    // closed contours come first, then the joined ones; of two chains
    // meeting the front (D) the first in chain order is taken, in front,
    // and the other is dropped
    cases.push_back({"order of output",
                     HandLayer().seg(0, A, B).seg(1, B, C).seg(2, C, A).seg(5, D, E).seg(6, E, D).seg(7, D, C)
                         .link(0, 1).link(1, 2).link(2, 0),
                     {{A, B, C, A}, {E, D, E}}, 1, 1, 1});
    return cases;
}

} // namespace

TEST(MeshSlicerChain, HandBuiltLayers) {
    for (const ChainCase& t : chainCases()) {
        SegmentChainer chainer;
        Paths out = {{Pt(9, 9)}}; // replaced, not appended to
        chainer.chain(t.layer.cuts, t.layer.faces, out);
        EXPECT_EQ(out, t.expected) << t.what;
        EXPECT_EQ(chainer.stats().closedChains, t.closed) << t.what;
        EXPECT_EQ(chainer.stats().joinedContours, t.joined) << t.what;
        EXPECT_EQ(chainer.stats().droppedChains, t.dropped) << t.what;
    }
}

// The chainer keeps scratch space between layers: a second layer must not see
// anything of the first.
TEST(MeshSlicerChain, ReuseAcrossLayers) {
    const std::vector<ChainCase> cases = chainCases();
    SegmentChainer chainer;
    Paths out;
    for (const ChainCase& t : cases) chainer.chain(t.layer.cuts, t.layer.faces, out);
    for (const ChainCase& t : cases) {
        chainer.chain(t.layer.cuts, t.layer.faces, out);
        EXPECT_EQ(out, t.expected) << t.what;
    }
}
