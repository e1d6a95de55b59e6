#include "tools/slice_view/LayerRuns.h"

namespace Voxmill {

namespace {

// v in 7-bit groups, the low group first; the high bit of a byte says more
// follow.
void put(std::vector<uint8_t>& out, uint32_t v) {
    for (; v >= 128; v >>= 7) out.push_back(uint8_t(v | 128));
    out.push_back(uint8_t(v));
}

uint32_t get(const uint8_t*& p) {
    uint32_t v = 0;
    for (int32_t shift = 0;; shift += 7) {
        const uint8_t b = *p++;
        v |= uint32_t(b & 127) << shift;
        if (b < 128) return v;
    }
}

// A plane is its used rows, each as its distance from the last one (from
// row -1), then its runs as 1 + the gap from the end of the last run (from
// column 0) and the length - 1, then 0; after the last row, 0.
void putPlane(const BitPlane& plane, std::vector<uint8_t>& out) {
    int32_t lastY = -1;
    for (int32_t y = 0; y < plane.height; ++y) {
        if (!plane.rowUsed[size_t(y)]) continue;
        put(out, uint32_t(y - lastY));
        lastY = y;
        int32_t end = 0;
        forEachRun(plane.row(y), plane.words, [&](int32_t x0, int32_t x1) {
            put(out, uint32_t(x0 - end + 1));
            put(out, uint32_t(x1 - x0));
            end = x1 + 1;
        });
        put(out, 0);
    }
    put(out, 0);
}

const uint8_t* getPlane(const uint8_t* p, int32_t width, int32_t height, BitPlane& plane) {
    if (plane.width != width || plane.height != height)
        plane.reset(width, height);
    else
        plane.clear();
    int32_t y = -1;
    for (uint32_t dy; (dy = get(p)) != 0;) {
        y += int32_t(dy);
        plane.rowUsed[size_t(y)] = 1;
        int32_t end = 0;
        for (uint32_t gap; (gap = get(p)) != 0;) {
            const int32_t x0 = end + int32_t(gap) - 1, x1 = x0 + int32_t(get(p));
            setRun(plane.row(y), x0, x1);
            end = x1 + 1;
        }
    }
    return p;
}

} // namespace

void LayerRuns::keep(int32_t n, const BitPlane& model, const BitPlane& support) {
    if (kept(n)) return;
    scratch_.clear();
    putPlane(model, scratch_);
    putPlane(support, scratch_);
    if (used_ + scratch_.size() > budget_) return;
    used_ += scratch_.size();
    layers_.emplace(n, Layer{model.width, model.height, scratch_});
}

void LayerRuns::restore(int32_t n, BitPlane& model, BitPlane& support) const {
    const Layer& layer = layers_.at(n);
    const uint8_t* p = getPlane(layer.runs.data(), layer.width, layer.height, model);
    getPlane(p, layer.width, layer.height, support);
}

} // namespace Voxmill
