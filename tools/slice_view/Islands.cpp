#include "tools/slice_view/Islands.h"

#include "tools/slice_view/BitPlane.h"

namespace Voxmill {

void IslandFinder::clear() {
    runs_.clear();
    rowAbove_ = rowStart_ = 0;
    lastY_ = -2;
}

uint32_t IslandFinder::root(uint32_t i) {
    while (runs_[i].parent != i) {
        runs_[i].parent = runs_[runs_[i].parent].parent; // path halving
        i = runs_[i].parent;
    }
    return i;
}

void IslandFinder::join(uint32_t a, uint32_t b) {
    a = root(a);
    b = root(b);
    if (a == b) return;
    if (a < b)
        runs_[b].parent = a; // the earlier run stays the root
    else
        runs_[a].parent = b;
}

void IslandFinder::addRow(int32_t y, const uint64_t* row, int32_t words) {
    const size_t start = runs_.size();
    forEachRun(row, words, [&](int32_t x0, int32_t x1) {
        runs_.push_back({x0, x1, y, uint32_t(runs_.size())});
    });
    if (runs_.size() == start) return;
    // Runs of the row above are sorted and disjoint: the first that reaches
    // a run's left diagonal is found by walking on from the last one.
    if (lastY_ == y - 1) {
        size_t a = rowAbove_;
        for (size_t i = start; i < runs_.size(); ++i) {
            while (a < rowStart_ && runs_[a].x1 < runs_[i].x0 - 1) ++a;
            for (size_t b = a; b < rowStart_ && runs_[b].x0 <= runs_[i].x1 + 1; ++b)
                join(uint32_t(b), uint32_t(i));
        }
    }
    rowAbove_ = start;
    rowStart_ = runs_.size();
    lastY_ = y;
}

std::vector<PixelIsland> IslandFinder::islands() {
    std::vector<PixelIsland> out;
    std::vector<uint32_t> slot(runs_.size(), UINT32_MAX);
    for (uint32_t i = 0; i < runs_.size(); ++i) {
        const uint32_t r = root(i);
        if (slot[r] == UINT32_MAX) {
            slot[r] = uint32_t(out.size());
            out.emplace_back();
        }
        const Run& run = runs_[i];
        PixelIsland& island = out[slot[r]];
        const int64_t n = int64_t(run.x1) - run.x0 + 1;
        island.pixels += n;
        island.sumX += double(n) * (double(run.x0) + double(run.x1)) / 2;
        island.sumY += double(n) * run.y;
    }
    return out;
}

} // namespace Voxmill
