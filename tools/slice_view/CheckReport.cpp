#include "tools/slice_view/CheckReport.h"

#include <algorithm>
#include <cstdio>

namespace Voxmill {

namespace {

template <class... Values> std::string format(const char* fmt, Values... values) {
    char text[256];
    std::snprintf(text, sizeof text, fmt, values...);
    return text;
}

// "1 layer", "2 layers"
std::string counted(int32_t n, const char* noun) { return format("%d %s%s", n, noun, n == 1 ? "" : "s"); }

std::string layerRange(int32_t first, int32_t last) {
    return first == last ? format("layer %d", first) : format("layers %d-%d", first, last);
}

std::string edgeNames(uint8_t edges) {
    std::string names;
    for (const auto& [bit, name] : {std::pair<uint8_t, const char*>{edgeLeft, "left"},
                                    {edgeRight, "right"},
                                    {edgeBack, "back"},
                                    {edgeFront, "front"},
                                    {edgeMargin, "margin"}})
        if (edges & bit) names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

} // namespace

void CheckReport::add(int32_t n, const LayerFindings& f) {
    layers_ = n + 1;
    for (const PixelIsland& island : f.unsupported) addIsland(n, island);
    track(empty_, n, f.empty, 0, 0, &CheckReport::closeEmpty);
    track(edge_, n, f.edges != 0, f.edges, f.edgePixels, &CheckReport::closeEdge);
    track(gap_, n, f.gapPixels > 0, 0, f.gapPixels, &CheckReport::closeGap);
    track(above_, n, n >= geometry_.printerLayers, 0, 0, &CheckReport::closeAbove);
}

const std::vector<Finding>& CheckReport::finish() {
    if (edge_.open()) closeEdge();
    if (gap_.open()) closeGap();
    if (above_.open()) closeAbove();
    std::stable_sort(findings_.begin(), findings_.end(),
                     [](const Finding& a, const Finding& b) { return a.first < b.first; });
    return findings_;
}

std::string CheckReport::summary() const {
    return "check: " + counted(layers_, "layer") + ", " + counted(islands_, "unsupported island") + ", " +
           counted(emptyLayers_, "empty layer") + ", " + counted(edgeLayers_, "layer") +
           " with material at the edge, " + counted(gapLayers_, "layer") +
           " with support too close to model, " + counted(aboveLayers_, "layer") +
           " above the printer's height";
}

void CheckReport::addIsland(int32_t n, const PixelIsland& island) {
    ++islands_;
    findings_.push_back({n, n,
                         format("layer %d: unsupported island of %.2f mm² at x %.2f mm, y %.2f mm", n,
                                double(island.pixels) * geometry_.pixelAreaMm2(),
                                geometry_.xMm(island.centreX()), geometry_.yMm(island.centreY()))});
}

// Extends the run with layer n when it has the finding with the same detail;
// a run that ends is closed first.
void CheckReport::track(FindingRun& run, int32_t n, bool found, int32_t detail, int64_t pixels,
                        void (CheckReport::*close)()) {
    if (run.open() && (!found || run.detail != detail)) (this->*close)();
    if (!found) return;
    if (!run.open()) run = FindingRun{n, n, detail, 0};
    run.last = n;
    run.pixels += pixels;
}

void CheckReport::push(const FindingRun& run, const std::string& what) {
    findings_.push_back({run.first, run.last, layerRange(run.first, run.last) + ": " + what});
}

// Closed only by a printed layer above.
void CheckReport::closeEmpty() {
    emptyLayers_ += empty_.last - empty_.first + 1;
    push(empty_, "empty");
    empty_ = FindingRun();
}

void CheckReport::closeEdge() {
    edgeLayers_ += edge_.last - edge_.first + 1;
    push(edge_, "material cut off at the edge (" + edgeNames(uint8_t(edge_.detail)) +
                    format("): %lld pixels", (long long)edge_.pixels));
    edge_ = FindingRun();
}

void CheckReport::closeGap() {
    gapLayers_ += gap_.last - gap_.first + 1;
    const std::string what = geometry_.gap == 0
                                 ? std::string("support on model pixels")
                                 : format("support within the %d-pixel gap around model", geometry_.gap);
    push(gap_, what + format(": %lld pixels", (long long)gap_.pixels));
    gap_ = FindingRun();
}

void CheckReport::closeAbove() {
    aboveLayers_ += above_.last - above_.first + 1;
    push(above_, format("above the printer's height of %.2f mm", geometry_.printerHeightMm));
    above_ = FindingRun();
}

} // namespace Voxmill
