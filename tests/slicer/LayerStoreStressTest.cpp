#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include <QDir>
#include <QTemporaryDir>

#include "slicer/LayerStore.h"
#include "slicer/LayerStoreTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

constexpr int32_t layerCount = 2000;

class LayerMaker {
public:
    explicit LayerMaker(uint32_t seed) : rng_(seed) {}

    int32_t below(int32_t n) { return std::uniform_int_distribution<int32_t>(0, n - 1)(rng_); }

    // Up to 3 parts of up to 3 islands; each slot 0 to 8 present at random
    // with up to 3 paths, coordinates now and then at the ends of 32 bits.
    Layer layer(int32_t n) {
        Layer l;
        l.thickness = 100 + n;
        l.parts.resize(size_t(below(4)));
        for (LayerPart& part : l.parts) {
            part.type = part_type_t(below(4));
            part.islands.resize(size_t(below(4)));
            for (Island& island : part.islands) fillIsland(island, part.box);
        }
        return l;
    }

private:
    void fillIsland(Island& island, IntBox& box) {
        for (int32_t slot = 0; slot < storedSlotCount; ++slot) {
            if (below(3) == 0) continue;
            Paths paths(size_t(1 + below(3)));
            for (Path& p : paths) p = path();
            box = boxUnion(box, island.slots.set(slot, Region(paths)).box);
        }
    }

    Path path() {
        const bool extreme = below(20) == 0;
        std::uniform_int_distribution<int64_t> coord(extreme ? INT32_MIN : -2000000, extreme ? INT32_MAX : 2000000);
        Path p(size_t(below(12)));
        for (IntPoint& q : p) q = IntPoint(coord(rng_), coord(rng_));
        return p;
    }

    std::mt19937 rng_;
};

// The resident range rebuilt from the IO thread's moves. Each load and each
// eviction must be the one the protocol picks for the range and the window
// at that moment; only how loads and evictions interleave is left open, as
// the window may change between the two steps of a cycle.
class ResidentRange {
public:
    explicit ResidentRange(int32_t count) : count_(count), end_(count) {}

    // Follows the moves until the range equals the clamped window (or a
    // minute passed); false at a move the protocol would not make.
    bool settle(IoRecorder& io, int32_t first, int32_t end) {
        wantFirst_ = std::max(first, 0);
        wantEnd_ = std::max(wantFirst_, std::min(end, count_));
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (first_ != wantFirst_ || end_ != wantEnd_) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::vector<IoEvent> moves = io.since(seen_);
            seen_ += moves.size();
            for (const IoEvent& move : moves)
                if (!apply(move)) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

private:
    bool apply(const IoEvent& move) {
        const int32_t n = move.first, wasFirst = first_, wasEnd = end_;
        int32_t expected = -1;
        if (move.second && first_ > wantFirst_)
            expected = --first_; // grow downwards first
        else if (move.second && end_ < wantEnd_)
            expected = end_++;
        else if (!move.second && first_ < wantFirst_)
            expected = first_++; // evict from the bottom first
        else if (!move.second && end_ > wantEnd_)
            expected = --end_;
        if (n == expected) return true;
        ADD_FAILURE() << (move.second ? "load " : "eviction ") << n << " with [" << wasFirst << ", " << wasEnd
                      << ") resident and [" << wantFirst_ << ", " << wantEnd_ << ") wanted";
        return false;
    }

    int32_t count_;
    int32_t first_ = 0;
    int32_t end_;
    int32_t wantFirst_ = 0;
    int32_t wantEnd_ = 0;
    size_t seen_ = 0;
};

} // namespace

// Every layer read back equals the copy kept aside, while the window jumps
// and creeps up and down and layers inside it are rewritten. After every
// move the IO thread is let settle; its moves keep the resident range whole.
TEST(LayerStoreStress, RandomWindowsLoseNothing) {
    QTemporaryDir dir;
    IoRecorder io;
    LayerStore store(dir.path(), io.observer());
    store.initLayers(layerCount);
    LayerMaker maker(20261206);
    std::vector<Layer> kept;
    for (int32_t n = 0; n < layerCount; ++n) {
        kept.push_back(maker.layer(n));
        store.layer(n) = kept.back();
    }

    ResidentRange resident(layerCount);
    int32_t first = 0;
    for (int move = 0; move < 60; ++move) {
        // One move in six jumps by up to 500 layers, the rest creep by up to
        // 40; windows may reach past either end of the store.
        first += maker.below(6) == 0 ? maker.below(1001) - 500 : maker.below(81) - 40;
        first = std::min(std::max(first, -60), layerCount);
        const int32_t end = first + 1 + maker.below(120);
        store.setWindow(first, end);
        ASSERT_TRUE(resident.settle(io, first, end)) << "move " << move;
        const int32_t lo = std::max(first, 0), hi = std::min(end, layerCount);
        for (int32_t n = lo; n < hi; ++n) {
            if (maker.below(4) != 0) continue;
            EXPECT_TRUE(sameLayer(store.layer(n), kept[size_t(n)])) << "layer " << n;
            if (maker.below(4) == 0) {
                kept[size_t(n)] = maker.layer(n);
                store.layer(n) = kept[size_t(n)];
            }
        }
    }
    store.setWindow(0, layerCount);
    for (int32_t n = 0; n < layerCount; ++n)
        EXPECT_TRUE(sameLayer(store.layer(n), kept[size_t(n)])) << "layer " << n;
    // Every file read back is gone again.
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}
