#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "output/LayerImageFile.h"
#include "output/OutputTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// The T (a 10 x 10 mm column to z = 20, then a 40 x 10 mm bar to z = 25) at 0.05 mm layers on a
// 0.05 mm grid of 1024 x 1024 pixels, with the default raft of 100 layers: 36 stored below the
// model, 64 copies. File 500 is the first with the bar; the bar's arms cover pixel columns 112
// to 411 and 612 to 911, rows 412 to 611.
constexpr int32_t firstModelFile = 100, overhangFile = 500, files = 600;

JobResult runT(const QTemporaryDir& dir, const QString& name, const QByteArray& extra = "",
               const QByteArray& layerHeight = "0.05", const QByteArray& pixels = "1024") {
    return runOnModel(dir.path(), name, sharedModel("analytic/t_overhang.stl"),
                      "[precision]\nlayerHeight = " + layerHeight + "\n" + extra +
                          "[poly2img]\nsizeX = 51.2\nsizeY = 51.2\npixelX = " + pixels +
                          "\npixelY = " + pixels + "\n");
}

LayerBitmap layerFile(const QTemporaryDir& dir, const QString& name, const char* kind, int32_t n) {
    return readLayerImageFile(dir.filePath(QString("%1/%2%3").arg(name).arg(kind).arg(n)));
}

bool inArm(int32_t x, int32_t y) {
    return y >= 411 && y <= 612 && ((x >= 111 && x <= 412) || (x >= 611 && x <= 912));
}

int64_t countIn(const LayerBitmap& b, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    int64_t n = 0;
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) n += b.pixel(x, y);
    return n;
}

} // namespace

// Default settings: posts in the overhang's shadow on every layer below it and on none above,
// one pixel clear of the model, on the 1.2 mm (24 pixel) lattice about the model's centre, a
// solid 1.5 mm skin right under the bar, and support under the whole footprint in the raft.
// A second run writes the same bytes; with clean-solid bands the band's line follows its layer's.
TEST(SupportJob, PostsUnderTheOverhang) {
    if (!QFile::exists(sharedModel("analytic/t_overhang.stl"))) GTEST_SKIP() << "shared models not present";
    QTemporaryDir dir;
    JobResult r = runT(dir, "out");
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    std::vector<int32_t> checked; // every 7th file, and every file around the bar's underside
    for (int32_t n = 0; n < files; n += 7) checked.push_back(n);
    for (int32_t n = overhangFile - 5; n < overhangFile + 5; ++n) checked.push_back(n);
    for (int32_t n : checked) {
        const LayerBitmap model = layerFile(dir, "out", "slice_m", n),
                          support = layerFile(dir, "out", "slice_s", n);
        int64_t set = 0;
        for (int32_t y = 1; y + 1 < 1024; ++y)
            for (int32_t x = 1; x + 1 < 1024; ++x) {
                if (!support.pixel(x, y)) continue;
                ++set;
                if (n >= firstModelFile) {
                    ASSERT_TRUE(inArm(x, y)) << "file " << n << " pixel " << x << "," << y;
                }
                ASSERT_FALSE(model.pixel(x, y) || model.pixel(x - 1, y) || model.pixel(x + 1, y) ||
                             model.pixel(x, y - 1) || model.pixel(x, y + 1))
                    << "support beside the model, file " << n << " pixel " << x << "," << y;
            }
        if (n < overhangFile)
            ASSERT_GT(set, 0) << "file " << n;
        else
            ASSERT_EQ(set, 0) << "file " << n;
    }
    // The raft: support under the column's footprint too.
    EXPECT_GT(countIn(layerFile(dir, "out", "slice_s", 80), 420, 420, 604, 604), 10000);
    // The skin under the bar is solid inside the shell; further down the posts stand apart.
    for (int32_t n : {471, 499})
        EXPECT_EQ(countIn(layerFile(dir, "out", "slice_s", n), 130, 430, 400, 594), 270 * 164) << n;
    const LayerBitmap posts = layerFile(dir, "out", "slice_s", 300);
    EXPECT_LT(countIn(posts, 130, 430, 400, 594), 270 * 164 * 3 / 4);
    int32_t runs = 0;
    for (int32_t x = 130, start = -1; x < 400; ++x) { // row 512 (y = 0) crosses a row of posts
        if (posts.pixel(x, 512) && start < 0) start = x;
        if (!posts.pixel(x, 512) && start >= 0 && start == 130) start = -1; // a post cut by the scan
        if (!posts.pixel(x, 512) && start >= 0) {
            EXPECT_NEAR(((start + x - 1) / 2 - 512 + 24 * 100) % 24, 0, 1)
                << "post centred at " << (start + x) / 2;
            start = -1;
            ++runs;
        }
    }
    EXPECT_GE(runs, 10);

    const QMap<QString, QByteArray> first = jobOutputs(dir.filePath("out"));
    r = runT(dir, "again");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(jobOutputs(dir.filePath("again")) == first) << "two runs, the same bytes";

    // The 20 x 20 mm box at 0.02 mm layers prints 4 x 10^10 square units a layer: bands of
    // ceil(0.8 / 0.02) = 40 layers start every 250 layers at an interval of 0.1.
    r = runOnModel(
        dir.path(), "bands", sharedModel("analytic/box_20x20x10.stl"),
        "[supportCleanSolid]\nenable = true\ninterval = 0.1\n[poly2img]\npixelX = 256\npixelY = 256\n");
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    const QRegularExpression band("slice: (\\d+)/\\d+\nclean-solid: 40\n");
    EXPECT_TRUE(band.match(r.out).hasMatch()) << "a band's line follows its start layer's slice line";
}

// Grid support prints its 1.75 mm (35 pixel) cells; solid support fills the shadow.
TEST(SupportJob, GridAndSolidSupport) {
    if (!QFile::exists(sharedModel("analytic/t_overhang.stl"))) GTEST_SKIP() << "shared models not present";
    QTemporaryDir dir;
    JobResult r = runT(dir, "grid", "[postSupport]\nenable = false\n[gridSupport]\nenable = true\n");
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    const LayerBitmap grid = layerFile(dir, "grid", "slice_s", 300);
    std::vector<int32_t> holes; // the first pixel of every hollow cell along row 512
    for (int32_t x = 140; x < 390; ++x)
        if (!grid.pixel(x, 512) && grid.pixel(x - 1, 512)) holes.push_back(x);
    ASSERT_GE(holes.size(), 5u);
    for (size_t k = 1; k < holes.size(); ++k) EXPECT_NEAR(holes[k] - holes[k - 1], 35, 1);
    EXPECT_NEAR(double(holes.back() - holes.front()) / double(holes.size() - 1), 35.0, 0.3);

    r = runT(dir, "solid", "[solidSupport]\nenable = true\n");
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_EQ(countIn(layerFile(dir, "solid", "slice_s", 300), 114, 414, 410, 610), 296 * 196);
}

// The shared real models slice with infill and the default supports, and those with overhangs
// (the bridge, 3DBenchy) get them.
TEST(SupportJob, RealModelsSliceWithInfillAndSupports) {
    struct Row {
        const char* model;
        bool overhangs;
    };
    for (const Row& row :
         {Row{"real/bridge_test_nonmanifold.stl", true}, Row{"real/3DBenchy.stl", true},
          Row{"real/tolerance_pins_in_holes.stl", false}, Row{"analytic/nested_rings.stl", false}}) {
        if (!QFile::exists(sharedModel(row.model))) GTEST_SKIP() << "shared models not present";
        SCOPED_TRACE(row.model);
        QTemporaryDir dir;
        const JobResult r =
            runOnModel(dir.path(), "out", sharedModel(row.model),
                       "[precision]\nlayerHeight = 0.1\n[infill]\nenable = true\nfillType = rectGrid\n"
                       "[raft]\nlayerCnt = 0\n[poly2img]\npixelX = 1120\npixelY = 891\n");
        ASSERT_EQ(r.status, 0) << r.out.toStdString();
        if (!row.overhangs) continue;
        int64_t support = 0;
        for (int32_t n = 0; QFile::exists(dir.filePath(QString("out/slice_s%1").arg(n))); n += 10)
            support += readLayerImageFile(dir.filePath(QString("out/slice_s%1").arg(n))).countSet();
        EXPECT_GT(support, 1000);
    }
}
