#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <limits>
#include <map>
#include <random>

#include "model/ModelFiles.h"
#include "model/TriMesh.h"

using namespace Voxmill;

namespace {

constexpr int32_t NN = NoNeighbour;

std::vector<MeshFace> facesOf(const std::vector<std::array<uint32_t, 3>>& vs) {
    std::vector<MeshFace> faces(vs.size());
    for (size_t i = 0; i < vs.size(); ++i) faces[i].v = vs[i];
    return faces;
}

// Straightforward neighbours: a FIFO of unpaired faces per directed edge. An edge pairs with the
// earliest open face holding it the other way round (never the same way), each face taking the
// other into its first free slot; a face with a repeated index may pair with itself.
std::vector<MeshFace> referenceNeighbours(std::vector<MeshFace> faces) {
    std::map<std::pair<uint32_t, uint32_t>, std::deque<int32_t>> open;
    auto add = [](MeshFace& face, int32_t g) { *std::find(face.adj.begin(), face.adj.end() - 1, NN) = g; };
    for (auto& face : faces) face.adj = {NN, NN, NN};
    for (int32_t f = 0; f < int32_t(faces.size()); ++f)
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = faces[f].v[k], b = faces[f].v[(k + 1) % 3];
            std::deque<int32_t>& reversed = open[{b, a}];
            if (reversed.empty()) {
                open[{a, b}].push_back(f);
                continue;
            }
            add(faces[f], reversed.front());
            add(faces[reversed.front()], f);
            reversed.pop_front();
        }
    return faces;
}

} // namespace

TEST(Quantise, RoundsThroughTheHalfUnitAndRejectsWhatLeaves32Bits) {
    struct Row {
        float mm;
        int32_t units;
    } rows[] = {
        {1.0f, 10000},           // the half unit does not change whole values
        {-1.0f, -9999},          // truncation moves negatives a unit toward zero
        {-0.00004f, 0},          // within the half unit of zero
        {12.34567f, 123457},     // nearest unit
        {214748.3f, 2147483008}, // near the top of the range, where floats are 128 units apart
        {-214748.3f, -2147483008},
    };
    for (const Row& r : rows) EXPECT_EQ(quantise(r.mm), r.units) << r.mm;

    const float bad[] = {214748.4f, -214749.0f, 1e30f, std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    for (float mm : bad)
        EXPECT_EQ(VoxmillTest::errorOf([&] { quantise(mm); }), "coordinate out of range.") << mm;
}

TEST(TriMeshIdx, WeldAgreesWithAnOrderedMapOnRandomSoups) {
    // Coordinates from a tiny range collide a lot, so edges repeat in both
    // directions many times over (range 0: one vertex, every face degenerate);
    // wide ones exercise the rehash.
    std::mt19937 rng(7);
    for (int32_t range : {0, 1, 2, 50, 1 << 30}) {
        std::uniform_int_distribution<int32_t> pick(-range, range);
        std::vector<MeshVertex> soup(30001);
        for (MeshVertex& v : soup) v = {pick(rng), pick(rng), pick(rng)};
        std::map<std::array<int32_t, 3>, uint32_t> seen;
        std::vector<MeshVertex> distinct;
        std::vector<std::array<uint32_t, 3>> faces(10000);
        for (size_t i = 0; i + 1 < soup.size(); ++i) { // the last vertex is a leftover
            const MeshVertex& v = soup[i];
            auto ins = seen.insert({{v.x, v.y, v.z}, uint32_t(distinct.size())});
            if (ins.second) distinct.push_back(v);
            faces[i / 3][i % 3] = ins.first->second;
        }
        const std::vector<MeshFace> expected = referenceNeighbours(facesOf(faces));
        auto idx = TriMeshIdx::fromSoup(soup);
        ASSERT_EQ(soup, distinct) << range;
        EXPECT_EQ(soup.capacity(), soup.size()) << range;
        ASSERT_EQ(idx->faces().size(), 10000u);
        for (size_t f = 0; f < faces.size(); ++f) {
            ASSERT_EQ(idx->faces()[f].v, faces[f]) << range;
            ASSERT_EQ(idx->faces()[f].adj, expected[f].adj) << range;
        }
    }
}

TEST(TriMesh, BoundingBoxAndScale) {
    TriMesh m({{-5, 7, 100}, {20, -3, 0}, {1, 1, 1}},
              std::make_shared<const TriMeshIdx>(facesOf({{0, 1, 2}})));
    EXPECT_EQ(m.min, (std::array<int32_t, 3>{-5, -3, 0}));
    EXPECT_EQ(m.max, (std::array<int32_t, 3>{20, 7, 100}));

    // x halves (truncating toward zero), y flips, z stays; the box is mapped, not recomputed.
    m.scale(0.5f, -1.0f, 1.0f);
    const std::vector<MeshVertex> scaled = {{-2, -7, 100}, {10, 3, 0}, {0, -1, 1}};
    EXPECT_EQ(m.vertices, scaled);
    EXPECT_EQ(m.min, (std::array<int32_t, 3>{-2, 3, 0}));
    EXPECT_EQ(m.max, (std::array<int32_t, 3>{10, -7, 100}));
    EXPECT_THROW(m.scale(1e10f, 1, 1), std::runtime_error);

    // The initial box of a mesh without vertices is no box to scale.
    TriMesh empty({}, std::make_shared<const TriMeshIdx>(facesOf({})));
    empty.scale(2.0f, 1.0f, 0.5f);
    EXPECT_EQ(empty.min, (std::array<int32_t, 3>{2147483647, 2147483647, 2147483647}));
    EXPECT_EQ(empty.max, (std::array<int32_t, 3>{-2147483647 - 1, -2147483647 - 1, -2147483647 - 1}));
}
