#include <gtest/gtest.h>

#include "OutputTestUtil.h"
#include "output/AreaWalls.h"
#include "output/LayerImages.h"
#include "slicer/LayerCompose.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// 200 x 200 printable pixels of 0.1 mm, two print areas of 100 rows each.
SliceConfig tenthMillimetreGrid() {
    SliceConfig s;
    s.poly2img.pixelX = s.poly2img.pixelY = 200;
    s.poly2img.sizeX = s.poly2img.sizeY = 20;
    s.wall.areaPixels = {100, 100};
    return s;
}

struct Images {
    QImage model, support;
};

Images draw(const SliceConfig& s, const Layer& layer, int32_t k = 0) {
    Poly2Img painter;
    painter.configure(s);
    Images im;
    painter.prepareImage(im.model);
    painter.prepareImage(im.support);
    drawLayerImages(s, painter, layer, k, im.model, im.support);
    return im;
}

// The pixel at plate position (x, y) in mm.
uchar px(const QImage& img, double xMm, double yMm) {
    return img.constScanLine(int32_t(100 - yMm * 10))[int32_t(100 + xMm * 10)];
}

} // namespace

TEST(LayerImages, FillModesPickTheirSlots) {
    SliceJob job;
    job.layers.initLayers(1);
    addPart(job, 0, {rectPath(mm(-4), mm(-4), mm(4), mm(4))}, part_type_t::model, slotArea);
    addPart(job, 0, {rectPath(mm(6), mm(6), mm(8), mm(8))}, part_type_t::support, slotArea);
    Layer& layer = job.layers.layer(0);
    auto& slots = layer.parts[0].islands[0].slots;
    slots.set(5, Region({rectPath(mm(-3), mm(-3), mm(3), mm(3))})); // fill area
    slots.set(6, Region({rectPath(mm(-1), mm(-1), mm(1), mm(1))})); // cells printed as support
    slots.set(8, Region({rectPath(mm(-2), mm(-2), mm(2), mm(2))})); // hollow
    // Model and support values at: shell, fill area, hollow, cell, the support part.
    const double at[5][2] = {{3.5, 0}, {2.5, 0}, {1.5, 0}, {0, 0}, {7, 7}};
    struct Row {
        const char* what;
        bool infill;
        FillType mode;
        uchar model[5], support[5];
    } rows[] = {
        // clang-format off
        {"infill off: slot 0 less slot 8", false, FillType::support, {255, 255, 0, 0, 0}, {0, 0, 0, 0, 255}},
        {"support: cells into the support image", true, FillType::support, {255, 255, 0, 0, 0}, {0, 0, 0, 255, 255}},
        {"supportGrid: fill area less hollow as support", true, FillType::supportGrid, {255, 0, 0, 0, 0}, {0, 255, 0, 0, 255}},
        // clang-format on
    };
    for (const Row& r : rows) {
        SliceConfig s = tenthMillimetreGrid();
        s.infill.enable = r.infill;
        s.infill.fillType = r.mode;
        const Images im = draw(s, layer);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(px(im.model, at[i][0], at[i][1]), r.model[i]) << r.what << ", model at " << i;
            EXPECT_EQ(px(im.support, at[i][0], at[i][1]), r.support[i]) << r.what << ", support at " << i;
        }
    }
}

// A wall ring around the whole plate, model material only in the lower print area: with
// clipOverHeight the walls stop in the finished upper area.
TEST(AreaWalls, WallsStopInAFinishedBand) {
    SliceJob job;
    job.layers.initLayers(1);
    const Paths ring = {rectPath(mm(-9.5), mm(-9.5), mm(9.5), mm(9.5)),
                        rectPath(mm(-9), mm(9), mm(9), mm(-9))};
    addPart(job, 0, {rectPath(mm(-1), mm(-5), mm(1), mm(-3))}, part_type_t::model, slotArea);
    addPart(job, 0, ring, part_type_t::modelWall, slotArea);
    addPart(job, 0, ring, part_type_t::supportWall, slotArea);
    const Layer& layer = job.layers.layer(0);
    struct Row {
        const char* what;
        bool clip, drawModelWall;
        int32_t k;
        bool upperWall;        // walls drawn in the upper area (rows 0..99)
        bool modelWallInModel; // the model wall lands in the model image
    } rows[] = {
        {"clipOverHeight: upper band finished", true, true, 200, false, true},
        {"no clipping: walls over the full height", false, true, 200, true, true},
        {"raft layer without model walls: into the support image", true, false, 3, false, false},
        {"above the raft model walls stay model", true, false, 200, false, true},
    };
    for (const Row& r : rows) {
        SliceConfig s = tenthMillimetreGrid();
        s.wall.clipOverHeight = r.clip;
        s.raft.drawModelWall = r.drawModelWall;
        Images im = draw(s, layer, r.k);
        RowSpan modelRows, supportRows;
        drawAreaWalls(s, layer, r.k, im.model, im.support, modelRows, supportRows);
        EXPECT_EQ(supportRows.first <= int32_t(100 - 9.25 * 10), r.upperWall) << r.what << ": painted rows";
        const QImage& modelWallImage = r.modelWallInModel ? im.model : im.support;
        EXPECT_EQ(px(modelWallImage, -9.25, -5), 255) << r.what << ": lower band, left side";
        EXPECT_EQ(px(im.support, 9.25, -5), 255) << r.what << ": support wall, lower band";
        EXPECT_EQ(px(modelWallImage, -9.25, 5), r.upperWall ? 255 : 0) << r.what << ": upper band";
        EXPECT_EQ(px(im.support, 0, 9.25), r.upperWall ? 255 : 0) << r.what << ": top edge";
        if (!r.modelWallInModel) {
            EXPECT_EQ(px(im.model, -9.25, -5), 0) << r.what;
        }
    }
}
