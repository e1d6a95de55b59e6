#include "config/SliceConfig.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <type_traits>

#include "base/WordTable.h"

namespace Voxmill {

namespace {

struct ResetVisitor {
    void operator()(const FloatKey& k, float& v) const { v = k.def; }
    void operator()(const IntKey& k, int32_t& v) const { v = k.def; }
    void operator()(const BoolKey& k, bool& v) const { v = k.def; }
    void operator()(const FillKey& k, FillType& v) const { v = k.def; }
    void operator()(const IntListKey& k, std::vector<int32_t>& v) const { v = k.def; }
};

struct ClampVisitor {
    // A value that is not a number has no place in the range: it counts as
    // unconvertible and the key keeps its default.
    void operator()(const FloatKey& k, float& v) const {
        v = std::isnan(v) ? k.def : std::min(std::max(v, k.lo), k.hi);
    }
    void operator()(const IntKey& k, int32_t& v) const { v = std::min(std::max(v, k.lo), k.hi); }
    void operator()(const BoolKey&, bool&) const {}
    void operator()(const FillKey&, FillType&) const {}
    void operator()(const IntListKey& k, std::vector<int32_t>& v) const {
        for (int32_t& e : v) e = std::min(std::max(e, k.lo), k.hi);
    }
};

const WordTable<FillType>& fillTypeWords() {
    static const WordTable<FillType> table{{"rectGrid", FillType::rectGrid},
                                           {"support", FillType::support},
                                           {"supportGrid", FillType::supportGrid}};
    return table;
}

int32_t ceilToInt(float v) { return static_cast<int32_t>(std::ceil(v)); }

float layerHeight(const SliceConfig& c) { return c.precision.layerHeight; }
int32_t infillZLayers(const SliceConfig& c) { return layersOf(c.precision.infillZ, layerHeight(c)); }

// Layers from a roof to the top of the solid skin above it, for a lattice
// whose cells (or post spaces) are roofSize wide.
int32_t roofToSkinLayers(const LatticeSettings& l, float roofSize, const SliceConfig& c) {
    const float h = layerHeight(c);
    return roofLayerCount(roofSize, l.roofGradient, h) + layersOf(l.topSolidThickness, h) + infillZLayers(c);
}
int32_t postRoofLayers(const SliceConfig& c) {
    return roofToSkinLayers(c.postSupport, c.postSupport.postSpace, c);
}
int32_t gridRoofLayers(const SliceConfig& c) {
    return roofToSkinLayers(c.gridSupport, c.gridSupport.rectSize, c);
}
int32_t bottomLayers(const LatticeSettings& l, const SliceConfig& c) {
    return layersOf(l.bottomSolidThickness, layerHeight(c)) + infillZLayers(c);
}

} // namespace

SliceConfig::SliceConfig() { resetToDefaults(); }

void SliceConfig::resetToDefaults() { visitSettings(*this, ResetVisitor{}); }

void SliceConfig::normalise() {
    visitSettings(*this, ClampVisitor{});

    precision.support = std::min(precision.support, supportOverlay.margin * 0.5f);
    precision.support = std::min(precision.support, precision.hollow);
    precision.general = std::min(precision.general, precision.support);
    precision.general = std::min(precision.general, precision.infill);

    if (solidSupport.enable) {
        postSupport.enable = false;
        gridSupport.enable = false;
    } else if (postSupport.enable) {
        gridSupport.enable = false;
    }

    // Summed in 64 bits: a long list whose 32-bit sum wrapped round to the
    // image height would otherwise pass for one that covers it.
    int64_t sum = 0;
    for (int32_t a : wall.areaPixels) sum += a;
    if (sum != poly2img.pixelY) wall.areaPixels = {poly2img.pixelY};

    std::sort(waitTime.areas.begin(), waitTime.areas.end());
    std::sort(waitTime.times.begin(), waitTime.times.end());
}

bool SliceConfig::operator==(const SliceConfig& o) const {
    bool equal = true;
    // Walk both records in step: the n-th visit of one is the n-th of the other.
    std::vector<const void*> mine;
    visitSettings(*this, [&](const auto&, const auto& v) { mine.push_back(&v); });
    size_t i = 0;
    visitSettings(o, [&](const auto&, const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if (!(*static_cast<const T*>(mine[i++]) == v)) equal = false;
    });
    return equal;
}

bool fillTypeFromWord(const std::string& word, FillType& out) { return fillTypeWords().find(word, out); }

const std::string& fillTypeWord(FillType type) {
    const std::string* word = fillTypeWords().word(type);
    if (!word) throw std::runtime_error("invalid fill type.");
    return *word;
}

int32_t mmToUnits(float mm) { return static_cast<int32_t>(mm * 10000.0f); }

int32_t layersOf(float mm, float layerHeight) { return ceilToInt(mm / layerHeight); }

int32_t roofLayerCount(float sizeMm, float gradientDeg, float layerHeight) {
    const float radians = gradientDeg * 3.1415927f / 180.0f;
    return ceilToInt(sizeMm / ((1.0f / std::tan(radians)) * (layerHeight * 2.0f)));
}

int32_t layerUnits(const SliceConfig& c) { return mmToUnits(c.precision.layerHeight); }

int32_t infillLookAhead(const SliceConfig& c) {
    if (!c.infill.enable) return 0;
    return roofToSkinLayers(c.infill, c.infill.rectSize, c) + c.infill.roofPreCalcCnt;
}

int32_t lookAhead(const SliceConfig& c) {
    int32_t n = infillLookAhead(c);
    if (c.postSupport.enable) n = std::max(n, postRoofLayers(c) + c.postSupport.roofPreCalcCnt);
    if (c.gridSupport.enable) n = std::max(n, gridRoofLayers(c) + c.gridSupport.roofPreCalcCnt);
    return n;
}

int32_t lookBack(const SliceConfig& c) {
    int32_t n = 0;
    if (c.infill.enable) n = std::max(n, bottomLayers(c.infill, c));
    if (c.postSupport.enable) n = std::max(n, bottomLayers(c.postSupport, c));
    if (c.gridSupport.enable) n = std::max(n, bottomLayers(c.gridSupport, c));
    return n;
}

int32_t storeRaftLayers(const SliceConfig& c) {
    int32_t roof = c.solidSupport.enable ? 1 : 0;
    if (c.postSupport.enable) roof = postRoofLayers(c);
    if (c.gridSupport.enable) roof = gridRoofLayers(c);
    return std::min(c.raft.layerCnt, roof);
}

int32_t extraRaftLayers(const SliceConfig& c) { return c.raft.layerCnt - storeRaftLayers(c); }

int32_t cleanSolidLayers(const SliceConfig& c) {
    return layersOf(c.supportCleanSolid.thickness, layerHeight(c));
}

int32_t releaseLag(const SliceConfig& c) {
    int32_t n = 0;
    if (c.infill.enable) {
        int32_t lag = bottomLayers(c.infill, c);
        if (c.supportCleanSolid.enable) lag = std::max(0, lag - infillLookAhead(c));
        n = std::max(n, lag);
    }
    if (c.postSupport.enable) n = std::max(n, bottomLayers(c.postSupport, c));
    if (c.gridSupport.enable) n = std::max(n, bottomLayers(c.gridSupport, c));
    return n;
}

} // namespace Voxmill
