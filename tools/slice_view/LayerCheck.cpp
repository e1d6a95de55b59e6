#include "tools/slice_view/LayerCheck.h"

#include <algorithm>

#include "output/SupportGap.h"

namespace Voxmill {

namespace {

bool bitAt(const uint64_t* row, int32_t x) { return (row[x / 64] >> (x % 64)) & 1; }

// The eight neighbours of a pixel, or the disc of rounded radius gap or
// bridge where that is wider (a disc of radius 2 or more holds them).
Reach bridgeReach(int32_t gap, int32_t bridge) {
    const int32_t r = std::max(gap, bridge);
    return r >= 2 ? gapHalfWidths(r) : Reach{1, 1, 1};
}

} // namespace

LayerChecker::LayerChecker(const JobGeometry& g)
    : geometry_(g), gapReach_(gapHalfWidths(g.gap)), bridgeReach_(bridgeReach(g.gap, g.bridge)) {
    const int32_t words = (g.width + 63) / 64;
    marginMask_.assign(size_t(words), 0);
    edgeMask_.assign(size_t(words), 0);
    for (int32_t x = 0; x < g.width; ++x) {
        const uint64_t bit = 1ULL << (x % 64);
        const bool margin = x < g.margin || x >= g.margin + g.printWidth;
        if (margin) marginMask_[size_t(x / 64)] |= bit;
        if (margin || x == g.margin || x == g.margin + g.printWidth - 1) edgeMask_[size_t(x / 64)] |= bit;
    }
    for (int32_t k = 0; k < words; ++k)
        if (edgeMask_[size_t(k)]) edgeWords_.push_back(k);
    grown_.resize(size_t(words));
    open_.resize(size_t(words));
    below_.reset(g.width, g.height);
}

LayerFindings LayerChecker::next(const BitPlane& model, const BitPlane& support) {
    LayerFindings f;
    orOf(model, support, printed_);
    f.empty = std::none_of(printed_.rowUsed.begin(), printed_.rowUsed.end(), [](uint8_t u) { return u; });
    if (!f.empty) {
        findEdges(f);
        findGap(model, support, f);
        if (!first_) findUnsupported(f);
    }
    std::swap(printed_, below_);
    first_ = false;
    return f;
}

void LayerChecker::findEdges(LayerFindings& f) const {
    const int32_t left = geometry_.margin, right = geometry_.margin + geometry_.printWidth - 1;
    const int32_t last = geometry_.height - 1;
    for (int32_t y = 0; y <= last; ++y) {
        if (!printed_.rowUsed[size_t(y)]) continue;
        const uint64_t* row = printed_.row(y);
        if (y == 0 || y == last) {
            f.edges |= y == 0 ? edgeBack : edgeFront;
            f.edgePixels += rowCount(row, printed_.words);
        }
        if (bitAt(row, left)) f.edges |= edgeLeft;
        if (right < geometry_.width && bitAt(row, right)) f.edges |= edgeRight;
        for (const int32_t k : edgeWords_) {
            const uint64_t onEdge = row[k] & edgeMask_[size_t(k)];
            if (onEdge & marginMask_[size_t(k)]) f.edges |= edgeMargin;
            if (y != 0 && y != last) f.edgePixels += __builtin_popcountll(onEdge);
        }
    }
}

// Support pixels that the gap around the model's pixels should have cleared.
void LayerChecker::findGap(const BitPlane& model, const BitPlane& support, LayerFindings& f) {
    const int32_t g = int32_t(gapReach_.size() / 2);
    for (int32_t y = 0; y < support.height; ++y) {
        if (!support.rowUsed[size_t(y)]) continue;
        bool modelNear = false;
        for (int32_t sy = std::max(0, y - g); sy <= std::min(support.height - 1, y + g); ++sy)
            modelNear = modelNear || model.rowUsed[size_t(sy)];
        if (!modelNear) continue;
        const uint64_t* s = support.row(y);
        const WordSpan span = wordSpan(s, support.words);
        grownRow(model, gapReach_, y, span, grown_.data());
        for (int32_t k = span.first; k <= span.last; ++k)
            if (const uint64_t near = s[k] & grown_[size_t(k)]) f.gapPixels += __builtin_popcountll(near);
    }
}

// Pixels above nothing are looked at first: only their rows need the
// neighbourhood of the layer below, and a layer that repeats the one below
// has none.
void LayerChecker::findUnsupported(LayerFindings& f) {
    islands_.clear();
    const int32_t words = printed_.words;
    for (int32_t y = 0; y < printed_.height; ++y) {
        if (!printed_.rowUsed[size_t(y)]) continue;
        const uint64_t *p = printed_.row(y), *b = below_.row(y);
        for (int32_t k = 0; k < words; ++k) open_[size_t(k)] = p[k] & ~b[k];
        const WordSpan span = wordSpan(open_.data(), words);
        if (span.last < span.first) continue;
        grownRow(below_, bridgeReach_, y, span, grown_.data());
        uint64_t any = 0;
        for (int32_t k = span.first; k <= span.last; ++k) any |= open_[size_t(k)] &= ~grown_[size_t(k)];
        if (any) islands_.addRow(y, open_.data(), words);
    }
    f.unsupported = islands_.islands();
}

} // namespace Voxmill
