#pragma once
// Helpers for the layer store tests: a recorder of the IO thread's moves and
// a deep comparison of layers.

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "slicer/LayerStore.h"

namespace Voxmill::Test {

// (layer, loaded): loaded is false for a layer written out.
using IoEvent = std::pair<int32_t, bool>;

class IoRecorder {
public:
    LayerStore::IoObserver observer() {
        return [this](int32_t n, bool loaded) {
            std::lock_guard<std::mutex> lock(mutex_);
            events_.emplace_back(n, loaded);
        };
    }

    // The events after the first `from` so far.
    std::vector<IoEvent> since(size_t from) {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::vector<IoEvent>(events_.begin() + std::min(from, events_.size()), events_.end());
    }

    // The events after the first `from`, once there are `count` of them (or
    // whatever came within a minute).
    std::vector<IoEvent> waitFor(size_t from, size_t count) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::vector<IoEvent> events = since(from);
        while (events.size() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            events = since(from);
        }
        return events;
    }

private:
    std::mutex mutex_;
    std::vector<IoEvent> events_;
};

inline void expectSameRegion(const Region& a, const Region& b, const char* where) {
    EXPECT_EQ(a.paths, b.paths) << where;
    EXPECT_EQ(a.box, b.box) << where;
}

inline void expectSameLayer(const Layer& a, const Layer& b, int32_t n) {
    ASSERT_EQ(a.thickness, b.thickness) << "layer " << n;
    ASSERT_EQ(a.parts.size(), b.parts.size()) << "layer " << n;
    for (size_t p = 0; p < a.parts.size(); ++p) {
        const LayerPart& pa = a.parts[p];
        const LayerPart& pb = b.parts[p];
        ASSERT_EQ(pa.type, pb.type) << "layer " << n << " part " << p;
        ASSERT_EQ(pa.box, pb.box) << "layer " << n << " part " << p;
        ASSERT_EQ(pa.islands.size(), pb.islands.size()) << "layer " << n << " part " << p;
        for (size_t i = 0; i < pa.islands.size(); ++i) {
            const Island& ia = pa.islands[i];
            const Island& ib = pb.islands[i];
            ASSERT_EQ(ia.slots.size(), ib.slots.size()) << "layer " << n << " part " << p << " island " << i;
            EXPECT_EQ(ia.links.size(), ib.links.size()) << "layer " << n;
            for (auto ita = ia.slots.begin(), itb = ib.slots.begin(); ita != ia.slots.end(); ++ita, ++itb) {
                ASSERT_EQ(ita->first, itb->first) << "layer " << n;
                expectSameRegion(ita->second, itb->second, "slot region");
            }
        }
    }
}

} // namespace Voxmill::Test
