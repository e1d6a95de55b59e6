#pragma once
// Layers imaged before, found again by what they draw. Support under a flat
// part repeats its layers with the lattice's period, and imaging a lattice
// layer (thousands of posts drawn, packed and deflated) costs tens of
// milliseconds: a layer that draws exactly what an earlier one drew takes
// that layer's bitmaps and wait time. The workers share one memo.
//
// Every point of the layer goes through a quick 64-bit hash. Only a layer
// whose quick hash was met before is keyed by the SHA-1 of the same bytes,
// so a job whose layers never repeat pays the quick hash alone.

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <unordered_map>

#include <QByteArray>

#include "output/LayerImager.h"

namespace Voxmill {

class LayerImageMemo {
public:
    // What a layer draws, as far as its number matters: its rows' shift
    // (staggered rows) and whether its model walls go to the support image.
    struct Drawn {
        float rowShift = 0;
        bool raftLayer = false;
    };
    struct Key {
        QByteArray digest; // empty: the layer is new, not worth a lookup
    };

    Key keyOf(const Layer& layer, Drawn drawn);
    // Sets out to the layer kept under key; false when there is none.
    bool find(const Key& key, ImagedLayer& out);
    void keep(const Key& key, const ImagedLayer& imaged);

private:
    std::mutex lock_;
    std::unordered_map<uint64_t, uint32_t> seen_; // quick hash: times met
    std::deque<uint64_t> seenOrder_;
    std::map<QByteArray, ImagedLayer> kept_;
    std::deque<QByteArray> keptOrder_;
    size_t keptBytes_ = 0;
};

} // namespace Voxmill
