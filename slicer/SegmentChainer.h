#pragma once
// Chaining the cut segments of one layer of one mesh into closed contours.
//
// Segments are followed from face to face across the mesh's neighbour lists;
// a chain that comes back to its first segment is a contour. Chains left open
// (a mesh with holes in its neighbour information) are joined end to end where
// their end points match exactly; what still does not close is dropped.

#include <cstdint>
#include <vector>

#include "model/TriMesh.h"
#include "slicer/Geometry.h"
#include "slicer/TriangleCutter.h"

namespace Voxmill {

struct ChainStats {
    int64_t closedChains = 0;   // contours closed along face neighbours
    int64_t joinedContours = 0; // contours made by joining open chains
    int64_t droppedChains = 0;  // open chains that could not be closed
};

class SegmentChainer {
public:
    // Replaces out by the contours of one layer's cuts, before simplification:
    // each closed, of 3 or more points, without a point equal to the one
    // before it. faces are the mesh's faces the cuts refer to.
    void chain(const LayerCuts& cuts, const std::vector<MeshFace>& faces, Paths& out);
    // Totals over every call.
    const ChainStats& stats() const { return stats_; }

private:
    struct OpenChain {
        int32_t begin, end; // range in openSegments_
        bool used;
    };
    struct ChainRef {
        int32_t chain;
        bool reversed;
    };

    void followNeighbours(int32_t first, const std::vector<MeshFace>& faces, Paths& out);
    int32_t segmentOfFace(int32_t face) const;
    bool emitClosed(Paths& out) const;
    void joinOpenChains(Paths& out);
    int32_t attach(int32_t i, IntPoint& front, IntPoint& back);
    bool emitJoined(int32_t i, const IntPoint& front, Paths& out) const;
    IntPoint chainStart(int32_t c) const;
    IntPoint chainEnd(int32_t c) const;

    const LayerCuts* cuts_ = nullptr;
    ChainStats stats_;
    // Scratch kept from layer to layer so that chaining allocates only the
    // paths it emits.
    std::vector<uint8_t> taken_;
    std::vector<int32_t> chain_;
    std::vector<int32_t> openSegments_;
    std::vector<OpenChain> open_;
    std::vector<ChainRef> front_, back_;
};

} // namespace Voxmill
