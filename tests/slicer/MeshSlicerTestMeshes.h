#pragma once
// Small meshes built in code for the slicing tests.

#include <memory>

#include "model/TriMesh.h"

namespace Voxmill {

// An axis-aligned box in units, faces counter-clockwise seen from outside.
inline std::shared_ptr<TriMesh> boxMesh(int32_t x0, int32_t y0, int32_t z0, int32_t x1, int32_t y1,
                                        int32_t z1) {
    const std::vector<MeshVertex> vertices = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                                              {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}};
    const uint32_t triangles[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                       {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    std::vector<MeshFace> faces(12);
    for (size_t f = 0; f < 12; ++f)
        faces[f].v = {{triangles[f][0], triangles[f][1], triangles[f][2]}};
    return std::make_shared<TriMesh>(vertices, std::make_shared<const TriMeshIdx>(std::move(faces)));
}

} // namespace Voxmill
