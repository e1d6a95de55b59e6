#include "infill/PostSupport.h"

#include <cmath>

namespace Voxmill {

namespace {

int64_t roundUnits(float v) { return int64_t(std::round(v)); }

} // namespace

// h the half size, a the solid side left at each corner, e the distance of a
// notch's apex from the centre (the notch opens at gapAngle and never reaches
// past the centre), S the space to the next post.
PostShapes postShapes(const SliceConfig& s, int32_t roofStep) {
    const auto& p = s.postSupport;
    const int64_t h = roundUnits(p.postSize * 0.5f * 10000.0f);
    const float g = p.gapRatio;
    const int64_t a = roundUnits((1.0f - g) * float(h));
    const float t = std::tan(p.gapAngle * 0.5f * 3.1415927f / 180.0f);
    const int64_t e = std::max<int64_t>(0, h - roundUnits(float(h) * g / t));
    const int64_t sp = roundUnits(p.postSpace * 10000.0f);
    PostShapes shapes;
    shapes.post = {{{-h, -h},
                    {a - h, -h},
                    {0, -e},
                    {h - a, -h},
                    {h, -h},
                    {h, a - h},
                    {e, 0},
                    {h, h - a},
                    {h, h},
                    {h - a, h},
                    {0, e},
                    {a - h, h},
                    {-h, h},
                    {-h, h - a},
                    {-e, 0},
                    {-h, a - h}}};
    shapes.link = {{{-h, -h},
                    {a - h, -h},
                    {0, -e},
                    {h - a, -h},
                    {sp + h, -h},
                    {sp + h, a - h},
                    {h, a - h},
                    {e, 0},
                    {h, h - a},
                    {h, h},
                    {h - a, h},
                    {0, e},
                    {a - h, h},
                    {a - h, sp + h},
                    {-h, sp + h},
                    {-h, h - a},
                    {-e, 0},
                    {-h, a - h}}};
    // A grown post leaves a gap of about roofStep to its neighbour.
    const int32_t c = (mmToUnits(p.postSpace) - roofStep) / 2;
    if (c >= 100) {
        shapes.postCore = offsetPathsSharp(shapes.post, c);
        shapes.linkCore = offsetPathsSharp(shapes.link, c);
    }
    return shapes;
}

void PostSupport::setup(const SliceConfig& s) {
    setupFromPostSettings(s, postLattice(s).bottomLayers);
    shapes_ = postShapes(s, roofStep_);
    SupportBase::setup(s);
}

void PostSupport::run(const SliceConfig& s, int32_t layer, bool& cleanSolidStart) {
    runLattice(s.postSupport.enable, s, layer, cleanSolidStart);
}

LatticeCut PostSupport::cut(const SliceConfig& s, int32_t layer, bool core, bool peek) {
    bool band = false;
    if (!cleanSolidBand(s, layer, peek, band)) return {};
    if (!band && !isInsideSolid(layer))
        return {LatticeCut::Op::holes, core ? &shapes_.postCore : &shapes_.post};
    return {LatticeCut::Op::tiedHoles, core ? &shapes_.linkCore : &shapes_.link};
}

} // namespace Voxmill
