#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "model/MeshReaders.h"
#include "model/ModelFiles.h"

using namespace Voxmill;
using namespace VoxmillTest;

namespace {

const std::vector<Point3> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const std::string invalidIndex = "invald zdm vertex index";

} // namespace

TEST(ZdmReader, FailureTable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.zdm");
    struct Row {
        const char* what;
        std::string bytes;
        std::string error;
        size_t faces = 0; // when it reads
    } rows[] = {
        {"two faces", zdmFile(square, {0, 1, 2, 0, 2, 3}), "", 2},
        {"empty mesh", zdmFile({}, {}), "", 0},
        {"seven indices make two faces", zdmFile(square, {0, 1, 2, 0, 2, 3, 9}), "", 2},
        {"index V - 1 is fine", zdmFile(square, {0, 1, 3}), "", 1},
        {"index V", zdmFile(square, {0, 4, 1}), invalidIndex},
        {"index with the sign bit set", zdmFile(square, {0, 1, 0x80000000u}), invalidIndex},
        {"any byte after the magic's zero", zdmFile(square, {0, 1, 2}, std::string("#Brindlewax100\0Q", 16)), "", 1},
        {"no zero after the magic text", zdmFile(square, {0, 1, 2}, "#Brindlewax100QQ"), "invalid zdm file header!"},
        {"another magic", zdmFile(square, {0, 1, 2}, std::string("#Brindlewax101\0\0", 16)),
         "invalid zdm file header!"},
        {"shorter than the header", zdmFile(square, {}).substr(0, 23), streamFailure},
        {"cut inside the vertices", zdmFile(square, {0, 1, 2}).substr(0, 24 + 40), streamFailure},
        {"cut inside the faces", zdmFile(square, {0, 1, 2, 0, 2, 3}).substr(0, 24 + 48 + 20), streamFailure},
        {"vertex count far beyond the file", patched(zdmFile(square, {}), 19, 0xFF, 1), streamFailure},
        {"index count far beyond the file", patched(zdmFile(square, {}), 23, 0xFF, 1), streamFailure},
        {"a coordinate beyond 214 m", zdmFile({{0, 0, 1e9f}}, {}), "coordinate out of range."},
    };
    for (const Row& r : rows) {
        writeFile(path, r.bytes);
        std::unique_ptr<TriMesh> mesh;
        EXPECT_EQ(errorOf([&] { mesh = readZdm(path); }), r.error) << r.what;
        EXPECT_EQ(mesh ? mesh->faces().size() : 0, r.faces) << r.what;
    }
}

TEST(ZdmReader, KeepsEveryFileVertexAndItsOrder) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.zdm");
    // Vertex 4 repeats vertex 2. Face 1 runs 0-4 against face 0's 2-0, but
    // through the copy, so only face 2, which uses vertex 2 itself, pairs.
    writeFile(path, zdmFile({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 1, 0}, {-1.0f, 0.5f, 2}},
                            {0, 1, 2, 4, 3, 0, 2, 3, 0}));
    std::unique_ptr<TriMesh> mesh = readZdm(path);
    ASSERT_EQ(mesh->vertices.size(), 6u);
    EXPECT_EQ(mesh->vertices[4], (MeshVertex{10000, 10000, 0}));
    EXPECT_EQ(mesh->vertices[5], (MeshVertex{-9999, 5000, 20000}));
    EXPECT_EQ(mesh->min, (std::array<int32_t, 3>{-9999, 0, 0}));
    EXPECT_EQ(mesh->max, (std::array<int32_t, 3>{10000, 10000, 20000}));
    const std::array<uint32_t, 3> f1{{4, 3, 0}};
    EXPECT_EQ(mesh->faces()[1].v, f1);
    const int32_t NN = NoNeighbour;
    EXPECT_EQ(mesh->faces()[0].adj, (std::array<int32_t, 3>{2, NN, NN}));
    EXPECT_EQ(mesh->faces()[1].adj, (std::array<int32_t, 3>{NN, NN, NN}));
    EXPECT_EQ(mesh->faces()[2].adj, (std::array<int32_t, 3>{0, NN, NN}));
}
