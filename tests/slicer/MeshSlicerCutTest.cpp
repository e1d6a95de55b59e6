// Cutting triangles with layer planes.

#include <gtest/gtest.h>

#include <random>

#include "slicer/TriangleCutter.h"

using namespace Voxmill;

namespace {

MeshVertex v(int32_t x, int32_t y, int32_t z) { return MeshVertex{x, y, z}; }

bool sameSegment(const Segment& a, const Segment& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

} // namespace

TEST(MeshSlicerCut, PlaneRulesAndEndpointOrder) {
    const struct {
        const char* what;
        MeshVertex a, b, c;
        int32_t z;
        bool cut;
        Segment expected;
    } cases[] = {
        // a face lying in the plane: every vertex counts as up
        {"face in plane", v(0, 0, 500), v(1000, 0, 500), v(0, 1000, 500), 500, false, {}},
        // one vertex on the plane, the rest above: all up
        {"touching from above", v(0, 0, 500), v(1000, 0, 900), v(0, 1000, 900), 500, false, {}},
        // one vertex on the plane, the rest below: the on-plane vertex is the
        // lone up vertex and the segment shrinks to that point
        {"touching from below", v(70, 80, 500), v(1000, 0, 0), v(0, 1000, 0), 500, true, {70, 80, 70, 80}},
        // an edge in the plane above a face below: the segment is that edge,
        // lone vertex c down, so p = b, q = a
        {"edge in plane, face below",
         v(0, 0, 500),
         v(1000, 0, 500),
         v(0, 1000, 0),
         500,
         true,
         {1000, 0, 0, 0}},
        // lone vertex a up: p = b, q = c
        {"lone a up", v(0, 0, 1000), v(1000, 0, 0), v(0, 1000, 0), 500, true, {500, 0, 0, 500}},
        // lone vertex c down: p = b, q = a
        {"lone c down", v(0, 0, 1000), v(1000, 0, 1000), v(0, 1000, 0), 500, true, {500, 500, 0, 500}},
        // crossings truncate toward zero from the lower endpoint a: (-3 / 2, 7 / 2) = (-1, 3)
        {"truncation", v(0, 0, 0), v(-3, 7, 2), v(100, 100, 2), 1, true, {50, 50, -1, 3}},
        // coordinates whose products need 64 bits
        {"wide",
         v(-2000000000, 0, 0),
         v(2000000000, 0, 4),
         v(0, 2000000000, 4),
         3,
         true,
         {-500000000, 1500000000, 1000000000, 0}},
    };
    for (const auto& t : cases) {
        Segment s{};
        EXPECT_EQ(cutTriangle(t.a, t.b, t.c, t.z, s), t.cut) << t.what;
        if (!t.cut) continue;
        EXPECT_TRUE(sameSegment(s, t.expected))
            << t.what << ": " << s.x1 << "," << s.y1 << " -> " << s.x2 << "," << s.y2;
    }
}

// The batch cut agrees with testing every face against every plane, in face order, with
// vertices exactly on layer heights.
TEST(MeshSlicerCut, BatchCutAgreesWithEveryPlaneTested) {
    std::mt19937 rng(7);
    const std::vector<int32_t> heights = {250, 750, 1250, 1750, 2250, 2750};
    std::uniform_int_distribution<int32_t> xy(-5000, 5000);
    std::uniform_int_distribution<int32_t> zIndex(0, 12); // heights 0, 250, ..., 3000
    std::vector<MeshVertex> vertices;
    for (int i = 0; i < 300; ++i) vertices.push_back(v(xy(rng), xy(rng), zIndex(rng) * 250));
    std::vector<MeshFace> faces(100);
    for (size_t f = 0; f < faces.size(); ++f)
        faces[f].v = {{uint32_t(3 * f), uint32_t(3 * f + 1), uint32_t(3 * f + 2)}};

    std::vector<LayerCuts> cuts(heights.size());
    cutFaces(vertices, faces, heights.data(), int32_t(heights.size()), cuts);
    for (size_t l = 0; l < heights.size(); ++l) {
        LayerCuts expected;
        for (size_t f = 0; f < faces.size(); ++f) {
            Segment s{};
            if (cutTriangle(vertices[faces[f].v[0]], vertices[faces[f].v[1]], vertices[faces[f].v[2]],
                            heights[l], s)) {
                expected.segments.push_back(s);
                expected.faces.push_back(int32_t(f));
            }
        }
        ASSERT_EQ(cuts[l].faces, expected.faces) << "layer " << l;
        for (size_t i = 0; i < expected.segments.size(); ++i)
            EXPECT_TRUE(sameSegment(cuts[l].segments[i], expected.segments[i]))
                << "layer " << l << " segment " << i;
    }
}
