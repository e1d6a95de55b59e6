#pragma once
// One walk over the layers of a job gathers what the report shows of them:
// the findings of check, the sums of stats, the side view, the view from
// above, each layer's pixel counts and the layers it pictures. A layer file
// that cannot be read ends the walk there; what the layers below it gave is
// kept.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <QString>

#include "tools/slice_view/CheckReport.h"
#include "tools/slice_view/JobStats.h"
#include "tools/slice_view/LayerRuns.h"
#include "tools/slice_view/SideView.h"

namespace Voxmill {

// The bytes the scan may keep of the layers the report pictures.
constexpr size_t scanKeptBytes = size_t(64) << 20;

// Every step-th layer is pictured, step chosen so that at most maxPictures are.
inline int32_t pictureStep(int32_t layers, int32_t maxPictures) {
    return std::max(1, (layers + maxPictures - 1) / maxPictures);
}

struct JobScan {
    int32_t layerFiles = 0;          // layers in the directory; 0 when they cannot be counted
    int32_t layersRead = 0;          // from 0: all of them, or those below the fault
    std::string fault;               // "<path>: <fault>" that ended the walk, or empty
    std::vector<LayerCounts> counts; // per layer read
    std::vector<int32_t> runStart;   // per layer read: the lowest of the byte-equal layers up to it
    std::vector<Finding> findings;
    std::string checkSummary;
    JobStats stats;
    SideColumns side{0, 0};
    BitPlane topModel, topSupport; // every layer's pixels, seen from above
    // Of every pictureStep-th layer, the layer that its picture shows: the
    // lowest of the byte-equal layers up to it. Within scanKeptBytes.
    LayerRuns kept{scanKeptBytes};
};

JobScan scanJob(const QString& dir, const JobGeometry& g, int32_t maxPictures);

} // namespace Voxmill
