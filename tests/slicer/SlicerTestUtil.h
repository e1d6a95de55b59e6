#pragma once
// Helpers shared by the slicer tests: shapes, the shared models, a recorder of the store's IO moves,
// a layer comparison.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <QFileInfo>
#include <QString>

#include "model/ModelFiles.h"
#include "model/TriMesh.h"
#include "slicer/LayerStore.h"

namespace Voxmill::Test {

// Counter-clockwise axis-aligned square.
inline Path square(int64_t x0, int64_t y0, int64_t size) {
    return {{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
}

inline Path reversed(Path p) {
    std::reverse(p.begin(), p.end());
    return p;
}

// The message f throws ("<stream failure>" for a stream's own), or "" when it throws nothing.
using VoxmillTest::errorOf;

// A model of the shared collection beside the project, which may be absent.
inline QString sharedModel(const char* name) { return QStringLiteral(VOXMILL_SHARED_MODELS "/") + name; }
inline bool sharedModelsPresent() { return QFileInfo(QStringLiteral(VOXMILL_SHARED_MODELS)).isDir(); }

// An axis-aligned box in units, faces counter-clockwise seen from outside.
inline std::shared_ptr<TriMesh> boxMesh(int32_t x0, int32_t y0, int32_t z0, int32_t x1, int32_t y1,
                                        int32_t z1) {
    const std::vector<MeshVertex> vertices = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                                              {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}};
    const uint32_t triangles[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                       {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    std::vector<MeshFace> faces(12);
    for (size_t f = 0; f < 12; ++f) faces[f].v = {{triangles[f][0], triangles[f][1], triangles[f][2]}};
    return std::make_shared<TriMesh>(vertices, std::make_shared<const TriMeshIdx>(std::move(faces)));
}

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
    // The events after the first `from`, once there are `count` of them or a minute passed.
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

// Equal in all the store keeps: thickness, part types and boxes, slots (paths and box), link counts.
inline bool sameLayer(const Layer& a, const Layer& b) {
    auto sameRegion = [](const Region& x, const Region& y) { return x.paths == y.paths && x.box == y.box; };
    auto sameIsland = [&](const Island& x, const Island& y) {
        return x.links.size() == y.links.size() &&
               std::equal(x.slots.begin(), x.slots.end(), y.slots.begin(), y.slots.end(),
                          [&](const auto& s, const auto& t) {
                              return s.first == t.first && sameRegion(s.second, t.second);
                          });
    };
    auto samePart = [&](const LayerPart& x, const LayerPart& y) {
        return x.type == y.type && x.box == y.box &&
               std::equal(x.islands.begin(), x.islands.end(), y.islands.begin(), y.islands.end(), sameIsland);
    };
    return a.thickness == b.thickness &&
           std::equal(a.parts.begin(), a.parts.end(), b.parts.begin(), b.parts.end(), samePart);
}

} // namespace Voxmill::Test
