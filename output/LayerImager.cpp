#include "output/LayerImager.h"

#include <chrono>

#include "output/AreaWalls.h"
#include "output/LayerImageMemo.h"
#include "output/SupportGap.h"

namespace Voxmill {

namespace {

using Clock = std::chrono::steady_clock;

// Adds the time since start to total and restarts the clock.
void lap(Clock::time_point& start, int64_t& total) {
    const Clock::time_point now = Clock::now();
    total += std::chrono::duration_cast<std::chrono::nanoseconds>(now - start).count();
    start = now;
}

} // namespace

LayerImager::LayerImager(SliceJob& job, LayerImageMemo* memo) : job_(job), memo_(memo), waitTime_(QString()) {
    painter_.configure(job.settings);
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

void LayerImager::image(int32_t k, ImagedLayer& out) {
    const SliceConfig& s = job_.settings;
    const Layer& layer = job_.layers.layer(k);
    Clock::time_point t = Clock::now();
    LayerImageMemo::Key key;
    if (memo_) {
        key = memo_->keyOf(layer, {painter_.rowShift(k), k < storeRaftLayers(s)});
        if (memo_->find(key, out)) {
            lap(t, times_.rasteriseNs);
            ++times_.layers;
            return;
        }
    }
    clearImages();
    rows_ = drawLayerImages(s, painter_, layer, k, model_, support_);
    lap(t, times_.rasteriseNs);
    supportGap(model_, support_, s.poly2img.supportGapPixel, rows_.model);
    lap(t, times_.supportGapNs);
    drawAreaWalls(s, layer, k, model_, support_, rows_.model, rows_.support);
    lap(t, times_.wallsNs);
    out.waitTime = waitTime_.layerTime(s, model_, support_);
    lap(t, times_.waitTimeNs);
    compress(out);
    if (memo_) memo_->keep(key, out);
    ++times_.layers;
}

// Deflate is most of a layer's work; the workers share it out by layers.
void LayerImager::compress(ImagedLayer& out) {
    Clock::time_point t = Clock::now();
    packBits(model_, modelBits_, rows_.model, packedRows_.model);
    packBits(support_, supportBits_, rows_.support, packedRows_.support);
    packedRows_ = rows_;
    lap(t, times_.packNs);
    modelWriter_.compress(modelBits_, out.model);
    supportWriter_.compress(supportBits_, out.support);
    times_.compressNs += modelWriter_.lastTimes().compressNs + supportWriter_.lastTimes().compressNs;
}

} // namespace Voxmill
