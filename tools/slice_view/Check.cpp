// slice_view check: every layer read strictly and checked from the bottom up.

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/VirtualFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/LayerCheck.h"

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

// Consecutive layers with the same finding become one line.
struct Run {
    int32_t first = -1, last = -1;
    int32_t detail = 0;
    int64_t pixels = 0;
    bool open() const { return first >= 0; }
};

// Collects the findings layer by layer and prints them in layer order.
class CheckReport {
public:
    explicit CheckReport(const JobGeometry& g) : geometry_(g) {}

    void add(int32_t n, const LayerFindings& f) {
        for (const PixelIsland& island : f.unsupported) addIsland(n, island);
        track(empty_, n, f.empty, 0, 0, &CheckReport::closeEmpty);
        track(edge_, n, f.edges != 0, f.edges, f.edgePixels, &CheckReport::closeEdge);
        track(gap_, n, f.gapPixels > 0, 0, f.gapPixels, &CheckReport::closeGap);
    }

    // Prints every finding and the summary; the exit status.
    int print(FILE* out, int32_t layers) {
        if (edge_.open()) closeEdge();
        if (gap_.open()) closeGap();
        std::stable_sort(lines_.begin(), lines_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& line : lines_) std::fprintf(out, "%s\n", line.second.c_str());
        std::fprintf(out,
                     "check: %s, %s, %s, %s with material at the edge, %s with support too close to model\n",
                     counted(layers, "layer").c_str(), counted(islands_, "unsupported island").c_str(),
                     counted(emptyLayers_, "empty layer").c_str(), counted(edgeLayers_, "layer").c_str(),
                     counted(gapLayers_, "layer").c_str());
        return lines_.empty() ? exitClean : exitFindings;
    }

private:
    void addIsland(int32_t n, const PixelIsland& island) {
        ++islands_;
        lines_.push_back({n, format("layer %d: unsupported island of %.2f mm² at x %.2f mm, y %.2f mm", n,
                                    double(island.pixels) * geometry_.pixelAreaMm2(),
                                    geometry_.xMm(island.centreX()), geometry_.yMm(island.centreY()))});
    }

    // Extends the run with layer n when it has the finding with the same
    // detail; a run that ends is closed first.
    void track(Run& run, int32_t n, bool found, int32_t detail, int64_t pixels,
               void (CheckReport::*close)()) {
        if (run.open() && (!found || run.detail != detail)) (this->*close)();
        if (!found) return;
        if (!run.open()) run = Run{n, n, detail, 0};
        run.last = n;
        run.pixels += pixels;
    }

    // Closed only by a printed layer above: empty layers at the top are the end of the job.
    void closeEmpty() {
        emptyLayers_ += empty_.last - empty_.first + 1;
        lines_.push_back({empty_.first, layerRange(empty_.first, empty_.last) + ": empty"});
        empty_ = Run();
    }

    void closeEdge() {
        edgeLayers_ += edge_.last - edge_.first + 1;
        lines_.push_back({edge_.first, layerRange(edge_.first, edge_.last) +
                                           ": material cut off at the edge (" +
                                           edgeNames(uint8_t(edge_.detail)) +
                                           format("): %lld pixels", (long long)edge_.pixels)});
        edge_ = Run();
    }

    void closeGap() {
        gapLayers_ += gap_.last - gap_.first + 1;
        const std::string what = geometry_.gap == 0
                                     ? std::string("support on model pixels")
                                     : format("support within the %d-pixel gap around model", geometry_.gap);
        lines_.push_back({gap_.first, layerRange(gap_.first, gap_.last) + ": " + what +
                                          format(": %lld pixels", (long long)gap_.pixels)});
        gap_ = Run();
    }

    JobGeometry geometry_;
    std::vector<std::pair<int32_t, std::string>> lines_;
    Run empty_, edge_, gap_;
    int32_t islands_ = 0, emptyLayers_ = 0, edgeLayers_ = 0, gapLayers_ = 0;
};

} // namespace

int checkCommand(const QString& dir, FILE* out) {
    const JobGeometry g = readJobGeometry(dir);
    LayerSource layers(dir, g.width, g.height);
    if (layers.count() == 0) throw std::runtime_error(toLocal8(dir) + ": no layer files.");
    LayerChecker checker(g);
    CheckReport report(g);
    ProgressMeter progress("check", layers.count());
    LayerFindings f;
    for (int32_t n = 0; n < layers.count(); ++n) {
        const bool sameModel = layers.load(n, LayerKind::model);
        const bool sameSupport = layers.load(n, LayerKind::support);
        if (n > 0 && sameModel && sameSupport)
            f.unsupported.clear(); // a copy of the layer below stands on it; the rest repeats
        else
            f = checker.next(layers.plane(LayerKind::model), layers.plane(LayerKind::support));
        report.add(n, f);
        progress.step(n + 1);
    }
    return report.print(out, layers.count());
}

} // namespace Voxmill
