#include "model/TriMesh.h"

#include <stdexcept>

namespace Voxmill {

int32_t quantise(float) { throw std::runtime_error("not implemented yet"); }
TriMeshIdx::TriMeshIdx(std::vector<MeshFace> faces) : faces_(std::move(faces)) { computeNeighbours(); }
std::shared_ptr<const TriMeshIdx> TriMeshIdx::fromSoup(std::vector<MeshVertex>&) { throw std::runtime_error("not implemented yet"); }
void TriMeshIdx::computeNeighbours() { throw std::runtime_error("not implemented yet"); }
TriMesh::TriMesh(const std::vector<MeshVertex>& v, std::shared_ptr<const TriMeshIdx> idx)
    : vertices(v), index(std::move(idx)) {}
void TriMesh::scale(float, float, float) { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
