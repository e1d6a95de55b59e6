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
// result does not fit into 32 bits (NaN included).
int32_t quantise(float mm);
// Truncation toward zero of a single-precision value, with the same range check.
int32_t truncToUnits(float value);

struct MeshVertex {
    int32_t x, y, z;
    bool operator==(const MeshVertex& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct MeshFace {
    std::array<uint32_t, 3> v{{0, 0, 0}};
    // Faces across a shared edge in discovery order (slot k is not edge k).
    std::array<int32_t, 3> adj{{NoNeighbour, NoNeighbour, NoNeighbour}};
};

// Welds a soup of three vertices per triangle: soup is replaced in place by the
// distinct vertices in soup order and the faces index into it. One or two
// trailing vertices that do not make a whole triangle are dropped. The faces'
// neighbours are not set.
std::vector<MeshFace> weldSoup(std::vector<MeshVertex>& soup);

class TriMeshIdx {
public:
    // Takes over faces with v set and computes the neighbours.
    explicit TriMeshIdx(std::vector<MeshFace> faces);
    // weldSoup, then the neighbours of the welded faces.
    static std::shared_ptr<const TriMeshIdx> fromSoup(std::vector<MeshVertex>& soup);

    const std::vector<MeshFace>& faces() const { return faces_; }

private:
    void computeNeighbours();
    std::vector<MeshFace> faces_;
};

struct TriMesh {
    // Keeps the vertices (pass an rvalue to hand them over without a copy) and
    // computes the bounding box.
    TriMesh(std::vector<MeshVertex> vertices, std::shared_ptr<const TriMeshIdx> index);

    std::array<int32_t, 3> min{{2147483647, 2147483647, 2147483647}};
    std::array<int32_t, 3> max{{-2147483647 - 1, -2147483647 - 1, -2147483647 - 1}};
    std::vector<MeshVertex> vertices;
    std::shared_ptr<const TriMeshIdx> index;

    const std::vector<MeshFace>& faces() const { return index->faces(); }
    // Scales every coordinate and the box values by truncate(float(c) * s); the
    // box is not recomputed; a mesh without vertices keeps its initial box.
    // Throws like truncToUnits when a value leaves 32 bits.
    void scale(float sx, float sy, float sz);
};

struct MeshInstance {
    std::shared_ptr<TriMesh> mesh;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
};

} // namespace Voxmill
