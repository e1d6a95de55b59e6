#include "output/LayerImageMemo.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <vector>

#include <QCryptographicHash>

namespace Voxmill {

namespace {

// Imaged layers kept (their compressed bitmaps: tens of kilobytes for a
// lattice layer, whose repeats come within a few dozen layers).
constexpr size_t maxKeptBytes = size_t(16) << 20;

// The stream the key hashes, gathered in blocks: a lattice layer holds
// thousands of small paths, and a hash call per path costs more than its
// bytes. A path whose points all fit in 32 bits goes in as 32-bit pairs,
// any other as 64-bit pairs, each after its length and which of the two it
// is: the stream stays one-to-one with the geometry at half the bytes.
class KeyStream {
public:
    explicit KeyStream(QCryptographicHash& hash) : hash_(hash) { bytes_.reserve(blockBytes); }

    void words(std::initializer_list<int64_t> w) { add(w.begin(), w.size() * sizeof(int64_t)); }

    void path(const Path& path) {
        const bool narrow = std::all_of(path.begin(), path.end(), [](const IntPoint& p) {
            return p.X == int32_t(p.X) && p.Y == int32_t(p.Y);
        });
        words({int64_t(path.size()) * 2 + narrow});
        if (!narrow) {
            add(path.data(), path.size() * sizeof(IntPoint));
            return;
        }
        // Narrowed into a small array and added a few hundred points at a
        // time: this loop sees every point of every layer.
        int32_t xy[512];
        for (size_t k = 0; k < path.size();) {
            size_t n = 0;
            for (; n < std::size(xy) && k < path.size(); n += 2, ++k) {
                xy[n] = int32_t(path[k].X);
                xy[n + 1] = int32_t(path[k].Y);
            }
            add(xy, n * sizeof(int32_t));
        }
    }

    void flush() {
        hash_.addData(bytes_.data(), int(bytes_.size()));
        bytes_.clear();
    }

private:
    static constexpr size_t blockBytes = size_t(64) << 10;

    void add(const void* data, size_t size) {
        if (bytes_.size() + size > blockBytes) flush();
        if (size > blockBytes) {
            hash_.addData(static_cast<const char*>(data), int(size));
            return;
        }
        const char* c = static_cast<const char*>(data);
        bytes_.insert(bytes_.end(), c, c + size);
    }

    QCryptographicHash& hash_;
    std::vector<char> bytes_;
};

// Every byte the layer's drawing depends on: the layer number's effects,
// then every part's type and every island's slots, each with its counts so
// that no two layers give the same stream.
void layerBytes(const Layer& layer, LayerImageMemo::Drawn drawn, KeyStream& out) {
    out.words({int64_t(std::lround(drawn.rowShift * 2)), drawn.raftLayer, layer.thickness,
               int64_t(layer.parts.size())});
    for (const LayerPart& part : layer.parts) {
        out.words({int64_t(part.type), int64_t(part.islands.size())});
        for (const Island& island : part.islands) {
            out.words({int64_t(island.slots.size())});
            for (const auto& [slot, region] : island.slots) {
                out.words({int64_t(slot), int64_t(region.paths.size())});
                for (const Path& path : region.paths) out.path(path);
            }
        }
    }
    out.flush();
}

size_t imagedBytes(const ImagedLayer& l) { return l.model.outer.size() + l.support.outer.size() + 256; }

} // namespace

LayerImageMemo::Key LayerImageMemo::keyOf(const Layer& layer, Drawn drawn) {
    QCryptographicHash sha(QCryptographicHash::Sha1);
    KeyStream stream(sha);
    layerBytes(layer, drawn, stream);
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
