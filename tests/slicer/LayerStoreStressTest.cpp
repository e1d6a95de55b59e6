#include <gtest/gtest.h>

#include <random>

#include <QDir>
#include <QTemporaryDir>

#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

constexpr int32_t layerCount = 2000;

struct LayerMaker {
    std::mt19937 rng{20261206};

    int32_t below(int32_t n) { return std::uniform_int_distribution<int32_t>(0, n - 1)(rng); }

    // Up to 3 parts of up to 3 islands, slots 0 to 8 at random, coordinates now and then at 32-bit ends.
    Layer layer(int32_t n) {
        Layer l;
        l.thickness = 100 + n;
        l.parts.resize(size_t(below(4)));
        for (LayerPart& part : l.parts) {
            part.type = part_type_t(below(4));
            part.islands.resize(size_t(below(4)));
            for (Island& island : part.islands)
                for (int32_t slot = 0; slot < storedSlotCount; ++slot) {
                    if (below(3) == 0) continue;
                    Paths paths(size_t(1 + below(3)));
                    for (Path& p : paths) p = path();
                    part.box = boxUnion(part.box, island.slots.set(slot, Region(paths)).box);
                }
        }
        return l;
    }

    Path path() {
        const bool extreme = below(20) == 0;
        std::uniform_int_distribution<int64_t> coord(extreme ? INT32_MIN : -2000000,
                                                     extreme ? INT32_MAX : 2000000);
        Path p(size_t(below(12)));
        for (IntPoint& q : p) q = IntPoint(coord(rng), coord(rng));
        return p;
    }
};

// The resident range rebuilt from the IO thread's moves: each move must be the one the store
// picks for the range and window then; only the interleaving of loads and evictions is open.
struct ResidentRange {
    int32_t first = 0, end = layerCount, wantFirst = 0, wantEnd = 0;
    size_t seen = 0;

    // Follows the moves until the range is the clamped window; false at a wrong move or after a minute.
    bool settle(IoRecorder& io, int32_t askFirst, int32_t askEnd) {
        wantFirst = std::max(askFirst, 0);
        wantEnd = std::max(wantFirst, std::min(askEnd, layerCount));
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (first != wantFirst || end != wantEnd) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::vector<IoEvent> moves = io.since(seen);
            seen += moves.size();
            for (const IoEvent& move : moves) {
                const int32_t wasFirst = first, wasEnd = end;
                int32_t expected = -1;
                if (move.second && first > wantFirst)
                    expected = --first; // grow downwards first
                else if (move.second && end < wantEnd)
                    expected = end++;
                else if (!move.second && first < wantFirst)
                    expected = first++; // evict from the bottom first
                else if (!move.second && end > wantEnd)
                    expected = --end;
                if (move.first == expected) continue;
                ADD_FAILURE() << (move.second ? "load " : "eviction ") << move.first << " with [" << wasFirst
                              << ", " << wasEnd << ") resident and [" << wantFirst << ", " << wantEnd
                              << ") wanted";
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
};

} // namespace

// Every layer read back equals the copy kept aside while the window jumps and creeps up and
// down and layers inside it are rewritten.
TEST(LayerStoreStress, RandomWindowsLoseNothing) {
    QTemporaryDir dir;
    IoRecorder io;
    LayerStore store(dir.path(), io.observer());
    store.initLayers(layerCount);
    LayerMaker maker;
    std::vector<Layer> kept;
    for (int32_t n = 0; n < layerCount; ++n) {
        kept.push_back(maker.layer(n));
        store.layer(n) = kept.back();
    }

    ResidentRange resident;
    int32_t first = 0;
    for (int move = 0; move < 60; ++move) {
        // One move in six jumps by up to 500 layers, the rest creep; windows may pass either end.
        first += maker.below(6) == 0 ? maker.below(1001) - 500 : maker.below(81) - 40;
        first = std::min(std::max(first, -60), layerCount);
        const int32_t end = first + 1 + maker.below(120);
        store.setWindow(first, end);
        ASSERT_TRUE(resident.settle(io, first, end)) << "move " << move;
        for (int32_t n = std::max(first, 0); n < std::min(end, layerCount); ++n) {
            if (maker.below(4) != 0) continue;
            EXPECT_TRUE(sameLayer(store.layer(n), kept[size_t(n)])) << "layer " << n;
            if (maker.below(4) == 0) store.layer(n) = kept[size_t(n)] = maker.layer(n);
        }
    }
    store.setWindow(0, layerCount);
    for (int32_t n = 0; n < layerCount; ++n)
        EXPECT_TRUE(sameLayer(store.layer(n), kept[size_t(n)])) << "layer " << n;
    // Every file read back is gone again.
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}
