#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include <QPainter>

#include "OutputTestUtil.h"
#include "output/Poly2Img.h"
#include "output/PolygonStamps.h"
#include "slicer/LocalLevels.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

QImage grey(int32_t w, int32_t h) {
    QImage img(w, h, QImage::Format_Grayscale8);
    img.fill(128); // neither colour, so fill and outline both show
    return img;
}

bool sameBytes(const QImage& a, const QImage& b) {
    return a.size() == b.size() && std::memcmp(a.constBits(), b.constBits(), size_t(a.sizeInBytes())) == 0;
}

} // namespace

// Random small polygons (fractions of all kinds, exact halves included, which
// the rasteriser rounds either way) at many whole-pixel offsets, in white and
// black: the stamps leave the pixels the painter leaves.
TEST(PolygonStamps, CopiesThePaintersPixelsAtWholePixelOffsets) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(0.0, 14.0);
    QImage painted = grey(400, 300), stamped = grey(400, 300);
    PolygonStamps stamps;
    QPainter painter(&painted);
    for (int32_t shape = 0; shape < 40; ++shape) {
        std::vector<QPointF> base;
        for (int32_t k = 0; k < 3 + shape % 6; ++k) {
            // Single precision, as the rasteriser's points are.
            const float x = shape % 3 == 0 ? std::round(float(coord(rng)) * 2) / 2 : float(coord(rng));
            base.push_back({x, shape % 4 == 0 ? std::round(float(coord(rng)) * 2) / 2 : float(coord(rng))});
        }
        const bool white = shape % 2 == 0;
        for (int32_t copy = 0; copy < 4; ++copy) {
            const double dx = 5 + 20 * ((shape * 4 + copy) % 19), dy = 5 + 20 * ((shape * 4 + copy) / 19);
            std::vector<QPointF> moved;
            for (const QPointF& p : base) moved.push_back({p.x() + dx, p.y() + dy});
            painter.setBrush(white ? Qt::white : Qt::black);
            painter.drawPolygon(moved.data(), int(moved.size()), Qt::OddEvenFill);
            if (!stamps.draw(moved, white, stamped, stamped.rect())) {
                ASSERT_EQ(copy, 0); // new shapes only
                QPainter first(&stamped);
                first.setBrush(white ? Qt::white : Qt::black);
                first.drawPolygon(moved.data(), int(moved.size()), Qt::OddEvenFill);
            }
        }
    }
    painter.end();
    EXPECT_EQ(stamps.shapes(), 40u);
    EXPECT_TRUE(sameBytes(painted, stamped));
}

// A polygon whose drawing could cross the clip (or the image) is left to the
// painter, and nothing of it is written.
TEST(PolygonStamps, PolygonsAtTheClipAreLeftToThePainter) {
    QImage img = grey(50, 50);
    const QImage before = img;
    PolygonStamps stamps;
    const std::vector<QPointF> square = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
    EXPECT_FALSE(stamps.draw(square, true, img, QRect(0, 0, 21, 50)));
    std::vector<QPointF> atEdge = {{0.5, 10}, {5, 10}, {5, 20}};
    EXPECT_FALSE(stamps.draw(atEdge, true, img, img.rect()));
    EXPECT_TRUE(sameBytes(img, before));
}

// A support part whose hollow holds hundreds of posts (the ones near the
// hollow's outline go through the union, the rest are stamped) draws the
// pixels of the whole union's levels, staggered rows included.
TEST(PolygonStamps, PartWithManyPostsDrawsAsTheWholeUnion) {
    SliceConfig s;
    s.poly2img.pixelX = 1024;
    s.poly2img.pixelY = 1024;
    s.poly2img.sizeX = 51.2f;
    s.poly2img.sizeY = 51.2f;
    s.poly2img.extraBlankPixel = 4;
    Paths hollow = {rectPath(-190000, -190000, 190000, 190000)};
    for (int64_t i = -15; i <= 15; ++i)
        for (int64_t j = -15; j <= 15; ++j) {
            // Posts with fractional pixel corners, the lattice's period not a
            // whole number of pixels.
            Path post = rectPath(i * 12345 - 3100, j * 12345 - 3100, i * 12345 + 3170, j * 12345 + 3170);
            std::reverse(post.begin(), post.end());
            hollow.push_back(post);
        }
    LayerPart part;
    part.type = part_type_t::support;
    part.islands.resize(1);
    part.islands[0].slots.set(slotArea, Region({rectPath(-200000, -200000, 200000, 200000)}));
    part.islands[0].slots.set(slotHollow, Region(hollow));
    Paths all;
    collectDrawPaths(part, all);
    ASSERT_GT(splitLevels(all, 1501).alone.size(), 0u); // three pixels: posts go by stamp
    for (bool staggered : {false, true}) {
        s.poly2img.staggered = staggered;
        Poly2Img split, whole;
        split.configure(s);
        whole.configure(s);
        QImage a, b;
        split.prepareImage(a);
        whole.prepareImage(b);
        split.drawPart(part, 1, a);
        whole.drawLevels(depthLevels(all), 1, b);
        EXPECT_TRUE(sameBytes(a, b)) << "staggered " << staggered;
    }
}
