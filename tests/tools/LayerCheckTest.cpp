#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "output/SupportGap.h"
#include "tools/slice_view/LayerCheck.h"

using namespace Voxmill;

namespace {

// A layer as plain pixels, and the rules of the layer check pixel by pixel.
struct Pixels {
    int32_t w, h;
    std::vector<uint8_t> v;
    bool at(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < w && y < h && v[size_t(y * w + x)]; }
};

BitPlane planeOf(const Pixels& p) {
    BitPlane plane;
    plane.reset(p.w, p.h);
    for (int32_t y = 0; y < p.h; ++y)
        for (int32_t x = 0; x < p.w; ++x)
            if (p.at(x, y)) plane.set(x, y);
    return plane;
}

// Blobs of random rectangles over sparse noise, so islands touch at corners now and then; without
// noise, rows whose pixels lie in a few words.
Pixels randomPixels(std::mt19937& rng, int32_t w, int32_t h, int32_t rects, bool noise) {
    Pixels p{w, h, std::vector<uint8_t>(size_t(w * h), 0)};
    for (uint8_t& b : p.v) b = noise && rng() % 23 == 0;
    for (int32_t r = 0; r < rects; ++r) {
        const int32_t x0 = int32_t(rng() % uint32_t(w)), y0 = int32_t(rng() % uint32_t(h));
        const int32_t x1 = std::min(w, x0 + 1 + int32_t(rng() % 70)),
                      y1 = std::min(h, y0 + 1 + int32_t(rng() % 12));
        for (int32_t y = y0; y < y1; ++y) std::fill(p.v.begin() + y * w + x0, p.v.begin() + y * w + x1, 1);
    }
    return p;
}

// Whether a pixel of p lies within the gap's neighbourhood of (x, y).
bool within(const Pixels& p, const std::vector<int32_t>& half, int32_t x, int32_t y) {
    const int32_t g = int32_t(half.size() / 2);
    for (int32_t dy = -g; dy <= g; ++dy)
        for (int32_t dx = -half[size_t(dy + g)]; dx <= half[size_t(dy + g)]; ++dx)
            if (p.at(x + dx, y + dy)) return true;
    return false;
}

// 8-connected flood fill of the marked pixels: (pixels, sum of x, sum of y) per island, sorted.
std::vector<std::array<double, 3>> floodIslands(Pixels marked) {
    std::vector<std::array<double, 3>> out;
    for (int32_t i = 0; i < marked.w * marked.h; ++i) {
        if (!marked.v[size_t(i)]) continue;
        std::array<double, 3> island{0, 0, 0};
        std::vector<int32_t> stack{i};
        marked.v[size_t(i)] = 0;
        while (!stack.empty()) {
            const int32_t at = stack.back(), x = at % marked.w, y = at / marked.w;
            stack.pop_back();
            island = {island[0] + 1, island[1] + x, island[2] + y};
            for (int32_t dy = -1; dy <= 1; ++dy)
                for (int32_t dx = -1; dx <= 1; ++dx)
                    if (marked.at(x + dx, y + dy)) {
                        marked.v[size_t((y + dy) * marked.w + x + dx)] = 0;
                        stack.push_back((y + dy) * marked.w + x + dx);
                    }
        }
        out.push_back(island);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Whether a pixel of p lies beside (x, y), diagonals included, or within rounded distance r.
bool bridged(const Pixels& p, int32_t r, int32_t x, int32_t y) {
    for (int32_t dy = -r - 1; dy <= r + 1; ++dy)
        for (int32_t dx = -r - 1; dx <= r + 1; ++dx)
            if (p.at(x + dx, y + dy) &&
                ((std::abs(dx) <= 1 && std::abs(dy) <= 1) || std::round(std::hypot(dx, dy)) <= r))
                return true;
    return false;
}

} // namespace

// Random layers over a width that is no multiple of 64, with margins, for every kind of gap and
// bridges narrower and wider than the gap, dense rows and rows with a few runs in turn: the
// word-wise checker agrees with the rules applied pixel by pixel.
TEST(LayerChecker, AgreesWithTheRulesPixelByPixel) {
    std::mt19937 rng(16);
    for (const auto& [gap, bridge] : {std::pair<int32_t, int32_t>{0, 1}, {1, 1}, {2, 1}, {3, 2}, {0, 4}}) {
        SCOPED_TRACE(testing::Message() << "gap " << gap << ", bridge " << bridge);
        JobGeometry g;
        g.width = 330;
        g.height = 40;
        g.margin = 3;
        g.printWidth = 324;
        g.gap = gap;
        g.bridge = bridge;
        const std::vector<int32_t> half = gapHalfWidths(gap);
        LayerChecker checker(g);
        Pixels below{g.width, g.height, std::vector<uint8_t>(size_t(g.width * g.height), 0)};
        int32_t found = 0; // islands over all layers: the comparison is not of nothing
        for (int32_t layer = 0; layer < 8; ++layer) {
            SCOPED_TRACE(layer);
            // layer 2 is empty; model and support overlap at random
            const int32_t rects = layer == 2 ? 0 : 6;
            Pixels model = randomPixels(rng, g.width, g.height, rects, layer % 2 == 0),
                   support = randomPixels(rng, g.width, g.height, rects, layer % 2 == 0);
            if (layer == 2)
                std::fill(model.v.begin(), model.v.end(), 0),
                    std::fill(support.v.begin(), support.v.end(), 0);
            const LayerFindings f = checker.next(planeOf(model), planeOf(support));

            Pixels printed = model, open = model;
            int64_t edgePixels = 0, gapPixels = 0;
            uint8_t edges = 0;
            for (int32_t y = 0; y < g.height; ++y)
                for (int32_t x = 0; x < g.width; ++x) {
                    const size_t i = size_t(y * g.width + x);
                    printed.v[i] = model.v[i] | support.v[i];
                    const bool margin = x < g.margin || x >= g.margin + g.printWidth;
                    const bool edgeColumn = x == g.margin || x == g.margin + g.printWidth - 1;
                    if (printed.v[i] && (margin || edgeColumn || y == 0 || y == g.height - 1)) {
                        ++edgePixels;
                        edges |= (x == g.margin ? edgeLeft : 0) |
                                 (x == g.margin + g.printWidth - 1 ? edgeRight : 0) |
                                 (y == 0 ? edgeBack : 0) | (y == g.height - 1 ? edgeFront : 0) |
                                 (margin ? edgeMargin : 0);
                    }
                    gapPixels += support.v[i] && within(model, half, x, y);
                    open.v[i] = layer > 0 && printed.v[i] && !bridged(below, std::max(gap, bridge), x, y);
                }
            EXPECT_EQ(f.empty, layer == 2);
            EXPECT_EQ(f.edges, edges);
            EXPECT_EQ(f.edgePixels, edgePixels);
            EXPECT_EQ(f.gapPixels, gapPixels);
            std::vector<std::array<double, 3>> islands;
            for (const PixelIsland& i : f.unsupported) islands.push_back({double(i.pixels), i.sumX, i.sumY});
            std::sort(islands.begin(), islands.end());
            EXPECT_EQ(islands, floodIslands(open));
            found += int32_t(islands.size());
            below = printed;
        }
        EXPECT_GT(found, 0);
    }
}
