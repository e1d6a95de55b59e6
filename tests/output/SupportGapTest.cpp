#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "OutputTestUtil.h"
#include "output/SupportGap.h"

using namespace Voxmill;
using namespace Voxmill::test;

namespace {

// The gap cleared pixel by pixel: every model pixel clears its own
// neighbourhood, as the printer's rule states it.
void referenceGap(const QImage& model, QImage& support, int32_t g) {
    std::vector<std::pair<int32_t, int32_t>> offsets;
    if (g == 0) offsets = {{0, 0}};
    if (g == 1) offsets = {{0, 0}, {0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    for (int32_t dx = -g; g >= 2 && dx <= g; ++dx)
        for (int32_t dy = -g; dy <= g; ++dy)
            if (std::round(std::sqrt(double(dx * dx + dy * dy))) <= g + 2.220446049250313e-16)
                offsets.push_back({dx, dy});
    for (int32_t y = 0; y < model.height(); ++y)
        for (int32_t x = 0; x < model.width(); ++x) {
            if (model.constScanLine(y)[x] < 128) continue;
            for (auto [dx, dy] : offsets)
                if (x + dx >= 0 && x + dx < model.width() && y + dy >= 0 && y + dy < model.height())
                    support.scanLine(y + dy)[x + dx] = 0;
        }
}

QImage fullSupport(int32_t w, int32_t h) {
    QImage s = grayImage(w, h);
    s.fill(255);
    return s;
}

} // namespace

TEST(SupportGap, SingleModelPixelClearsPointPlusOrDisc) {
    struct Row {
        int32_t g;
        int64_t cleared;
    } rows[] = {
        {0, 1},  // only under the model pixel
        {1, 5},  // the plus
        {2, 21}, // rounded distance at most 2: 5 x 5 less the corners
        {3, 37},
    };
    for (const Row& r : rows) {
        QImage model = grayImage(15, 15), support = fullSupport(15, 15);
        model.scanLine(7)[7] = 128;
        supportGap(model, support, r.g, {0, 15});
        EXPECT_EQ(15 * 15 - countAtLeast(support, 1), r.cleared) << "g = " << r.g;
    }
}

TEST(SupportGap, Radius2HalfWidthsPerRow) {
    EXPECT_EQ(gapHalfWidths(0), std::vector<int32_t>({0}));
    EXPECT_EQ(gapHalfWidths(1), std::vector<int32_t>({0, 1, 0}));
    EXPECT_EQ(gapHalfWidths(2), std::vector<int32_t>({1, 2, 2, 2, 1}));
}

TEST(SupportGap, AgreesWithPixelByPixelRuleOnRandomLayers) {
    std::mt19937 rng(11);
    for (int32_t g = 0; g <= 5; ++g) {
        for (int32_t trial = 0; trial < 4; ++trial) {
            const int32_t w = 37 + trial * 13, h = 23 + trial * 5;
            QImage model = grayImage(w, h), support = grayImage(w, h);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    // Sparse model runs, dense support, values around the threshold.
                    model.scanLine(y)[x] = rng() % 7 == 0 ? uchar(120 + rng() % 16) : 0;
                    support.scanLine(y)[x] = uchar(rng() % 2 ? 255 : 90);
                }
            QImage expected = support;
            referenceGap(model, expected, g);
            supportGap(model, support, g, {0, h});
            ASSERT_EQ(support, expected) << "g = " << g << ", trial " << trial;
        }
    }
}

TEST(SupportGap, ModelAtTheImageEdgesClearsOnlyInsideTheImage) {
    QImage model = grayImage(9, 9), support = fullSupport(9, 9);
    model.scanLine(0)[0] = 255;
    model.scanLine(8)[8] = 255;
    supportGap(model, support, 2, {0, 9});
    // A quarter disc in each corner: rows 0..2 keep 3, 3, 2 pixels of the 5 x 5 disc.
    EXPECT_EQ(81 - countAtLeast(support, 1), 2 * 8);
}
