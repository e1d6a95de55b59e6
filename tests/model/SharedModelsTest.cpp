#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "model/MeshReaders.h"

using namespace Voxmill;

// Every shared model loads with the triangle count and bounding box that the
// folder's README gives for it.
TEST(SharedModels, TriangleCountsAndBoxesAgreeWithTheReadme) {
    const QString root = QStringLiteral(VOXMILL_SHARED_MODELS);
    if (!QFileInfo::exists(root)) GTEST_SKIP() << "shared models not present";
    struct Row {
        const char* file;
        size_t triangles;
        std::array<float, 3> min, max; // mm, as the README prints them
    } rows[] = {
        {"real/calibration_cube_20mm.stl", 136, {-10, -10, 0}, {10, 10, 20}},
        {"real/3DBenchy.stl", 225154, {-29.176f, -15.502f, 0}, {30.825f, 15.502f, 48}},
        {"real/stanford_bunny_mm.stl", 69451, {-94.690f, -58.800f, 0}, {61.009f, 61.874f, 154.334f}},
        {"real/tolerance_pins_in_holes.stl", 13680, {-30, -6, 0}, {30, 6, 17.8f}},
        {"real/thin_wall_fins.stl", 1628, {-25, -25, 0}, {25, 25, 5}},
        {"real/bridge_test_nonmanifold.stl", 10090, {-43.176f, -22.803f, 0}, {43.176f, 22.803f, 20.2f}},
        // inches, read as millimetres
        {"real/block_flipped_facet_ascii.stl", 12, {-1.969f, -1.969f, -1.969f}, {1.969f, 1.969f, 1.969f}},
        {"real/two_solids_ascii.stl", 24, {0, 0, 0}, {6, 1, 1}},
        {"real/binary_header_solid.stl", 46, {-0.809f, -0.951f, -0.951f}, {1, 0.951f, 0.951f}},
        {"real/far_out_ring_ascii.stl", 3072, {867.781f, 810.283f, 2.83f}, {896.321f, 838.823f, 8.49f}},
        {"analytic/box_20x20x10.stl", 12, {-10, -10, 0}, {10, 10, 10}},
        {"analytic/sphere_r10.stl", 16380, {-9.997f, -9.997f, 0.003f}, {9.997f, 9.997f, 19.997f}},
        {"analytic/tube_r15_r10.stl", 1024, {-15, -15, 0}, {15, 15, 20}},
        {"analytic/box_square_hole.stl", 32, {-15, -15, 0}, {15, 15, 10}},
        {"analytic/t_overhang.stl", 28, {-20, -5, 0}, {20, 5, 25}},
        {"analytic/cone_r10_h20.stl", 254, {-10, -10, 0}, {10, 10, 20}},
        {"analytic/nested_rings.stl", 3580, {-30, -30, 0}, {30, 30, 10}},
    };
    // The README rounds to 0.001 mm, i.e. by up to 5 units; quantising adds
    // at most one more.
    const int32_t tolerance = 6;
    size_t seen = 0;
    for (const Row& r : rows) {
        const QString path = QDir(root).filePath(r.file);
        std::unique_ptr<TriMesh> mesh = readStl(path);
        EXPECT_EQ(mesh->faces().size(), r.triangles) << r.file;
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(mesh->min[a], quantise(r.min[a]), tolerance) << r.file << " axis " << a;
            EXPECT_NEAR(mesh->max[a], quantise(r.max[a]), tolerance) << r.file << " axis " << a;
        }
        ++seen;
    }
    // No model in the folder goes unchecked.
    for (const char* sub : {"real", "analytic"})
        seen -= size_t(QDir(QDir(root).filePath(sub)).entryList({"*.stl"}, QDir::Files).size());
    EXPECT_EQ(seen, 0u);
}
