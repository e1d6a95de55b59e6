#pragma once
// Cutting triangles with horizontal layer planes.
//
// A vertex exactly on a plane counts as above it, so a face lying in a plane
// gives no segment and a face touching a plane with one vertex or one edge
// gives none either. For faces that run counter-clockwise seen from outside,
// segments run so that outer contours are counter-clockwise and holes
// clockwise.

#include <cstdint>
#include <vector>

#include "model/TriMesh.h"

namespace Voxmill {

struct Segment {
    int32_t x1, y1, x2, y2; // start and end point, units
};

// The cuts of one layer: segments and, parallel to them, the faces that made
// them (ascending, each face at most once).
struct LayerCuts {
    std::vector<Segment> segments;
    std::vector<int32_t> faces;
    void clear() {
        segments.clear();
        faces.clear();
    }
};

// The segment of triangle (a, b, c) at height z; false when the plane does
// not separate its vertices.
bool cutTriangle(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c, int32_t z, Segment& out);

// Cuts every face, in face order, with the planes heights[0 .. count), which
// ascend; the segments of plane i are appended to cuts[i].
void cutFaces(const std::vector<MeshVertex>& vertices, const std::vector<MeshFace>& faces,
              const int32_t* heights, int32_t count, std::vector<LayerCuts>& cuts);

} // namespace Voxmill
