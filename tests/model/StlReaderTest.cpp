#include <gtest/gtest.h>

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

} // namespace

TEST(StlReader, FailureTable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.stl");
    const std::string cubeBin = binaryStl(cube(10));
    struct Row {
        const char* what;
        std::string bytes;
        std::string error;     // empty when the file reads
        size_t faces = 0, vertices = 0; // when it reads
    } rows[] = {
        {"binary cube", cubeBin, "", 12, 8},
        {"ASCII cube", asciiStl(cube(10)), "", 12, 8},
        {"ASCII single facet below 256 bytes", "solid a\n" + facetLines(0) + "endsolid a\n", failed},
        {"binary count 0", binaryStl({}) + std::string(200, '\0'), "", 0, 0},
        {"binary declares 13 triangles, holds 12", patched(cubeBin, 80, 13), failed},
        {"binary count whose triple leaves 32 bits", patched(cubeBin, 80, 0x60000000), failed},
        {"binary with trailing bytes beyond the count", cubeBin + "trailing", "", 12, 8},
        {"binary without a zero in its first 256 bytes reads as ASCII (no vertex lines)",
         [] { Bytes b; b.text(std::string(80, 'x')).u32(0x41414141).text(std::string(300, 'y')); return b.data; }(),
         "", 0, 0},
        {"binary coordinate beyond 214 m",
         [] { auto t = cube(1); t[0][0] = 3e5f; return binaryStl(t); }(), "coordinate out of range."},
        {"ASCII vertex line with two numbers", padded("vertex 0 0\nvertex 1 0 0\nvertex 0 1 0\n"), failed},
        {"ASCII solid named with 'vertex' is a vertex line and does not convert",
         "solid myvertex" + std::string(260, ' ') + "\n" + facetLines(0), failed},
        {"ASCII: a fourth vertex line is a leftover and dropped",
         padded(facetLines(0) + "vertex 5 5 5\nend\n"), "", 1, 3},
        {"ASCII: an overlong vertex line is skipped whole, six lines remain",
         padded(facetLines(0) + "vertex 7 7 7" + std::string(1100, ' ') + "\n" + facetLines(2) + "end\n"), "", 2, 6},
        {"ASCII: a vertex line of 1023 characters is still read",
         padded("vertex 9 9 9" + std::string(1011, ' ') + "\nvertex 1 0 0\nvertex 0 1 0\nend\n"), "", 1, 3},
        {"ASCII: the last vertex line without a newline is not counted",
         padded("vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nvertex 2 2 2"), "", 1, 3},
        {"ASCII: a decimal comma does not convert", padded("vertex 0,5 0 0\nvertex 1 0 0\nvertex 0 1 0\n"), failed},
        {"ASCII: beyond the float range", padded("vertex 1e39 0 0\nvertex 1 0 0\nvertex 0 1 0\n"),
         "coordinate out of range."},
        {"ASCII: below the float range is zero", padded("vertex 1e-50 0 0\nvertex 1 0 0\nvertex 0 1 0\n"), "", 1, 3},
        {"ASCII: signs, exponents and tabs",
         padded("vertex\t+1.5e1 -0 2E-1\n vertex 1 0 0\nvertex 0 1 0 trailing\nend\n"), "", 1, 3},
    };
    for (const Row& r : rows) {
        writeFile(path, r.bytes);
        std::unique_ptr<TriMesh> mesh;
        EXPECT_EQ(errorOf([&] { mesh = readStl(path); }), r.error) << r.what;
        EXPECT_EQ(mesh ? mesh->faces().size() : 0, r.faces) << r.what;
        EXPECT_EQ(mesh ? mesh->vertices.size() : 0, r.vertices) << r.what;
    }
}

TEST(StlReader, AsciiAndBinaryOfOneSolidGiveTheSameMesh) {
    QTemporaryDir dir;
    const auto tris = cube(12.3456f);
    writeFile(dir.filePath("a.stl"), asciiStl(tris));
    writeFile(dir.filePath("b.stl"), binaryStl(tris));
    auto a = readStl(dir.filePath("a.stl"));
    auto b = readStl(dir.filePath("b.stl"));
    EXPECT_EQ(a->vertices, b->vertices);
    EXPECT_EQ(b->min, (std::array<int32_t, 3>{0, 0, 0}));
    EXPECT_EQ(b->max, (std::array<int32_t, 3>{123456, 123456, 123456}));
    for (size_t f = 0; f < 12; ++f) {
        EXPECT_EQ(a->faces()[f].v, b->faces()[f].v);
        EXPECT_EQ(a->faces()[f].adj, b->faces()[f].adj);
        // A closed cube: every face has three neighbours.
        for (int32_t g : b->faces()[f].adj) EXPECT_NE(g, NoNeighbour) << f;
    }
}
