#include "output/LayerImageMemo.h"

#include <cmath>

#include <QCryptographicHash>

namespace Voxmill {

namespace {

// Imaged layers kept (their compressed bitmaps: tens of kilobytes for a
// lattice layer, whose repeats come within a few dozen layers).
constexpr size_t maxKeptBytes = size_t(16) << 20;

// Feeds every byte the layer's drawing depends on to add(data, size): the
// layer number's effects, then every part's type and every island's slots,
// each with its counts so that no two layers give the same stream.
template <class Add> void layerBytes(const Layer& layer, LayerImageMemo::Drawn drawn, Add add) {
    const int64_t head[] = {int64_t(std::lround(drawn.rowShift * 2)), drawn.raftLayer, layer.thickness,
                            int64_t(layer.parts.size())};
    add(head, sizeof head);
    for (const LayerPart& part : layer.parts) {
        const int64_t partHead[] = {int64_t(part.type), int64_t(part.islands.size())};
        add(partHead, sizeof partHead);
        for (const Island& island : part.islands) {
            const int64_t islandHead = int64_t(island.slots.size());
            add(&islandHead, sizeof islandHead);
            for (const auto& [slot, region] : island.slots) {
                const int64_t slotHead[] = {int64_t(slot), int64_t(region.paths.size())};
                add(slotHead, sizeof slotHead);
                for (const Path& path : region.paths) {
                    const int64_t n = int64_t(path.size());
                    add(&n, sizeof n);
                    add(path.data(), path.size() * sizeof(IntPoint));
                }
            }
        }
    }
}

size_t imagedBytes(const ImagedLayer& l) { return l.model.outer.size() + l.support.outer.size() + 256; }

} // namespace

LayerImageMemo::Key LayerImageMemo::keyOf(const Layer& layer, Drawn drawn) {
    static_assert(sizeof(IntPoint) == 16, "points are hashed as two 64-bit words");
    QCryptographicHash sha(QCryptographicHash::Sha1);
    layerBytes(layer, drawn, [&](const void* data, size_t size) {
        sha.addData(static_cast<const char*>(data), int(size));
    });
    return {sha.result()};
}

bool LayerImageMemo::find(const Key& key, ImagedLayer& out) {
    if (key.digest.isEmpty()) return false;
    std::lock_guard<std::mutex> guard(lock_);
    const auto it = kept_.find(key.digest);
    if (it == kept_.end()) return false;
    out = it->second;
    return true;
}

void LayerImageMemo::keep(const Key& key, const ImagedLayer& imaged) {
    if (key.digest.isEmpty() || imaged.failed) return;
    std::lock_guard<std::mutex> guard(lock_);
    if (!kept_.emplace(key.digest, imaged).second) return;
    keptOrder_.push_back(key.digest);
    keptBytes_ += imagedBytes(imaged);
    while (keptBytes_ > maxKeptBytes && keptOrder_.size() > 1) {
        const auto oldest = kept_.find(keptOrder_.front());
        keptBytes_ -= imagedBytes(oldest->second);
        kept_.erase(oldest);
        keptOrder_.pop_front();
    }
}

} // namespace Voxmill
