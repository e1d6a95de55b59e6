#include <gtest/gtest.h>

#include <chrono>

#include <QDir>
#include <QTemporaryDir>

#include "OutputTestUtil.h"
#include "output/ImgProcThd.h"
#include "output/LayerImageFile.h"
#include "output/Poly2Img.h"
#include "output/SupportGap.h"
#include "slicer/LayerCompose.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// Default settings on a 256 x 256 grid (one print area), raft.layerCnt 100: 89 raft layers
// in the store, 11 written as copies.
void smallGrid(SliceJob& job, int32_t layers) {
    job.settings.poly2img.pixelX = job.settings.poly2img.pixelY = 256;
    job.settings.normalise();
    job.layers.initLayers(layers);
}

// The main thread's side of the hand-off, as the output stage drives it; the console text.
// The thread must not fail unless failed is given to hold whether it did.
std::string runImaging(SliceJob& job, const QString& dir, int32_t cleanSolid = -1, int32_t workers = 1,
                       bool* failed = nullptr) {
    testing::internal::CaptureStdout();
    {
        ImgProcThd thd(job, dir, workers);
        thd.start();
        for (int32_t i = 0; i < job.layers.layerCount(); ++i) {
            if (i == cleanSolid) thd.markCleanSolid(i);
            thd.post(i);
            if (!thd.waitForLead()) break;
        }
        thd.join();
        if (failed)
            *failed = thd.failed();
        else
            EXPECT_FALSE(thd.failed());
    }
    return testing::internal::GetCapturedStdout();
}

int32_t countFiles(const QString& dir, const char* prefix) {
    return QDir(dir).entryList({QString(prefix) + "*"}, QDir::Files).size();
}

} // namespace

// The main thread fails while the image thread waits for posts: the destructor stops and joins it.
TEST(ImgProcThd, StopRequestEndsAThreadWaitingForPosts) {
    QTemporaryDir dir;
    SliceJob job;
    smallGrid(job, 50);
    testing::internal::CaptureStdout();
    const auto start = std::chrono::steady_clock::now();
    {
        ImgProcThd thd(job, dir.path());
        thd.start();
        thd.post(0);
        ASSERT_TRUE(thd.waitForLead());
    }
    testing::internal::GetCapturedStdout();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(QFile::exists(dir.filePath("slice_m13")));
}

// Parts are dropped releaseLag layers behind the imaged layer; the stagger follows the
// stored-layer index, not the file number (11 raft copies first).
TEST(ImgProcThd, ReleasesPartsBehindAndStaggersByStoredIndex) {
    QTemporaryDir dir;
    SliceJob job;
    smallGrid(job, 8);
    job.settings.poly2img.staggered = true;
    const int32_t lag = releaseLag(job.settings);
    ASSERT_EQ(lag, 5);
    const int64_t e = 10000 * 280 / 256 / 2; // 1 mm squares, edges half a pixel off a boundary
    for (int32_t k = 0; k < 8; ++k)
        addPart(job, k, {rectPath(e, e, e + 100000, e + 100000)}, part_type_t::model, slotArea);
    runImaging(job, dir.path());
    for (int32_t k = 0; k < 8; ++k) EXPECT_EQ(job.layers.layer(k).parts.size(), k < 8 - lag ? 0u : 1u) << k;
    const LayerBitmap even = readLayerImageFile(dir.filePath("slice_m11"));
    EXPECT_GT(even.countSet(), 0);
    EXPECT_EQ(readLayerImageFile(dir.filePath("slice_m13")).bits, even.bits);
    EXPECT_NE(readLayerImageFile(dir.filePath("slice_m12")).bits, even.bits);
}

// An image worker clears only the rows it painted before: a layer after a larger one must not
// keep any of its pixels. Raft copies come first; the files and first wait-time line replace an
// earlier job's. Several workers write the same files and lines, in the same order.
TEST(ImgProcThd, LayerFilesMatchFreshlyDrawnImagesAfterRaftCopies) {
    // raft 100: 11 copies of the first stored layer; raft 0: none
    for (const auto& [raft, workers] :
         {std::make_pair(100, 1), std::make_pair(0, 1), std::make_pair(100, 3)}) {
        SCOPED_TRACE(workers);
        QTemporaryDir dir;
        SliceJob job;
        constexpr int32_t layers = 12;
        smallGrid(job, layers);
        job.settings.raft.layerCnt = raft;
        // Half-widths, 0: empty. The last layers repeat, so that some are taken from the
        // layers met before, and a drawn layer follows them.
        const int64_t sizes[layers] = {900000,  100000, 500000,  0,      1200000, 300000,
                                       1200000, 300000, 1200000, 300000, 1200000, 100000};
        for (int32_t k = 0; k < layers; ++k) {
            const int64_t h = sizes[k];
            if (h > 0)
                addPart(job, k, {{{-h, -h / 2}, {h, -h / 3}, {h / 2, h}, {-h, h / 4}}}, part_type_t::model,
                        slotArea);
            addPart(job, k, {{{-h - 50000, -h}, {h, -h - 50000}, {h + 50000, h}, {-h, h}}},
                    part_type_t::support, slotArea);
        }
        std::vector<std::vector<uint8_t>> expected; // model and support bits per layer
        for (int32_t k = 0; k < layers; ++k) {
            Poly2Img p;
            p.configure(job.settings);
            QImage model, support, bits;
            p.prepareImage(model);
            p.prepareImage(support);
            p.drawParts(job.layers.layer(k), k, model, part_type_t::model);
            p.drawParts(job.layers.layer(k), k, support, part_type_t::support);
            supportGap(model, support, job.settings.poly2img.supportGapPixel, {0, model.height()});
            ASSERT_GT(countAtLeast(support, 128), 0) << k;
            for (const QImage* img : {&model, &support}) {
                packBits(*img, bits);
                expected.emplace_back(bits.constBits(), bits.constBits() + bits.sizeInBytes());
            }
        }
        for (const char* stale : {"slice_s4", "waitTime"})
            VoxmillTest::writeFile(dir.filePath(stale), "stale\n");
        const std::string printed = runImaging(job, dir.path(), 1, workers);
        const int32_t copies = raft ? 11 : 0, last = copies + layers - 1;
        std::string out;
        for (int32_t j = 0; j <= last; ++j) {
            out += "slice: " + std::to_string(j) + "/" + std::to_string(last) + "\n";
            if (j == copies + 1) out += "clean-solid: 40\n"; // 0.8 mm of 0.02 mm layers
        }
        EXPECT_EQ(printed, out);
        EXPECT_EQ(countFiles(dir.path(), "slice_m"), last + 1);
        EXPECT_EQ(countFiles(dir.path(), "slice_s"), last + 1);
        for (int32_t n = 0; n <= last; ++n)
            for (int32_t kind = 0; kind < 2; ++kind) {
                const int32_t k = std::max(0, n - copies);
                const QString name = kind ? "slice_s%1" : "slice_m%1", file = dir.filePath(name.arg(n));
                EXPECT_EQ(readLayerImageFile(file).bits, expected[size_t(2 * k + kind)])
                    << file.toStdString();
                EXPECT_EQ(fileBytes(file), fileBytes(dir.filePath(name.arg(copies + k))))
                    << file.toStdString();
            }
        QByteArray waits;
        for (int32_t k = 0; k < layers; ++k)
            waits += QByteArray("waitXTimeout") + QByteArray::number(k) + " = 0\n";
        EXPECT_EQ(fileBytes(dir.filePath("waitTime")), waits);
    }
}

// A worker fails on layer 3 (outside the store's window) while others image the layers around
// it: the layers below are written, complete, then the fault is printed and nothing above.
TEST(ImgProcThd, WorkerFaultEndsTheThreadAfterTheLayersBelow) {
    QTemporaryDir dir;
    SliceJob job;
    smallGrid(job, 8);
    job.settings.raft.layerCnt = 0;
    job.layers.setWindow(0, 3);
    bool failed = false;
    EXPECT_EQ(runImaging(job, dir.path(), -1, 3, &failed),
              "slice: 0/7\nslice: 1/7\nslice: 2/7\ninvalid layer index.\n");
    EXPECT_TRUE(failed);
    EXPECT_EQ(countFiles(dir.path(), "slice_m"), 3);
    EXPECT_EQ(countFiles(dir.path(), "slice_s"), 3);
    EXPECT_EQ(readLayerImageFile(dir.filePath("slice_s2")).countSet(), 0);
}
