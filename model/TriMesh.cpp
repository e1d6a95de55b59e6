#include "model/TriMesh.h"

#include <stdexcept>

namespace Voxmill {

int32_t truncToUnits(float value) {
    // Written so that NaN fails the test too.
    if (!(value >= -2147483648.0f && value < 2147483648.0f))
        throw std::runtime_error("coordinate out of range.");
    return static_cast<int32_t>(value);
}

int32_t quantise(float mm) {
    // The half unit rounds positive values to the nearest unit; truncation then
    // moves negative ones a unit toward zero. Files written by the printer's
    // tools rely on exactly this, so it stays.
    const float units = (mm + 0.00005f) * 10000.0f;
    return truncToUnits(units);
}

std::shared_ptr<const TriMeshIdx> TriMeshIdx::fromSoup(std::vector<MeshVertex>& soup) {
    return std::make_shared<const TriMeshIdx>(weldSoup(soup));
}

TriMesh::TriMesh(std::vector<MeshVertex> v, std::shared_ptr<const TriMeshIdx> idx)
    : vertices(std::move(v)), index(std::move(idx)) {
    for (const MeshVertex& p : vertices) {
        min[0] = std::min(min[0], p.x);
        min[1] = std::min(min[1], p.y);
        min[2] = std::min(min[2], p.z);
        max[0] = std::max(max[0], p.x);
        max[1] = std::max(max[1], p.y);
        max[2] = std::max(max[2], p.z);
    }
}

void TriMesh::scale(float sx, float sy, float sz) {
    // A mesh without vertices keeps its initial box: its values are no
    // coordinates, and scaled they would leave 32 bits.
    if (vertices.empty()) return;
    const std::array<float, 3> s{{sx, sy, sz}};
    for (MeshVertex& p : vertices) {
        p.x = truncToUnits(float(p.x) * sx);
        p.y = truncToUnits(float(p.y) * sy);
        p.z = truncToUnits(float(p.z) * sz);
    }
    for (int axis = 0; axis < 3; ++axis) {
        min[axis] = truncToUnits(float(min[axis]) * s[axis]);
        max[axis] = truncToUnits(float(max[axis]) * s[axis]);
    }
}

} // namespace Voxmill
