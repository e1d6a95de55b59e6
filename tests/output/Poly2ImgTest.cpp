#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "OutputTestUtil.h"
#include "output/Poly2Img.h"

using namespace Voxmill;
using namespace Voxmill::test;

namespace {

QImage drawn(Poly2Img& p, const std::vector<Paths>& levels, int32_t layer) {
    QImage img;
    p.prepareImage(img);
    p.drawLevels(levels, layer, img);
    return img;
}

// img shifted right by one column, the new first column black.
QImage shiftedRight(const QImage& img) {
    QImage out = grayImage(img.width(), img.height());
    for (int32_t y = 0; y < img.height(); ++y)
        std::copy(img.constScanLine(y), img.constScanLine(y) + img.width() - 1, out.scanLine(y) + 1);
    return out;
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

// Filled odd-even, then outlined by the default black pen: a 1 mm square
// from the origin keeps 39 x 39 white pixels, its left and top outline
// columns black.
TEST(Poly2Img, SquareIsFilledInsideItsBlackOutline) {
    Poly2Img p;
    p.configure(exampleGrid());
    const QImage img = drawn(p, {{rectPath(0, 0, 10000, 10000)}}, 0);
    EXPECT_EQ(whiteBounds(img), QRect(QPoint(2569, 2601), QPoint(2607, 2639)));
    EXPECT_EQ(countAtLeast(img, 255), 39 * 39);
    EXPECT_EQ(countAtLeast(img, 1), 39 * 39); // nothing but 0 and 255
}

TEST(Poly2Img, NestedLevelsAlternateWhiteAndBlack) {
    Poly2Img p;
    p.configure(exampleGrid());
    // A 3 mm frame around a 1 mm hole (x, y from -0.5 to 0.5 mm) holding a 0.5 mm island.
    const std::vector<Paths> levels = {{rectPath(-15000, -15000, 15000, 15000)},
                                       {rectPath(-5000, -5000, 5000, 5000)},
                                       {rectPath(-2500, -2500, 2500, 2500)}};
    const QImage img = drawn(p, levels, 0);
    const struct {
        double xMm, yMm;
        int value;
    } rows[] = {{1.0, 1.0, 255}, {-1.0, 0.0, 255}, // frame
                {0.4, 0.0, 0},   {0.0, -0.4, 0},   // ring between hole edge and island
                {0.0, 0.0, 255}, {2.0, 2.0, 0}};   // island, outside
    for (const auto& r : rows) {
        const QPointF q = p.toImage({int64_t(r.xMm * 10000), int64_t(r.yMm * 10000)}, 0);
        EXPECT_EQ(img.pixel(int(q.x()), int(q.y())) & 0xff, uint(r.value)) << r.xMm << "," << r.yMm;
    }
}

// A square far larger than the plate fills the printable columns only; the
// 8 margin columns stay 0. A clip rectangle is given in printable columns.
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
        for (int32_t y = 0; y < img.height(); ++y)
            for (int32_t x : {0, 7, 5128, 5135})
                ASSERT_EQ(img.constScanLine(y)[x], 0) << x << "," << y;
    }
}

TEST(Poly2Img, StaggerShiftsOddLayersByHalfAPixel) {
    SliceConfig s = exampleGrid();
    // Edges half a pixel right of a pixel boundary: the half-pixel shift
    // moves them onto the next boundary, one column further.
    const std::vector<Paths> square = {{rectPath(125, 125, 10125, 10125)}};
    Poly2Img p;
    p.configure(s);
    const QImage plain = drawn(p, square, 4);
    EXPECT_EQ(drawn(p, square, 5), plain) << "staggered off: every layer alike";

    s.poly2img.staggered = true;
    p.configure(s);
    EXPECT_EQ(drawn(p, square, 4), plain);
    EXPECT_EQ(drawn(p, square, 5), shiftedRight(plain));
    EXPECT_EQ(drawn(p, square, -1), shiftedRight(plain)) << "negative odd layers shift too";
}

TEST(DiscOffsets, RadiusOfFourPixelsGivesSixtyOffsetsInOrder) {
    const std::vector<PixelOffset> offsets = discOffsets(0.11f, 0.025f, 0.025f);
    std::vector<PixelOffset> expected;
    for (int32_t dx = -4; dx <= 4; ++dx)
        for (int32_t dy = -4; dy <= 4; ++dy)
            if ((dx || dy) && dx * dx + dy * dy <= 19) expected.push_back({dx, dy});
    ASSERT_EQ(expected.size(), 60u);
    EXPECT_EQ(offsets, expected);
}

// A white pixel grows into the disc of 60 offsets; pixels on the image
// border are no centres.
TEST(DilateWhite, SinglePixelBecomesTheDiscBorderPixelsStay) {
    EXPECT_TRUE(discOffsets(0.01f, 0.025f, 0.025f).empty()) << "radius below half a pixel";
    QImage img = grayImage(21, 21), copy;
    img.scanLine(10)[10] = 255;
    img.scanLine(0)[5] = 255;  // top row
    img.scanLine(6)[20] = 255; // right column
    dilateWhite(img, copy, 0.11f, 0.025f, 0.025f);
    for (int32_t y = 0; y < 21; ++y)
        for (int32_t x = 0; x < 21; ++x) {
            const int32_t d2 = (x - 10) * (x - 10) + (y - 10) * (y - 10);
            const bool border = (y == 0 && x == 5) || (y == 6 && x == 20);
            ASSERT_EQ(img.constScanLine(y)[x], d2 <= 19 || border ? 255 : 0) << x << "," << y;
        }
}

// Clearing, the support gap and packing skip the rows a drawing reports as
// untouched, so a row left out that holds paint would lose material.
TEST(Poly2Img, ReportedRowsHoldEveryPaintedPixel) {
    SliceConfig s = exampleGrid();
    s.poly2img.pixelX = 400;
    s.poly2img.pixelY = 300; // 10 x ~7.5 mm on the plate
    s.poly2img.staggered = true;
    std::mt19937 rng(5);
    std::uniform_int_distribution<int64_t> coord(-60000, 60000); // reaches beyond the plate
    QImage img;
    for (int32_t trial = 0; trial < 200; ++trial) {
        Poly2Img p;
        p.configure(s);
        if (trial % 3 == 0) p.setClip(QRect(0, 40 + trial % 50, 400, 120), Qt::IntersectClip);
        std::vector<Paths> levels(1 + trial % 3);
        for (Paths& level : levels) {
            Path path;
            for (int i = 0; i < 3 + trial % 5; ++i)
                path.push_back({coord(rng), coord(rng) / (1 + trial % 40)});
            level.push_back(path);
        }
        p.prepareImage(img);
        const RowSpan rows = p.drawLevels(levels, trial, img);
        for (int32_t y = 0; y < img.height(); ++y) {
            if (y >= rows.first && y < rows.end) continue;
            const uchar* row = img.constScanLine(y);
            ASSERT_TRUE(std::all_of(row, row + img.width(), [](uchar v) { return v == 0; }))
                << "trial " << trial << ": row " << y << " painted outside [" << rows.first << ", "
                << rows.end << ")";
        }
    }
}
