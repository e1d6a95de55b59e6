#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "output/LayerImageFile.h"
#include "output/OutputTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// The program with 0.05 mm layers on a 0.05 mm grid of 1024 x 1024 pixels, no raft and no
// supports, and the given infill lines; its output in dir/name.
JobResult runInfillJob(const QTemporaryDir& dir, const char* model, const QByteArray& infill,
                       const QString& name = "out") {
    return runOnModel(dir.path(), name, sharedModel(model),
                      "[precision]\nlayerHeight = 0.05\n[infill]\nenable = true\n" + infill +
                          "[postSupport]\nenable = false\n[raft]\nlayerCnt = 0\n"
                          "[poly2img]\nsizeX = 51.2\nsizeY = 51.2\npixelX = 1024\npixelY = 1024\n");
}

LayerBitmap layerFile(const QTemporaryDir& dir, const char* kind, int32_t n) {
    return readLayerImageFile(dir.filePath(QString("out/%1%2").arg(kind).arg(n)));
}

// The runs of equal pixels along image row y from x0 to x1: (first pixel, length, set).
struct PixelRun {
    int32_t first, length;
    bool set;
};
std::vector<PixelRun> runsAlong(const LayerBitmap& b, int32_t y, int32_t x0, int32_t x1) {
    std::vector<PixelRun> runs;
    for (int32_t x = x0; x < x1; ++x) {
        if (runs.empty() || runs.back().set != b.pixel(x, y)) runs.push_back({x, 0, b.pixel(x, y)});
        ++runs.back().length;
    }
    return runs;
}

} // namespace

// The 20 x 20 x 10 mm box (pixels 312 to 711 in both directions): a 1 mm (20 pixel) shell,
// 1 mm cells at a 1.25 mm (25 pixel) pitch, solid skins of 1.5 mm (30 layers), the cells
// closing under the top. A second run writes the same bytes.
TEST(InfillJob, BoxPrintsShellCellsAndSkins) {
    if (!QFile::exists(sharedModel("analytic/box_20x20x10.stl"))) GTEST_SKIP() << "shared models not present";
    QTemporaryDir dir;
    JobResult r = runInfillJob(dir, "analytic/box_20x20x10.stl", "fillType = rectGrid\n");
    ASSERT_EQ(r.status, 0) << r.out.toStdString();

    // From the left: background, the shell, a cell cut by the shell, then whole cells. The
    // painter's outline takes a pixel from every white edge.
    const std::vector<PixelRun> row = runsAlong(layerFile(dir, "slice_m", 100), 512, 300, 724);
    ASSERT_EQ(row.size(), 33u);
    EXPECT_EQ(row[1].first, 313);
    EXPECT_NEAR(row[1].length, 20, 1) << "the shell";
    EXPECT_NEAR(row[31].length, 20, 1);
    for (size_t k = 4; k < 30; k += 2) {
        ASSERT_FALSE(row[k].set);
        EXPECT_NEAR(row[k].length, 20, 1) << "cell at pixel " << row[k].first;
        EXPECT_EQ(row[k + 2].first - row[k].first, 25) << "pitch after pixel " << row[k].first;
    }
    EXPECT_EQ(row[16].first + row[16].length / 2, 512) << "a cell on the box centre";

    const int64_t solid = layerFile(dir, "slice_m", 0).countSet();
    for (int32_t n : {29, 170, 199}) EXPECT_EQ(layerFile(dir, "slice_m", n).countSet(), solid) << n;
    int64_t below = layerFile(dir, "slice_m", 150).countSet();
    EXPECT_LT(below, solid / 2);
    for (int32_t n = 151; n < 170; ++n) {
        const int64_t set = layerFile(dir, "slice_m", n).countSet();
        EXPECT_GE(set, below) << "closing under the top, layer " << n;
        below = set;
    }
    EXPECT_GT(below, solid * 95 / 100);

    const QMap<QString, QByteArray> first = jobOutputs(dir.filePath("out"));
    r = runInfillJob(dir, "analytic/box_20x20x10.stl", "fillType = rectGrid\n", "again");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(jobOutputs(dir.filePath("again")) == first) << "two runs, the same bytes";
}

// Fill type "support": the model image holds the 1 mm shell, the interior is support material.
TEST(InfillJob, SupportFillPrintsTheInteriorInSupport) {
    if (!QFile::exists(sharedModel("analytic/box_20x20x10.stl"))) GTEST_SKIP() << "shared models not present";
    QTemporaryDir dir;
    const JobResult r = runInfillJob(dir, "analytic/box_20x20x10.stl", "fillType = support\n");
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    const std::vector<PixelRun> model = runsAlong(layerFile(dir, "slice_m", 100), 512, 300, 724);
    ASSERT_EQ(model.size(), 5u);
    EXPECT_NEAR(model[1].length, 20, 1);
    EXPECT_NEAR(model[3].length, 20, 1);
    EXPECT_FALSE(model[2].set);
    const std::vector<PixelRun> support = runsAlong(layerFile(dir, "slice_s", 100), 512, 300, 724);
    ASSERT_EQ(support.size(), 3u);
    EXPECT_TRUE(support[1].set);
    // One pixel of gap on each side of the model (supportGapPixel 1).
    EXPECT_EQ(support[1].first, model[2].first + 1);
    EXPECT_EQ(support[1].length, model[2].length - 2);
    EXPECT_EQ(layerFile(dir, "slice_s", 10).countSet(), 0) << "the bottom skin is model material";
}
