#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "model/MeshReaders.h"
#include "model/ModelFiles.h"

using namespace Voxmill;
using namespace VoxmillTest;

namespace {

const std::string failed = "read stl failed!";

std::string facetLines(float z) {
    const std::string zs = std::to_string(z);
    return "facet normal 0 0 1\nouter loop\nvertex 0 0 " + zs + "\nvertex 1 0 " + zs + "\nvertex 0 1 " + zs +
           "\nendloop\nendfacet\n";
}

// Pads an ASCII file past the 256 bytes the form test reads.
std::string padded(const std::string& body) { return "solid pad" + std::string(260, ' ') + "\n" + body; }

const std::vector<Point3> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const std::string invalidIndex = "invald zdm vertex index";

SlcFile withHeader(const std::string& header) {
    SlcFile f;
    f.header = header;
    f.layers = {{{{1, 2}, {3, 4}, {1, 2}}}};
    return f;
}

template <class Change> std::string spoiled(Change change) {
    SlcFile f = withHeader("-SLCVER 2.0 -UNIT MM -TYPE PART");
    change(f);
    return f.bytes();
}

// A file and what reading it gives: an error, or the faces and vertices.
struct MeshRow {
    const char* what;
    std::string bytes;
    std::string error; // empty when the file reads
    size_t faces = 0, vertices = 0;
};

template <class Reader>
void expectMeshRows(const QString& path, const std::vector<MeshRow>& rows, Reader read) {
    for (const MeshRow& r : rows) {
        writeFile(path, r.bytes);
        std::unique_ptr<TriMesh> mesh;
        EXPECT_EQ(errorOf([&] { mesh = read(path); }), r.error) << r.what;
        EXPECT_EQ(mesh ? mesh->faces().size() : 0, r.faces) << r.what;
        EXPECT_EQ(mesh ? mesh->vertices.size() : 0, r.vertices) << r.what;
    }
}

} // namespace

TEST(StlReader, FailureTable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.stl");
    const std::string cubeBin = binaryStl(cube(10));
    expectMeshRows(
        path,
        {
            {"binary cube", cubeBin, "", 12, 8},
            {"ASCII cube", asciiStl(cube(10)), "", 12, 8},
            {"ASCII single facet below 256 bytes", "solid a\n" + facetLines(0) + "endsolid a\n", failed},
            {"binary declares 13 triangles, holds 12", patched(cubeBin, 80, 13), failed},
            {"binary with trailing bytes beyond the count", cubeBin + "trailing", "", 12, 8},
            {"no zero in the first 256 bytes reads as ASCII, here without vertex lines",
             std::string(384, 'x'), "", 0, 0},
            {"ASCII vertex line with two numbers", padded("vertex 0 0\nvertex 1 0 0\nvertex 0 1 0\n"),
             failed},
            {"ASCII solid named with 'vertex' is a vertex line and does not convert",
             "solid myvertex" + std::string(260, ' ') + "\n" + facetLines(0), failed},
            {"ASCII: an overlong vertex line is skipped whole, six lines remain",
             padded(facetLines(0) + "vertex 7 7 7" + std::string(1100, ' ') + "\n" + facetLines(2) + "end\n"),
             "", 2, 6},
            {"ASCII: a vertex line of 1023 characters is still read",
             padded("vertex 9 9 9" + std::string(1011, ' ') + "\nvertex 1 0 0\nvertex 0 1 0\nend\n"), "", 1,
             3},
            {"ASCII: beyond the float range", padded("vertex 1e39 0 0\nvertex 1 0 0\nvertex 0 1 0\n"),
             "coordinate out of range."},
            {"ASCII: below the float range is zero", padded("vertex 1e-50 0 0\nvertex 1 0 0\nvertex 0 1 0\n"),
             "", 1, 3},
            {"ASCII: signs, exponents and tabs",
             padded("vertex\t+1.5e1 -0 2E-1\n vertex 1 0 0\nvertex 0 1 0 trailing\nend\n"), "", 1, 3},
        },
        [](const QString& p) { return readStl(p); });
}

TEST(ZdmReader, FailureTable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.zdm");
    expectMeshRows(
        path,
        {
            {"two faces", zdmFile(square, {0, 1, 2, 0, 2, 3}), "", 2, 4},
            {"a repeated vertex is kept, not welded", zdmFile({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, {0, 1, 2}),
             "", 1, 3},
            {"seven indices make two faces", zdmFile(square, {0, 1, 2, 0, 2, 3, 9}), "", 2, 4},
            {"index V - 1 is fine", zdmFile(square, {0, 1, 3}), "", 1, 4},
            {"index V", zdmFile(square, {0, 4, 1}), invalidIndex},
            {"index with the sign bit set", zdmFile(square, {0, 1, 0x80000000u}), invalidIndex},
            {"any byte after the magic's zero",
             zdmFile(square, {0, 1, 2}, std::string("#Brindlewax100\0Q", 16)), "", 1, 4},
            {"no zero after the magic text", zdmFile(square, {0, 1, 2}, "#Brindlewax100QQ"),
             "invalid zdm file header!"},
            {"shorter than the header", zdmFile(square, {}).substr(0, 23), streamFailure},
            {"vertex count far beyond the file", patched(zdmFile(square, {}), 19, 0xFF, 1), streamFailure},
            {"a coordinate beyond 214 m", zdmFile({{0, 0, 1e9f}}, {}), "coordinate out of range."},
        },
        [](const QString& p) { return readZdm(p); });
}

TEST(SlcReader, FailureTable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.slc");
    struct Row {
        const char* what;
        std::string bytes;
        std::string error; // "" when the file reads
    } rows[] = {
        {"plain millimetre file", spoiled([](SlcFile&) {}), ""},
        {"no -UNIT reads as millimetres", withHeader("-SLCVER 2.0 -TYPE SUPPORT").bytes(), ""},
        {"a key as the last word has no value and is not examined", withHeader("-TYPE PART -UNIT").bytes(),
         ""},
        {"unknown keys and a carriage return after their value are passed over",
         withHeader("-TYPE PART -X Y\r").bytes(), ""},
        {"a carriage return sticks to the last value", withHeader("-SLCVER 2.0 -TYPE PART\r").bytes(),
         "invalid slc TYPE!"},
        {"two spaces give an empty value", withHeader("-SLCVER 2.0 -UNIT  MM").bytes(), "invalid slc UNIT!"},
        {"another version", withHeader("-SLCVER 2.1").bytes(), "invalid slc SLCVER!"},
        {"a single word", withHeader("  -SLCVER  ").bytes(), "invalid slc header!"},
        {"header not ended by 26", spoiled([](SlcFile& f) { f.termination = 27; }),
         "invalid slc header termination!"},
        {"header line of 2045 characters", withHeader("-SLCVER 2.0" + std::string(2033, ' ') + "x").bytes(),
         ""},
        {"header line of 2046 characters", withHeader("-SLCVER 2.0" + std::string(2034, ' ') + "x").bytes(),
         streamFailure},
        {"sampling table of two entries", spoiled([](SlcFile& f) { f.tableSize = 2; }),
         "unsupported slc Sampling Table Size!"},
        {"line width compensation", spoiled([](SlcFile& f) { f.lineWidthCompensation = 0.1f; }),
         "unsupported slc Line Width Compensation!"},
        {"a boundary with gaps", spoiled([](SlcFile& f) { f.gaps = 1; }), "unsupported slc Number of Gaps!"},
        {"no end marker", spoiled([](SlcFile& f) { f.endMarker = false; }), streamFailure},
        // after the header line, 26, reserved bytes, table and the layer's z
        {"a boundary count far beyond the file",
         patched(withHeader("-SLCVER 2.0").bytes(), 12 + 1 + 256 + 1 + 16 + 4, 0x40000000), streamFailure},
    };
    for (const Row& r : rows) {
        writeFile(path, r.bytes);
        EXPECT_EQ(errorOf([&] { readSlc(path); }), r.error) << r.what;
    }
}

TEST(SlcReader, KeepsLayersAndContoursAsGivenAndConvertsInches) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.slc");
    SlcFile f;
    f.thickness = 0.01f;
    // An empty layer, then one with an empty contour and an open one.
    f.layers = {{}, {{}, {{1, 2}, {3, 4}, {1, 2}}}};
    writeFile(path, f.bytes());
    SlcData mm = readSlc(path);
    EXPECT_EQ(mm.minZ, 0.1f);
    EXPECT_EQ(mm.layerThickness, 0.01f);
    ASSERT_EQ(mm.layers.size(), 2u);
    EXPECT_TRUE(mm.layers[0].empty());
    ASSERT_EQ(mm.layers[1].size(), 2u);
    EXPECT_TRUE(mm.layers[1][0].empty());
    ASSERT_EQ(mm.layers[1][1].size(), 3u);
    EXPECT_EQ(mm.layers[1][1][1].x, 3.0f);
    EXPECT_EQ(mm.layers[1][1][1].y, 4.0f);

    f.header = "-SLCVER 2.0 -UNIT INCH -TYPE PART -OTHER x";
    writeFile(path, f.bytes());
    SlcData in = readSlc(path);
    EXPECT_EQ(in.layerThickness, 0.01f * 25.4f);
    EXPECT_EQ(in.minZ, 0.1f * 25.4f);
    EXPECT_EQ(in.layers[1][1][0].x, 25.4f);
    EXPECT_EQ(in.layers[1][1][0].y, 50.8f);
}

TEST(SlcData, TopZ) {
    SlcData slc;
    slc.minZ = 0.1f;
    slc.layerThickness = 0.05f;
    slc.layers.resize(100);
    ModelTransform m = identityTransform;
    EXPECT_EQ(topZ(slc, m), 51000);
    m[10] = 2;
    m[11] = 1; // z' = 2 z + 1
    EXPECT_EQ(topZ(slc, m), 112000);
    m[10] = -1;
    m[11] = 0; // mirrored: the bottom layer ends highest
    EXPECT_EQ(topZ(slc, m), -1000);
    slc.layers.clear();
    EXPECT_EQ(topZ(slc, identityTransform), 1000);
}

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
    };
    const int32_t tolerance = 6; // the README rounds to 0.001 mm (5 units), quantising adds one
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
    // No real model goes unchecked; the analytic ones are sliced against their formulas.
    seen -= size_t(QDir(QDir(root).filePath("real")).entryList({"*.stl"}, QDir::Files).size());
    EXPECT_EQ(seen, 0u);
}
