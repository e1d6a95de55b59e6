#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "OutputTestUtil.h"
#include "output/AreaScan.h"
#include "output/Poly2Img.h"
#include "output/WaitTime.h"
#include "slicer/SliceJob.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// A model part with one island whose slot 0 spans y from minY to maxY.
LayerPart modelPartSpanning(int32_t minY, int32_t maxY) {
    Region r;
    r.box = {-1000, minY, 1000, maxY};
    LayerPart part;
    part.islands.emplace_back().slots.set(0, r);
    return part;
}

// The areaInfo text of a scan over the layers top down, as the pre-processing stage runs it.
QByteArray areaInfoOf(SliceJob& job) {
    QTemporaryDir dir;
    AreaScan scan(job.settings, dir.path());
    for (int32_t k = job.layers.layerCount() - 1; k >= 0; --k) scan.scanLayer(job.layers.layer(k), k);
    scan.write();
    return fileBytes(dir.filePath("areaInfo"));
}

} // namespace

TEST(WaitTime, AreaMapsToInterpolatedTime) {
    const std::vector<int32_t> a = {300, 360, 810, 900}, t = {0, 500, 1500, 2000};
    // Below the first area, half way to the second, exactly a(1), half way from 360 to 810, the last
    // area, beyond it, and truncation (502.2).
    const std::pair<float, int32_t> rows[] = {{0, 0},      {330, 250},  {360, 500}, {585, 1000},
                                              {900, 2000}, {1e6, 2000}, {361, 502}};
    for (const auto& [area, time] : rows) EXPECT_EQ(waitTimeForArea(area, a, t), time) << area;
    // Lists of different lengths pair element by element; the longer list's extra elements go unused.
    EXPECT_EQ(waitTimeForArea(5000, a, {0, 500}), 500) << "times shorter: the last pair wins";
    EXPECT_EQ(waitTimeForArea(5000, {300}, {7, 8, 9}), 7) << "areas shorter";
    EXPECT_EQ(waitTimeForArea(5000, {300, 360}, {}), 0) << "no times at all";
    EXPECT_EQ(waitTimeForArea(5000, {}, {5}), 0) << "no areas at all";
}

// Model and support combine into one image, grown by half the margin; the largest region of
// edge neighbours at or above 128 counts.
TEST(WaitTime, LayerTimeFromCombinedAndGrownImages) {
    SliceConfig s;
    s.poly2img.pixelX = s.poly2img.pixelY = 256;
    s.poly2img.sizeX = s.poly2img.sizeY = 25.6f; // 0.1 mm pixels: 0.01 mm² each
    s.waitTime.enable = true;
    s.waitTime.areas = {0, 100};
    s.waitTime.times = {0, 10000};
    QImage model = grayImage(256, 256);
    QImage support = grayImage(256, 256);
    // Model 20 x 10 pixels and support 20 x 10 right below: 400 pixels = 4 mm².
    for (int32_t y = 50; y < 70; ++y)
        for (int32_t x = 50; x < 70; ++x) (y < 60 ? model : support).scanLine(y)[x] = 255;
    support.scanLine(70)[70] = 255; // diagonal neighbour: a region of its own
    model.scanLine(49)[50] = 127;   // not material
    WaitTimeReport report("unused");
    s.waitTime.margin = 0.0f;
    EXPECT_EQ(report.layerTime(s, model, support), 400) << "no growth: 4 mm² of 100 mm²";
    s.waitTime.margin = 0.2f; // grown by 1 pixel: 22 x 22 less the 4 corners, joined by the diagonal pixel
    EXPECT_EQ(report.layerTime(s, model, support), 483);
    s.waitTime.enable = false;
    EXPECT_EQ(report.layerTime(s, model, support), 0);
}

// Layers per number of areas in use, from each area's top layer and the raft layers below.
TEST(AreaScan, CountsPerNumberOfAreasInUse) {
    using Counts = std::vector<int32_t>;
    EXPECT_EQ(layersPerAreaCount({250, 100, 0}, 11), (Counts{150, 111, 0}))
        << "raft joins the most areas in use";
    EXPECT_EQ(layersPerAreaCount({40, 40, 40}, 5), (Counts{0, 0, 45})) << "all areas to the same height";
    EXPECT_EQ(layersPerAreaCount({0, 0, 0}, 11), (Counts{0, 0, 0})) << "no model: nothing is added";
}

TEST(AreaScan, ScansTopDownAndWritesTheReport) {
    SliceJob job;
    job.settings.raft.layerCnt = 100; // 11 extra raft layers with the defaults
    job.layers.initLayers(301);
    // Middle area only ([-371360, 371360)), layers 0 to 300.
    for (int32_t k = 0; k <= 300; ++k)
        job.layers.layer(k).parts.push_back(modelPartSpanning(-100000, 100000));
    // A wall in the top area does not count; a model touching the lowest area's top edge does not either.
    LayerPart wall = modelPartSpanning(500000, 600000);
    wall.type = part_type_t::modelWall;
    job.layers.layer(200).parts.push_back(wall);
    job.layers.layer(150).parts.push_back(modelPartSpanning(-371360, -371360 + 5));
    EXPECT_EQ(areaInfoOf(job), "[general]\nlayerCntArea1 = 312\nlayerCntArea2 = 0\nlayerCntArea3 = 0\n");
}

TEST(AreaScan, BoxReachingIntoAnAreaCountsFromItsLowerEdge) {
    SliceJob job;
    job.settings.raft.layerCnt = 0;
    job.layers.initLayers(3);
    job.layers.layer(2).parts.push_back(modelPartSpanning(-400000, -371360)); // maxY on b(1): areas 1 and 2
    job.layers.layer(0).parts.push_back(modelPartSpanning(371359, 371359));   // just below b(2): area 2
    EXPECT_EQ(areaInfoOf(job), "[general]\nlayerCntArea1 = 0\nlayerCntArea2 = 3\nlayerCntArea3 = 0\n");
}
