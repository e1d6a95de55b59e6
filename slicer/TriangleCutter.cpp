#include "slicer/TriangleCutter.h"

#include <algorithm>

namespace Voxmill {

namespace {

// Where the edge from the lower endpoint l to the upper endpoint u meets the
// plane z. Both faces that share an edge compute it from the same endpoints in
// the same order, so their segment ends meet exactly.
inline void crossing(const MeshVertex& l, const MeshVertex& u, int32_t z, int32_t& x, int32_t& y) {
    const int64_t rise = int64_t(u.z) - l.z; // > 0: u is up, l is down
    const int64_t climb = int64_t(z) - l.z;
    x = int32_t(l.x + (int64_t(u.x) - l.x) * climb / rise);
    y = int32_t(l.y + (int64_t(u.y) - l.y) * climb / rise);
}

} // namespace

bool cutTriangle(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c, int32_t z, Segment& out) {
    const MeshVertex* v[3] = {&a, &b, &c};
    const bool up[3] = {a.z >= z, b.z >= z, c.z >= z};
    const int ups = int(up[0]) + int(up[1]) + int(up[2]);
    if (ups == 0 || ups == 3) return false;
    // The lone vertex is the one on its own side of the plane.
    const bool loneUp = ups == 1;
    const int lone = up[0] == loneUp ? 0 : up[1] == loneUp ? 1 : 2;
    // Walking p then q keeps the solid on the left of the segment.
    const int p = loneUp ? (lone + 1) % 3 : (lone + 2) % 3;
    const int q = loneUp ? (lone + 2) % 3 : (lone + 1) % 3;
    if (loneUp) {
        crossing(*v[p], *v[lone], z, out.x1, out.y1);
        crossing(*v[q], *v[lone], z, out.x2, out.y2);
    } else {
        crossing(*v[lone], *v[p], z, out.x1, out.y1);
        crossing(*v[lone], *v[q], z, out.x2, out.y2);
    }
    return true;
}

void cutFaces(const std::vector<MeshVertex>& vertices, const std::vector<MeshFace>& faces,
              const int32_t* heights, int32_t count, std::vector<LayerCuts>& cuts) {
    if (count <= 0) return;
    const int32_t* heightsEnd = heights + count;
    const int32_t lowest = heights[0];
    const int32_t highest = heights[count - 1];
    // One pass over the faces per batch; a face is tested only against the
    // planes between its lowest and highest vertex, found by binary search, and
    // most faces of a tall mesh are rejected by the batch's height range alone.
    // Segments go straight into the layer buffers, which keep their capacity
    // from layer to layer, so nothing is allocated per segment.
    const int32_t faceCount = int32_t(faces.size());
    for (int32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = faces[size_t(f)];
        const MeshVertex& a = vertices[face.v[0]];
        const MeshVertex& b = vertices[face.v[1]];
        const MeshVertex& c = vertices[face.v[2]];
        const int32_t zMin = std::min(a.z, std::min(b.z, c.z));
        const int32_t zMax = std::max(a.z, std::max(b.z, c.z));
        if (zMax < lowest || zMin > highest) continue;
        const int32_t* first = std::lower_bound(heights, heightsEnd, zMin);
        const int32_t* last = std::upper_bound(first, heightsEnd, zMax);
        for (const int32_t* h = first; h != last; ++h) {
            Segment s;
            if (!cutTriangle(a, b, c, *h, s)) continue;
            LayerCuts& layer = cuts[size_t(h - heights)];
            layer.segments.push_back(s);
            layer.faces.push_back(f);
        }
    }
}

} // namespace Voxmill
