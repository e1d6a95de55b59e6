#include "output/LayerImager.h"

#include <chrono>
#include <cstring>
#include <stdexcept>

#include <QFile>

#include "base/VirtualFile.h"
#include "output/AreaWalls.h"
#include "output/LayerImages.h"
#include "output/SupportGap.h"

namespace Voxmill {

namespace {

using Clock = std::chrono::steady_clock;

void clearRows(QImage& image, RowSpan span) {
    for (int32_t y = span.first; y < span.end; ++y)
        std::memset(image.scanLine(y), 0, size_t(image.bytesPerLine()));
}

// Adds the time since start to total and restarts the clock.
void lap(Clock::time_point& start, int64_t& total) {
    const Clock::time_point now = Clock::now();
    total += std::chrono::duration_cast<std::chrono::nanoseconds>(now - start).count();
    start = now;
}

// Qt's texts for a failed remove or copy name no file: the message leads
// with the layer file that could not be made.
std::runtime_error fileFault(const QString& target, const QFile& file) {
    return std::runtime_error(toLocal8(target) + ": " + toLocal8(file.errorString()));
}

} // namespace

LayerImager::LayerImager(SliceJob& job, const QString& outputDir)
    : job_(job), outputDir_(outputDir), waitTime_(outputDir) {
    painter_.configure(job.settings);
    rows_ = {{0, painter_.height()}, {0, painter_.height()}};
}

void LayerImager::clearImages() {
    for (auto [image, span] :
         {std::make_pair(&model_, rows_.model), std::make_pair(&support_, rows_.support)}) {
        if (image->size() == QSize(painter_.width(), painter_.height())) {
            clearRows(*image, span);
            continue;
        }
        *image = QImage();
        painter_.prepareImage(*image);
    }
}

void LayerImager::image(int32_t k) {
    const SliceConfig& s = job_.settings;
    const Layer& layer = job_.layers.layer(k);
    Clock::time_point t = Clock::now();
    clearImages();
    rows_ = drawLayerImages(s, painter_, layer, k, model_, support_);
    lap(t, times_.rasteriseNs);
    supportGap(model_, support_, s.poly2img.supportGapPixel, rows_.model);
    lap(t, times_.supportGapNs);
    drawAreaWalls(s, layer, k, model_, support_, rows_.model, rows_.support);
    lap(t, times_.wallsNs);
    waitTime_.append(k, waitTime_.layerTime(s, model_, support_));
    lap(t, times_.waitTimeNs);
    writeFiles(k);
    ++times_.layers;
}

QString LayerImager::layerPath(const char* kind, int32_t number) const {
    return outputDir_ + QLatin1Char('/') + QLatin1String(kind) + QString::number(number);
}

// Deflate is most of a layer's work: the model bitmap is compressed on the
// helper while this thread packs and compresses the support bitmap. The
// files are then written in their usual order.
void LayerImager::writeFiles(int32_t k) {
    const int32_t number = extraRaftLayers(job_.settings) + k;
    const QString model = layerPath("slice_m", number);
    const QString support = layerPath("slice_s", number);
    Clock::time_point t = Clock::now();
    packBits(model_, modelBits_, rows_.model);
    lap(t, times_.packNs);
    compressor_.start([this] { modelWriter_.compress(modelBits_); });
    packBits(support_, supportBits_, rows_.support);
    lap(t, times_.packNs);
    try {
        supportWriter_.compress(supportBits_);
    } catch (...) {
        compressor_.wait(); // the helper reads modelBits_: done before leaving
        throw;
    }
    compressor_.wait();
    lap(t, times_.compressWallNs);
    times_.compressNs += modelWriter_.lastTimes().compressNs + supportWriter_.lastTimes().compressNs;
    modelWriter_.writeFile(model, modelBits_.width(), modelBits_.height());
    supportWriter_.writeFile(support, supportBits_.width(), supportBits_.height());
    times_.writeNs += modelWriter_.lastTimes().writeNs + supportWriter_.lastTimes().writeNs;
    if (k == 0) copyRaftFiles(model, support);
}

// The raft below the stored layers prints the first stored layer again.
void LayerImager::copyRaftFiles(const QString& model, const QString& support) const {
    const int32_t extra = extraRaftLayers(job_.settings);
    for (int32_t j = 0; j < extra; ++j) {
        for (const auto& [source, kind] :
             {std::make_pair(model, "slice_m"), std::make_pair(support, "slice_s")}) {
            const QString target = layerPath(kind, j);
            QFile old(target);
            if (old.exists() && !old.remove()) throw fileFault(target, old);
            QFile file(source);
            if (!file.copy(target)) throw fileFault(target, file);
        }
    }
}

} // namespace Voxmill
