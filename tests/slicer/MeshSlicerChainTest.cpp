// Chaining cut segments into contours on hand-built layers.

#include <gtest/gtest.h>

#include <algorithm>

#include "slicer/SegmentChainer.h"

using namespace Voxmill;

namespace {

using Pt = IntPoint;

struct HandSegment {
    int32_t face; // ascending, as the cutter makes them
    Pt start, end;
};

// A layer's cuts and its faces' neighbour lists; each link makes two faces neighbours.
struct HandLayer {
    LayerCuts cuts;
    std::vector<MeshFace> faces = std::vector<MeshFace>(16);

    HandLayer(const std::vector<HandSegment>& segments,
              const std::vector<std::pair<int32_t, int32_t>>& links) {
        for (const HandSegment& s : segments) {
            cuts.segments.push_back(
                Segment{int32_t(s.start.X), int32_t(s.start.Y), int32_t(s.end.X), int32_t(s.end.Y)});
            cuts.faces.push_back(s.face);
        }
        for (const auto& link : links)
            for (auto [f, g] : {link, std::make_pair(link.second, link.first)}) {
                std::array<int32_t, 3>& adj = faces[size_t(f)].adj;
                *std::find(adj.begin(), adj.end(), NoNeighbour) = g;
            }
    }
};

const Pt A(0, 0), B(1000, 0), C(1000, 1000), D(0, 1000), E(500, 1500);

struct ChainCase {
    const char* what;
    HandLayer layer;
    Paths expected;
    ChainStats stats; // closed, joined, dropped
};

std::vector<ChainCase> chainCases() {
    return {
        // segments in face order, not contour order: the contour starts at the first
        // segment visited and repeats its first point
        {"square along neighbours",
         HandLayer({{0, C, D}, {1, A, B}, {2, D, A}, {3, B, C}}, {{0, 2}, {2, 1}, {1, 3}, {3, 0}}),
         {{C, D, A, B, C}},
         {1, 0, 0}},
        // no neighbour between faces 3 and 0: open chains [1, 3] and [0, 2], joined second in front
        {"gap in the neighbour lists",
         HandLayer({{0, C, D}, {1, A, B}, {2, D, A}, {3, B, C}}, {{0, 2}, {2, 1}, {1, 3}}),
         {{C, D, A, B, C}},
         {0, 1, 0}},
        // a chain wound the other way (a flipped face) is joined reversed
        {"reversed open chain",
         HandLayer({{0, A, B}, {1, B, C}, {2, A, D}, {3, D, C}}, {{0, 1}, {2, 3}}),
         {{C, D, A, B, C}},
         {0, 1, 0}},
        // an open chain with nothing to meet vanishes
        {"unclosable chain", HandLayer({{0, A, B}, {1, B, C}}, {{0, 1}}), {}, {0, 0, 1}},
        // a neighbour whose segment does not start where the chain ends does not continue it
        {"neighbour not meeting",
         HandLayer({{0, A, B}, {1, C, D}, {2, B, C}, {3, D, A}}, {{0, 1}, {0, 2}, {2, 1}, {1, 3}, {3, 0}}),
         {{A, B, C, D, A}},
         {1, 0, 0}},
        // a zero-length segment (a face touching the plane at a vertex) adds no repeated point
        {"zero-length segment",
         HandLayer({{0, A, B}, {1, B, B}, {2, B, C}, {3, C, A}}, {{0, 1}, {1, 2}, {2, 3}, {3, 0}}),
         {{A, B, C, A}},
         {1, 0, 0}},
        // a degenerate face that is its own neighbour: no contour, and nothing dropped as its ends meet
        {"self neighbour", HandLayer({{4, E, E}}, {{4, 4}}), {}, {0, 0, 0}},
        // closed contours first, then joined ones; of two chains meeting the front (D) the first
        // in chain order is taken, in front, and the other dropped
        {"order of output",
         HandLayer({{0, A, B}, {1, B, C}, {2, C, A}, {5, D, E}, {6, E, D}, {7, D, C}},
                   {{0, 1}, {1, 2}, {2, 0}}),
         {{A, B, C, A}, {E, D, E}},
         {1, 1, 1}},
    };
}

} // namespace

// A chainer reused after every case was chained once must see nothing of earlier layers.
TEST(MeshSlicerChain, HandBuiltLayers) {
    const std::vector<ChainCase> cases = chainCases();
    SegmentChainer reused;
    Paths scratch;
    for (const ChainCase& t : cases) reused.chain(t.layer.cuts, t.layer.faces, scratch);
    for (const ChainCase& t : cases) {
        SegmentChainer chainer;
        Paths out = {{Pt(9, 9)}}; // replaced, not appended to
        chainer.chain(t.layer.cuts, t.layer.faces, out);
        EXPECT_EQ(out, t.expected) << t.what;
        EXPECT_EQ(chainer.stats().closedChains, t.stats.closedChains) << t.what;
        EXPECT_EQ(chainer.stats().joinedContours, t.stats.joinedContours) << t.what;
        EXPECT_EQ(chainer.stats().droppedChains, t.stats.droppedChains) << t.what;
        reused.chain(t.layer.cuts, t.layer.faces, scratch);
        EXPECT_EQ(scratch, t.expected) << t.what << ", reused";
    }
}
