#pragma once
// What would spoil the print in one layer, from its two images and the
// printed pixels of the layer below.
//
// A printed pixel (model or support) counts as supported when a printed pixel
// of the layer below lies within its bridge: beneath it or one of its eight
// neighbours, or within the disc of rounded radius g or b where that is
// wider. g is the support gap (poly2img.supportGapPixel): support stops g
// pixels short of the model in every layer, so the rim of an overhang above
// that gap bridges it. b is the opening the job's own supports leave under
// a roof (postSupport.postSpace, gridSupport.rectSpace in pixels): a roof
// closes its last holes between posts, a pixel or a few wide, in one layer.
// Anything wider needs material beneath.

#include <cstdint>
#include <vector>

#include "tools/slice_view/BitPlane.h"
#include "tools/slice_view/Islands.h"
#include "tools/slice_view/JobDir.h"

namespace Voxmill {

enum EdgeSide : uint8_t { edgeLeft = 1, edgeRight = 2, edgeBack = 4, edgeFront = 8, edgeMargin = 16 };

struct LayerFindings {
    bool empty = false;                   // no printed pixel
    uint8_t edges = 0;                    // EdgeSide bits
    int64_t edgePixels = 0;               // printed pixels on the edge lines and in the margins
    int64_t gapPixels = 0;                // support pixels within the gap around model pixels
    std::vector<PixelIsland> unsupported; // 8-connected regions of unsupported pixels
};

// Checks layers from the bottom up. The edge lines are the first and last
// printable column (the outermost columns of the image when there are no
// margins), the first and last row; the margins are the extraBlankPixel
// columns on either side, which are never printed.
class LayerChecker {
public:
    explicit LayerChecker(const JobGeometry& g);
    // The next layer up; the first one stands on the plate. Both images are
    // of the geometry's size.
    LayerFindings next(const BitPlane& model, const BitPlane& support);

private:
    void findEdges(LayerFindings& f) const;
    void findGap(const BitPlane& model, const BitPlane& support, LayerFindings& f);
    void findUnsupported(LayerFindings& f);

    JobGeometry geometry_;
    Reach gapReach_, bridgeReach_;
    BitPlane printed_, below_;
    bool first_ = true;
    std::vector<uint64_t> marginMask_, edgeMask_; // margin columns; those and the edge columns
    std::vector<int32_t> edgeWords_;              // the words of a row that edgeMask_ touches
    std::vector<uint64_t> grown_, open_;          // one row each
    IslandFinder islands_;
};

} // namespace Voxmill
