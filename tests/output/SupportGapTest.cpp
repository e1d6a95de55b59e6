#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "OutputTestUtil.h"
#include "output/SupportGap.h"

using namespace Voxmill;
using namespace Voxmill::Test;

// Against the rule stated pixel by pixel: every model pixel clears its neighbourhood (g 0 the
// point, g 1 the plus, g 2 up the rounded disc), on random layers with model pixels on the image
// edges and values around the threshold.
TEST(SupportGap, AgreesWithPixelByPixelRuleOnRandomLayers) {
    std::mt19937 rng(11);
    for (int32_t g = 0; g <= 5; ++g) {
        std::vector<std::pair<int32_t, int32_t>> offsets;
        for (int32_t dx = -g; dx <= g; ++dx)
            for (int32_t dy = -g; dy <= g; ++dy)
                if (g == 1 ? std::abs(dx) + std::abs(dy) <= 1 : std::round(std::hypot(dx, dy)) <= g)
                    offsets.push_back({dx, dy});
        if (g <= 2) {
            ASSERT_EQ(offsets.size(), size_t(g == 0 ? 1 : g == 1 ? 5 : 21)); // g 2: 5 x 5 less the corners
        }
        for (int32_t trial = 0; trial < 4; ++trial) {
            const int32_t w = 37 + trial * 13, h = 23 + trial * 5;
            QImage model = grayImage(w, h), support = grayImage(w, h);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    model.scanLine(y)[x] = rng() % 7 == 0 ? uchar(120 + rng() % 16) : 0;
                    support.scanLine(y)[x] = uchar(rng() % 2 ? 255 : 90);
                }
            QImage expected = support;
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    for (auto [dx, dy] : offsets)
                        if (model.constScanLine(y)[x] >= 128 && x + dx >= 0 && x + dx < w && y + dy >= 0 &&
                            y + dy < h)
                            expected.scanLine(y + dy)[x + dx] = 0;
            supportGap(model, support, g, {0, h});
            ASSERT_EQ(support, expected) << "g = " << g << ", trial " << trial;
        }
    }
}
