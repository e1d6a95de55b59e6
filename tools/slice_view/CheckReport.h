#pragma once
// The findings of check in its words, gathered layer by layer: one line per
// finding in layer order, then a summary line counting each kind.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/slice_view/JobDir.h"
#include "tools/slice_view/LayerCheck.h"

namespace Voxmill {

struct Finding {
    int32_t first = 0, last = 0; // the layers it covers (file numbers, the raft included)
    std::string text;            // the whole line, "layer 502: unsupported island of ..."
};

// Consecutive layers with the same finding of a kind that spans layers.
struct FindingRun {
    int32_t first = -1, last = -1;
    int32_t detail = 0;
    int64_t pixels = 0;
    bool open() const { return first >= 0; }
};

class CheckReport {
public:
    explicit CheckReport(const JobGeometry& g) : geometry_(g) {}

    // The findings of layer n; layers come in order from 0.
    void add(int32_t n, const LayerFindings& f);
    // After the last layer: closes the runs still open and gives every
    // finding, sorted by its first layer. Empty layers at the top are the end
    // of the job, not a finding.
    const std::vector<Finding>& finish();
    // "check: <n> layers, <n> unsupported islands, ..."
    std::string summary() const;

private:
    void addIsland(int32_t n, const PixelIsland& island);
    void track(FindingRun& run, int32_t n, bool found, int32_t detail, int64_t pixels,
               void (CheckReport::*close)());
    void push(const FindingRun& run, const std::string& what);
    void closeEmpty();
    void closeEdge();
    void closeGap();
    void closeAbove();

    JobGeometry geometry_;
    std::vector<Finding> findings_;
    FindingRun empty_, edge_, gap_, above_;
    int32_t layers_ = 0, islands_ = 0, emptyLayers_ = 0, edgeLayers_ = 0, gapLayers_ = 0, aboveLayers_ = 0;
};

} // namespace Voxmill
