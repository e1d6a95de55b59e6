// zdm indexed meshes.

#include <cstring>
#include <stdexcept>

#include "base/VirtualFile.h"
#include "model/BinaryInput.h"
#include "model/MeshReaders.h"

namespace Voxmill {

namespace {

void checkMagic(BinaryInput& in) {
    // A zero-terminated text in a 16-byte field; the last byte is not examined.
    char magic[16];
    in.read(magic, sizeof magic);
    if (std::memcmp(magic, "#Brindlewax100", 15) != 0) throw std::runtime_error("invalid zdm file header!");
}

std::vector<MeshVertex> readVertices(BinaryInput& in, uint32_t count) {
    in.require(count, 12); // before the list is sized by the count
    std::vector<MeshVertex> vertices(count);
    in.records(count, 12, [&](const unsigned char* p, size_t i) {
        vertices[i] = {quantise(loadF32(p)), quantise(loadF32(p + 4)), quantise(loadF32(p + 8))};
    });
    return vertices;
}

std::vector<MeshFace> readFaces(BinaryInput& in, uint32_t indexCount, uint32_t vertexCount) {
    const uint32_t count = indexCount / 3; // a trailing partial triple is not read
    in.require(count, 12);
    std::vector<MeshFace> faces(count);
    in.records(count, 12, [&](const unsigned char* p, size_t i) {
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = loadU32(p + 4 * k);
            if (v >= vertexCount) throw std::runtime_error("invald zdm vertex index");
            faces[i].v[k] = v;
        }
    });
    return faces;
}

} // namespace

std::unique_ptr<TriMesh> readZdm(const QString& path) {
    FStream stream(path, openRead);
    BinaryInput in(stream);
    checkMagic(in);
    const uint32_t vertexCount = in.u32();
    const uint32_t indexCount = in.u32();
    std::vector<MeshVertex> vertices = readVertices(in, vertexCount);
    auto index = std::make_shared<const TriMeshIdx>(readFaces(in, indexCount, vertexCount));
    return std::make_unique<TriMesh>(std::move(vertices), std::move(index));
}

} // namespace Voxmill
