#pragma once
// Triangle meshes in integer units of 0.0001 mm, with face neighbours.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Voxmill {

constexpr int32_t NoNeighbour = 2147483647;

// A file coordinate in millimetres to units: truncate((f + 0.00005) * 10000) in
// single precision. Throws std::runtime_error("coordinate out of range.") when the
// result does not fit into 32 bits.
int32_t quantise(float mm);

struct MeshVertex {
    int32_t x, y, z;
    bool operator==(const MeshVertex& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct MeshFace {
    std::array<uint32_t, 3> v{{0, 0, 0}};
    // Faces across a shared edge in discovery order (slot k is not edge k).
    std::array<int32_t, 3> adj{{NoNeighbour, NoNeighbour, NoNeighbour}};
};

class TriMeshIdx {
public:
    // Takes over faces with v set and computes the neighbours.
    explicit TriMeshIdx(std::vector<MeshFace> faces);
    // Welds a soup of three vertices per triangle: soup is replaced in place by
    // the distinct vertices in soup order; one or two trailing vertices that do
    // not make a whole triangle are dropped.
    static std::shared_ptr<const TriMeshIdx> fromSoup(std::vector<MeshVertex>& soup);

    const std::vector<MeshFace>& faces() const { return faces_; }

private:
    void computeNeighbours();
    std::vector<MeshFace> faces_;
};

struct TriMesh {
    TriMesh(const std::vector<MeshVertex>& vertices, std::shared_ptr<const TriMeshIdx> index);

    std::array<int32_t, 3> min{{2147483647, 2147483647, 2147483647}};
    std::array<int32_t, 3> max{{-2147483647 - 1, -2147483647 - 1, -2147483647 - 1}};
    std::vector<MeshVertex> vertices;
    std::shared_ptr<const TriMeshIdx> index;

    const std::vector<MeshFace>& faces() const { return index->faces(); }
    // Scales every coordinate and the box values by truncate(float(c) * s).
    void scale(float sx, float sy, float sz);
};

struct MeshInstance {
    std::shared_ptr<TriMesh> mesh;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
};

} // namespace Voxmill
