#include <gtest/gtest.h>

#include <chrono>

#include <QDir>
#include <QTemporaryDir>

#include "OutputTestUtil.h"
#include "output/ImgProcThd.h"
#include "output/LayerFile.h"
#include "output/Poly2Img.h"
#include "output/SupportGap.h"
#include "slicer/LayerCompose.h"

using namespace Voxmill;
using namespace Voxmill::test;

namespace {

// Default settings on a 256 x 256 grid (one print area), raft.layerCnt 100:
// 89 raft layers in the store, 11 written as copies.
SliceConfig smallGrid() {
    SliceConfig s;
    s.poly2img.pixelX = 256;
    s.poly2img.pixelY = 256;
    s.normalise();
    return s;
}

struct Imaging {
    std::string out; // the captured console text
    bool failed;
    int32_t imaged, lastPosted;
};

// The main thread's side of the hand-off, as the output stage drives it.
Imaging runImaging(SliceJob& job, const QString& dir, int32_t cleanSolid = -1) {
    Imaging r{"", false, 0, -1};
    testing::internal::CaptureStdout();
    {
        ImgProcThd thd(job, dir);
        thd.start();
        for (int32_t i = 0; i < job.layers.layerCount(); ++i) {
            if (i == cleanSolid) thd.markCleanSolid(i);
            thd.post(r.lastPosted = i);
            if (!thd.waitForLead()) break;
        }
        thd.join();
        r.failed = thd.failed();
        r.imaged = thd.imagedLayer();
    }
    r.out = testing::internal::GetCapturedStdout();
    return r;
}

int32_t countFiles(const QString& dir, const char* prefix) {
    return QDir(dir).entryList({QString(prefix) + "*"}, QDir::Files).size();
}

} // namespace

// Raft copies and the first wait-time line replace files of an earlier job.
TEST(ImgProcThd, WritesEveryLayerWithRaftCopiesAndProgressLines) {
    QTemporaryDir dir;
    SliceJob job;
    job.settings = smallGrid();
    job.layers.initLayers(3);
    for (const char* stale : {"slice_s4", "waitTime"}) {
        QFile f(dir.filePath(stale));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("stale\n");
    }
    const Imaging r = runImaging(job, dir.path(), 1);
    EXPECT_FALSE(r.failed);

    std::string expected;
    for (int32_t j = 0; j <= 13; ++j) {
        expected += "slice: " + std::to_string(j) + "/13\n";
        if (j == 12) expected += "clean-solid: 40\n"; // layer 1 = file 12; 0.8 mm of 0.02 mm layers
    }
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(countFiles(dir.path(), "slice_m"), 14);
    EXPECT_EQ(countFiles(dir.path(), "slice_s"), 14);
    for (int32_t n = 0; n < 14; ++n)
        for (const char* kind : {"slice_m", "slice_s"}) {
            const LayerBitmap b = readLayerFile(dir.filePath(kind + QString::number(n)));
            EXPECT_EQ(b.width, 256u);
            EXPECT_EQ(b.height, 256u);
            EXPECT_EQ(b.countSet(), 0);
            EXPECT_EQ(bytesOf(dir.filePath(kind + QString::number(n))),
                      bytesOf(dir.filePath(kind + QString::number(std::max(n, 11)))));
        }
    EXPECT_EQ(bytesOf(dir.filePath("waitTime")), "waitXTimeout0 = 0\nwaitXTimeout1 = 0\nwaitXTimeout2 = 0\n");
}

TEST(ImgProcThd, NoRaftCopiesOrNoLayers) {
    struct Row {
        int32_t raftLayers, layers;
        const char* out;
        int32_t files;
    } rows[] = {
        {0, 2, "slice: 0/1\nslice: 1/1\n", 2}, // raft.layerCnt 0: no copies
        {100, 0, "", 0},                       // empty store: ends at once
    };
    for (const Row& row : rows) {
        QTemporaryDir dir;
        SliceJob job;
        job.settings = smallGrid();
        job.settings.raft.layerCnt = row.raftLayers;
        job.layers.initLayers(row.layers);
        const Imaging r = runImaging(job, dir.path());
        EXPECT_FALSE(r.failed);
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(countFiles(dir.path(), "slice_m"), row.files);
        EXPECT_EQ(countFiles(dir.path(), "slice_s"), row.files);
    }
}

// A layer file that cannot be written ends the thread with its message and
// failed() set; the main thread's wait sees it; earlier layers stay whole.
TEST(ImgProcThd, UnwritableLayerFileFailsTheThreadAndKeepsEarlierLayers) {
    QTemporaryDir dir;
    SliceJob job;
    job.settings = smallGrid();
    job.layers.initLayers(10);
    ASSERT_TRUE(QDir(dir.path()).mkdir("slice_s14")); // layer 3
    const Imaging r = runImaging(job, dir.path());
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.imaged, 2);
    EXPECT_LE(r.lastPosted, 4) << "the main thread stops within the allowed lead";
    // The thread's message is the one line after the last layer it finished.
    const size_t last = r.out.find("slice: 13/20\n");
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(r.out.find("slice: 14/20"), std::string::npos);
    const std::string tail = r.out.substr(last + 13);
    EXPECT_GT(tail.size(), 1u);
    EXPECT_EQ(tail.find('\n'), tail.size() - 1) << tail;
    for (int32_t n = 0; n <= 13; ++n)
        EXPECT_NO_THROW(readLayerFile(dir.filePath(QString("slice_s%1").arg(n))));
    EXPECT_NO_THROW(readLayerFile(dir.filePath("slice_m14")))
        << "the model file of the failing layer was complete";
    EXPECT_FALSE(QFile::exists(dir.filePath("slice_m15")));
}

TEST(ImgProcThd, StopRequestEndsAThreadWaitingForPosts) {
    QTemporaryDir dir;
    SliceJob job;
    job.settings = smallGrid();
    job.layers.initLayers(50);
    testing::internal::CaptureStdout();
    const auto start = std::chrono::steady_clock::now();
    {
        ImgProcThd thd(job, dir.path());
        thd.start();
        thd.post(0);
        ASSERT_TRUE(thd.waitForLead());
        // The main thread fails here: the destructor stops and joins.
    }
    testing::internal::GetCapturedStdout();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(QFile::exists(dir.filePath("slice_m13")));
}

// Parts are dropped releaseLag layers behind the imaged layer; the stagger
// follows the stored-layer index, not the file number (11 raft copies first).
TEST(ImgProcThd, ReleasesPartsBehindAndStaggersByStoredIndex) {
    QTemporaryDir dir;
    SliceJob job;
    job.settings = smallGrid();
    job.settings.poly2img.staggered = true;
    const int32_t lag = releaseLag(job.settings);
    ASSERT_EQ(lag, 5);
    job.layers.initLayers(8);
    // 1 mm squares whose edges sit half a pixel from a pixel boundary.
    const int64_t e = 10000 * 280 / 256 / 2;
    for (int32_t k = 0; k < 8; ++k)
        addPart(job, k, {rectPath(e, e, e + 100000, e + 100000)}, part_type_t::model, 0);
    EXPECT_FALSE(runImaging(job, dir.path()).failed);
    for (int32_t k = 0; k < 8; ++k)
        EXPECT_EQ(job.layers.layer(k).parts.size(), k < 8 - lag ? 0u : 1u) << k;
    const LayerBitmap even = readLayerFile(dir.filePath("slice_m11"));
    EXPECT_GT(even.countSet(), 0);
    EXPECT_EQ(readLayerFile(dir.filePath("slice_m13")).bits, even.bits);
    EXPECT_NE(readLayerFile(dir.filePath("slice_m12")).bits, even.bits);
}

// The image thread clears only the rows it painted before; a layer after a
// larger one must not keep any of the larger layer's pixels.
TEST(ImgProcThd, LayerFilesMatchFreshlyDrawnImages) {
    QTemporaryDir dir;
    SliceJob job;
    job.settings = smallGrid();
    job.settings.raft.layerCnt = 0;
    job.layers.initLayers(6);
    const int64_t sizes[] = {900000, 100000, 500000, 0, 1200000, 300000}; // half-widths, 0: empty layer
    for (int32_t k = 0; k < 6; ++k) {
        const int64_t h = sizes[k];
        if (h > 0)
            addPart(job, k, {{{-h, -h / 2}, {h, -h / 3}, {h / 2, h}, {-h, h / 4}}}, part_type_t::model, 0);
        addPart(job, k, {{{-h - 50000, -h}, {h, -h - 50000}, {h + 50000, h}, {-h, h}}}, part_type_t::support,
                0);
    }
    std::vector<std::vector<uint8_t>> expected; // model and support bits per layer
    for (int32_t k = 0; k < 6; ++k) {
        Poly2Img p;
        p.configure(job.settings);
        QImage model, support, bits;
        p.prepareImage(model);
        p.prepareImage(support);
        p.drawParts(job.layers.layer(k), k, model, part_type_t::model);
        p.drawParts(job.layers.layer(k), k, support, part_type_t::support);
        supportGap(model, support, job.settings.poly2img.supportGapPixel, {0, model.height()});
        for (const QImage* img : {&model, &support}) {
            packBits(*img, bits);
            expected.emplace_back(bits.constBits(), bits.constBits() + bits.sizeInBytes());
        }
    }
    EXPECT_FALSE(runImaging(job, dir.path()).failed);
    for (int32_t k = 0; k < 6; ++k) {
        const LayerBitmap s = readLayerFile(dir.filePath(QString("slice_s%1").arg(k)));
        EXPECT_EQ(readLayerFile(dir.filePath(QString("slice_m%1").arg(k))).bits, expected[size_t(2 * k)])
            << "model " << k;
        EXPECT_EQ(s.bits, expected[size_t(2 * k + 1)]) << "support " << k;
        EXPECT_GT(s.countSet(), 0) << k;
    }
}
