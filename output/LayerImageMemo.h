#pragma once
// Layers imaged before, found again by what they draw. Support under a flat
// part repeats its layers with the lattice's period, and imaging a lattice
// layer (thousands of posts drawn, packed and deflated) costs tens of
// milliseconds: a layer that draws exactly what an earlier one drew takes
// that layer's bitmaps and wait time. The workers share one memo.
//
// A layer is keyed by the SHA-1 of every byte its drawing depends on, from
// its first sight, so that a distinct layer is drawn once. Hashing costs a
// few milliseconds per megabyte of points, a small part of drawing them.

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

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
        QByteArray digest; // empty: nothing to look up
    };

    Key keyOf(const Layer& layer, Drawn drawn);
    // Sets out to the layer kept under key; false when there is none.
    bool find(const Key& key, ImagedLayer& out);
    void keep(const Key& key, const ImagedLayer& imaged);

private:
    std::mutex lock_;
    std::map<QByteArray, ImagedLayer> kept_;
    std::deque<QByteArray> keptOrder_;
    size_t keptBytes_ = 0;
};

} // namespace Voxmill
