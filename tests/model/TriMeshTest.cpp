#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <limits>
#include <map>
#include <random>
#include <stdexcept>

#include "model/TriMesh.h"

using namespace Voxmill;

namespace {

constexpr int32_t NN = NoNeighbour;
using Adj = std::array<int32_t, 3>;

std::vector<MeshFace> facesOf(const std::vector<std::array<uint32_t, 3>>& vs) {
    std::vector<MeshFace> faces(vs.size());
    for (size_t i = 0; i < vs.size(); ++i) faces[i].v = vs[i];
    return faces;
}

// Straightforward neighbours: a FIFO of unpaired faces per directed edge.
std::vector<MeshFace> referenceNeighbours(std::vector<MeshFace> faces) {
    std::map<std::pair<uint32_t, uint32_t>, std::deque<int32_t>> open;
    auto add = [](MeshFace& face, int32_t g) {
        for (int32_t& slot : face.adj)
            if (slot == NN) return void(slot = g);
        face.adj[2] = g;
    };
    for (size_t f = 0; f < faces.size(); ++f) {
        faces[f].adj = {NN, NN, NN};
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = faces[f].v[k], b = faces[f].v[(k + 1) % 3];
            auto it = open.find({b, a});
            if (it != open.end() && !it->second.empty()) {
                const int32_t g = it->second.front();
                it->second.pop_front();
                add(faces[f], g);
                add(faces[size_t(g)], int32_t(f));
            } else {
                open[{a, b}].push_back(int32_t(f));
            }
        }
    }
    return faces;
}

} // namespace

TEST(Quantise, RoundsThroughTheHalfUnitAndRejectsWhatLeaves32Bits) {
    struct Row {
        float mm;
        int32_t units;
    } rows[] = {
        {1.0f, 10000},          // the half unit does not change whole values
        {-1.0f, -9999},         // truncation moves negatives a unit toward zero
        {-0.00004f, 0},         // within the half unit of zero
        {0.00004f, 0},          // rounds down
        {0.00006f, 1},          // rounds up
        {12.34567f, 123457},    // nearest unit
        {214748.3f, 2147483008}, // near the top of the range, where floats are 128 units apart
        {-214748.3f, -2147483008},
    };
    for (const Row& r : rows) EXPECT_EQ(quantise(r.mm), r.units) << r.mm;

    const float bad[] = {214748.4f, -214749.0f, 1e30f, std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    for (float mm : bad) {
        try {
            quantise(mm);
            ADD_FAILURE() << mm << " was accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "coordinate out of range.");
        }
    }
}

TEST(TriMeshIdx, NeighbourExamples) {
    struct Row {
        const char* what;
        std::vector<std::array<uint32_t, 3>> faces;
        std::vector<Adj> adj;
    } rows[] = {
        {"shared edge 1-2 runs opposite ways: slot 0 on both, though it is edge 1 of face 0",
         {{0, 1, 2}, {2, 1, 3}},
         {{1, NN, NN}, {0, NN, NN}}},
        {"same direction is no pairing; later reversed faces pair with the earliest open one",
         {{0, 1, 2}, {0, 1, 3}, {1, 0, 4}, {1, 0, 5}},
         {{2, NN, NN}, {3, NN, NN}, {0, NN, NN}, {1, NN, NN}}},
        {"a repeated index makes the face its own neighbour twice", {{4, 4, 7}}, {{0, 0, NN}}},
        {"a closed tetrahedron: slots fill in discovery order",
         {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}},
         {{1, 2, 3}, {0, 2, 3}, {0, 1, 3}, {1, 2, 0}}},
        {"a paired record is gone: the fifth face pairs with the fourth, not the first",
         {{0, 1, 2}, {1, 0, 3}, {2, 1, 4}, {0, 2, 5}, {1, 0, 6}, {0, 1, 7}},
         {{1, 2, 3}, {0, NN, NN}, {0, NN, NN}, {0, NN, NN}, {5, NN, NN}, {4, NN, NN}}},
        {"a degenerate edge 4-4 is its own reverse", {{4, 4, 7}, {4, 4, 9}}, {{0, 0, 1}, {0, 1, 1}}},
    };
    for (const Row& r : rows) {
        TriMeshIdx idx(facesOf(r.faces));
        ASSERT_EQ(idx.faces().size(), r.adj.size()) << r.what;
        for (size_t f = 0; f < r.adj.size(); ++f) EXPECT_EQ(idx.faces()[f].adj, r.adj[f]) << r.what << ", face " << f;
    }
}

TEST(TriMeshIdx, NeighboursAgreeWithAStraightforwardPairingOnRandomFaces) {
    // Few vertices, so edges repeat in both directions many times over.
    std::mt19937 rng(20261206);
    for (uint32_t vertexCount : {3u, 6u, 40u, 2000u}) {
        std::uniform_int_distribution<uint32_t> pick(0, vertexCount - 1);
        std::vector<std::array<uint32_t, 3>> vs(3000);
        for (auto& v : vs) v = {pick(rng), pick(rng), pick(rng)};
        const std::vector<MeshFace> expected = referenceNeighbours(facesOf(vs));
        TriMeshIdx idx(facesOf(vs));
        for (size_t f = 0; f < vs.size(); ++f)
            ASSERT_EQ(idx.faces()[f].adj, expected[f].adj) << "vertices " << vertexCount << ", face " << f;
    }
}

TEST(TriMeshIdx, WeldsExactlyEqualVerticesInSoupOrder) {
    std::vector<MeshVertex> soup = {
        {0, 0, 0}, {10, 0, 0}, {0, 10, 0},  // face 0
        {10, 0, 0}, {0, 0, 0}, {0, 0, 10},  // face 1 shares the edge 0-1 reversed
        {0, 10, 0}, {10, 0, 1}, {0, 0, 0},  // (10, 0, 1) differs by a unit: a new vertex
        {5, 5, 5},                          // a trailing vertex without a triangle
    };
    auto idx = TriMeshIdx::fromSoup(soup);
    const std::vector<MeshVertex> distinct = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}, {10, 0, 1}};
    EXPECT_EQ(soup, distinct);
    EXPECT_EQ(soup.capacity(), soup.size());
    ASSERT_EQ(idx->faces().size(), 3u);
    const std::array<uint32_t, 3> v0{{0, 1, 2}}, v1{{1, 0, 3}}, v2{{2, 4, 0}};
    EXPECT_EQ(idx->faces()[0].v, v0);
    EXPECT_EQ(idx->faces()[1].v, v1);
    EXPECT_EQ(idx->faces()[2].v, v2);
    EXPECT_EQ(idx->faces()[0].adj, (Adj{1, 2, NN}));
    EXPECT_EQ(idx->faces()[2].adj, (Adj{0, NN, NN}));
}

TEST(TriMeshIdx, WeldAgreesWithAnOrderedMapOnRandomSoups) {
    // Coordinates from a tiny range collide a lot; wide ones exercise the rehash.
    std::mt19937 rng(7);
    for (int32_t range : {2, 50, 1 << 30}) {
        std::uniform_int_distribution<int32_t> pick(-range, range);
        std::vector<MeshVertex> soup(30001);
        for (MeshVertex& v : soup) v = {pick(rng), pick(rng), pick(rng)};
        const std::vector<MeshVertex> original = soup;

        std::map<std::array<int32_t, 3>, uint32_t> seen;
        std::vector<MeshVertex> distinct;
        std::vector<uint32_t> indices;
        for (size_t i = 0; i + 1 < original.size(); ++i) { // the last vertex is a leftover
            const MeshVertex& v = original[i];
            auto ins = seen.insert({{v.x, v.y, v.z}, uint32_t(distinct.size())});
            if (ins.second) distinct.push_back(v);
            indices.push_back(ins.first->second);
        }
        const std::vector<MeshFace> faces = weldSoup(soup);
        ASSERT_EQ(soup, distinct) << range;
        ASSERT_EQ(faces.size(), 10000u);
        for (size_t i = 0; i < indices.size(); ++i) ASSERT_EQ(faces[i / 3].v[i % 3], indices[i]) << range;
    }
}

TEST(TriMesh, BoundingBoxAndScale) {
    TriMesh empty({}, std::make_shared<const TriMeshIdx>(std::vector<MeshFace>{}));
    EXPECT_EQ(empty.min, (std::array<int32_t, 3>{2147483647, 2147483647, 2147483647}));
    EXPECT_EQ(empty.max, (std::array<int32_t, 3>{INT32_MIN, INT32_MIN, INT32_MIN}));

    TriMesh m({{-5, 7, 100}, {20, -3, 0}, {1, 1, 1}}, std::make_shared<const TriMeshIdx>(facesOf({{0, 1, 2}})));
    EXPECT_EQ(m.min, (std::array<int32_t, 3>{-5, -3, 0}));
    EXPECT_EQ(m.max, (std::array<int32_t, 3>{20, 7, 100}));

    // x halves (truncating toward zero), y flips, z stays; the box is mapped, not recomputed.
    m.scale(0.5f, -1.0f, 1.0f);
    const std::vector<MeshVertex> scaled = {{-2, -7, 100}, {10, 3, 0}, {0, -1, 1}};
    EXPECT_EQ(m.vertices, scaled);
    EXPECT_EQ(m.min, (std::array<int32_t, 3>{-2, 3, 0}));
    EXPECT_EQ(m.max, (std::array<int32_t, 3>{10, -7, 100}));
    EXPECT_THROW(m.scale(1e10f, 1, 1), std::runtime_error);
}
