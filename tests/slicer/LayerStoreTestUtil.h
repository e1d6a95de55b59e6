#pragma once
// Helpers for the layer store tests: a recorder of the IO thread's moves and
// a deep comparison of layers.

#include <gtest/gtest.h>

#include <algorithm>
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

// Layers are equal when everything the store keeps is: thickness, part
// types and boxes, islands with their slots (paths and box) and link counts.
inline bool sameLayer(const Layer& a, const Layer& b) {
    auto sameRegion = [](const Region& x, const Region& y) { return x.paths == y.paths && x.box == y.box; };
    auto sameIsland = [&](const Island& x, const Island& y) {
        return x.links.size() == y.links.size() &&
               std::equal(x.slots.begin(), x.slots.end(), y.slots.begin(), y.slots.end(),
                          [&](const auto& s, const auto& t) { return s.first == t.first && sameRegion(s.second, t.second); });
    };
    auto samePart = [&](const LayerPart& x, const LayerPart& y) {
        return x.type == y.type && x.box == y.box &&
               std::equal(x.islands.begin(), x.islands.end(), y.islands.begin(), y.islands.end(), sameIsland);
    };
    return a.thickness == b.thickness &&
           std::equal(a.parts.begin(), a.parts.end(), b.parts.begin(), b.parts.end(), samePart);
}

} // namespace Voxmill::Test
