#include <gtest/gtest.h>

#include <algorithm>

#include "OutputTestUtil.h"
#include "output/Poly2Img.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// 5120 x 5280 printable pixels over 128 x 132 mm (40 per mm), 8 blank columns each side.
SliceConfig exampleGrid() {
    SliceConfig s;
    s.poly2img.pixelX = 5120;
    s.poly2img.pixelY = 5280;
    s.poly2img.sizeX = 128;
    s.poly2img.sizeY = 132;
    s.poly2img.extraBlankPixel = 8;
    return s;
}

QImage drawn(Poly2Img& p, const std::vector<Paths>& levels, int32_t layer) {
    QImage img;
    p.prepareImage(img);
    p.drawLevels(levels, layer, img);
    return img;
}

// Bounding rectangle of the pixels >= 128 (null when there are none).
QRect whiteBounds(const QImage& img) {
    int32_t x0 = img.width(), y0 = img.height(), x1 = -1, y1 = -1;
    for (int32_t y = 0; y < img.height(); ++y)
        for (int32_t x = 0; x < img.width(); ++x)
            if (img.constScanLine(y)[x] >= 128)
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

} // namespace

TEST(Poly2Img, MapsPlateOriginToImageCentreAndMillimetresToPixels) {
    Poly2Img p;
    p.configure(exampleGrid());
    EXPECT_EQ(p.width(), 5136);
    EXPECT_EQ(p.height(), 5280);
    EXPECT_EQ(p.toImage({0, 0}, 0), QPointF(2568, 2640));
    EXPECT_EQ(p.toImage({10000, 10000}, 0), QPointF(2608, 2600)); // 1 mm right and up
    EXPECT_EQ(p.toImage({10000, 10000}, 0.5f), QPointF(2608.5, 2600));
}

// A 3 mm frame around a 1 mm hole holding a 0.5 mm island, filled odd-even and outlined by the
// default black pen without antialiasing: each outline's left and top pixel lines are black.
TEST(Poly2Img, FrameHoleIslandAlternateWhiteAndBlackInsideBlackOutlines) {
    Poly2Img p;
    p.configure(exampleGrid());
    const QImage img = drawn(p,
                             {{rectPath(mm(-1.5), mm(-1.5), mm(1.5), mm(1.5))},
                              {rectPath(mm(-0.5), mm(-0.5), mm(0.5), mm(0.5))},
                              {rectPath(mm(-0.25), mm(-0.25), mm(0.25), mm(0.25))}},
                             0);
    EXPECT_EQ(whiteBounds(img), QRect(QPoint(2509, 2581), QPoint(2627, 2699)));
    EXPECT_EQ(countAtLeast(img, 255), 119 * 119 - 41 * 41 + 19 * 19); // frame less hole, plus island
    EXPECT_EQ(countAtLeast(img, 1), countAtLeast(img, 255));          // nothing but 0 and 255
    EXPECT_EQ(img.constScanLine(2640)[2568], 255);                    // island centre
    EXPECT_EQ(img.constScanLine(2640)[2584], 0);                      // between hole edge and island
}

// A square far larger than the plate fills the printable columns only; the 8 margin
// columns stay 0. A clip rectangle is given in printable columns.
TEST(Poly2Img, MarginColumnsStayBlackAndClipIsInPrintableColumns) {
    const struct {
        QRect clip, white;
    } rows[] = {{QRect(), QRect(8, 0, 5120, 5280)}, {QRect(0, 100, 5120, 50), QRect(8, 100, 5120, 50)}};
    for (const auto& r : rows) {
        Poly2Img p;
        p.configure(exampleGrid());
        if (!r.clip.isNull()) p.setClip(r.clip, Qt::IntersectClip);
        const QImage img = drawn(p, {{rectPath(-700000, -700000, 700000, 700000)}}, 0);
        EXPECT_EQ(whiteBounds(img), r.white);
        EXPECT_EQ(countAtLeast(img, 1), r.white.width() * r.white.height()) << "no other pixel painted";
    }
}

// Edges half a pixel right of a pixel boundary: the half-pixel shift of odd layers moves
// them onto the next boundary, one column further.
TEST(Poly2Img, StaggerShiftsOddLayersByHalfAPixel) {
    SliceConfig s = exampleGrid();
    const std::vector<Paths> square = {{rectPath(125, 125, 10125, 10125)}};
    Poly2Img p;
    p.configure(s);
    const QImage plain = drawn(p, square, 4);
    EXPECT_EQ(drawn(p, square, 5), plain) << "staggered off: every layer alike";
    QImage shifted = grayImage(plain.width(), plain.height());
    for (int32_t y = 0; y < plain.height(); ++y)
        std::copy(plain.constScanLine(y), plain.constScanLine(y) + plain.width() - 1,
                  shifted.scanLine(y) + 1);

    s.poly2img.staggered = true;
    p.configure(s);
    EXPECT_EQ(drawn(p, square, 4), plain);
    EXPECT_EQ(drawn(p, square, 5), shifted);
    EXPECT_EQ(drawn(p, square, -1), shifted) << "negative odd layers shift too";
}

// A radius of 4.4 pixels gives 60 offsets in column order; dilation grows a white pixel into
// that disc, while pixels on the image border are no centres.
TEST(DiscOffsets, SixtyOffsetsInOrderAndDilationGrowsPixelsIntoThem) {
    std::vector<PixelOffset> expected;
    for (int32_t dx = -4; dx <= 4; ++dx)
        for (int32_t dy = -4; dy <= 4; ++dy)
            if ((dx || dy) && dx * dx + dy * dy <= 19) expected.push_back({dx, dy});
    ASSERT_EQ(expected.size(), 60u);
    EXPECT_EQ(discOffsets(0.11f, 0.025f, 0.025f), expected);
    EXPECT_TRUE(discOffsets(0.01f, 0.025f, 0.025f).empty()) << "radius below half a pixel";

    QImage img = grayImage(21, 21), copy;
    img.scanLine(10)[10] = img.scanLine(0)[5] = img.scanLine(6)[20] = 255; // centre, top row, right column
    dilateWhite(img, copy, 0.11f, 0.025f, 0.025f);
    for (int32_t y = 0; y < 21; ++y)
        for (int32_t x = 0; x < 21; ++x) {
            const bool disc = (x - 10) * (x - 10) + (y - 10) * (y - 10) <= 19;
            const bool border = (y == 0 && x == 5) || (y == 6 && x == 20);
            ASSERT_EQ(img.constScanLine(y)[x], disc || border ? 255 : 0) << x << "," << y;
        }
}
