#include "output/SupportGap.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace Voxmill {

std::vector<int32_t> gapHalfWidths(int32_t g) {
    if (g <= 0) return {0};
    if (g == 1) return {0, 1, 0};
    std::vector<int32_t> half;
    const double bound = double(g) + DBL_EPSILON;
    for (int32_t dy = -g; dy <= g; ++dy) {
        int32_t w = 0;
        while (w < g && std::round(std::sqrt(double(w + 1) * (w + 1) + double(dy) * dy)) <= bound) ++w;
        half.push_back(w);
    }
    return half;
}

namespace {

constexpr uint64_t highBits = 0x8080808080808080ULL;

// First x in [x, end) with a pixel >= 128, or end. Dark stretches are
// skipped eight pixels at a time: most of a layer image is empty.
int32_t nextWhite(const uchar* row, int32_t x, int32_t end) {
    while (x + 8 <= end) {
        uint64_t v;
        std::memcpy(&v, row + x, 8);
        if (v & highBits) break;
        x += 8;
    }
    while (x < end && row[x] < 128) ++x;
    return x;
}

int32_t nextDark(const uchar* row, int32_t x, int32_t end) {
    while (x < end && row[x] >= 128) ++x;
    return x;
}

// Clears columns [x0 - w, x1 + w] of the rows y + dy around one model run [x0, x1].
void clearAroundRun(QImage& support, int32_t y, int32_t x0, int32_t x1, const std::vector<int32_t>& half) {
    const int32_t g = int32_t(half.size() / 2);
    const int32_t width = support.width(), height = support.height();
    for (int32_t dy = -g; dy <= g; ++dy) {
        const int32_t ty = y + dy;
        if (ty < 0 || ty >= height) continue;
        const int32_t w = half[size_t(dy + g)];
        const int32_t from = std::max(0, x0 - w), to = std::min(width - 1, x1 + w);
        std::memset(support.scanLine(ty) + from, 0, size_t(to - from + 1));
    }
}

} // namespace

void supportGap(const QImage& model, QImage& support, int32_t g, RowSpan modelRows) {
    const std::vector<int32_t> half = gapHalfWidths(g);
    const int32_t width = model.width();
    for (int32_t y = std::max(modelRows.first, 0); y < std::min(modelRows.end, model.height()); ++y) {
        const uchar* row = model.constScanLine(y);
        for (int32_t x = nextWhite(row, 0, width); x < width; x = nextWhite(row, x, width)) {
            const int32_t end = nextDark(row, x, width);
            clearAroundRun(support, y, x, end - 1, half);
            x = end;
        }
    }
}

} // namespace Voxmill
