// The layer list: count rounded to nearest, raft layers below, cuts at the middle of each layer.

#include <gtest/gtest.h>

#include "slicer/MeshSlicer.h"

using namespace Voxmill;

TEST(MeshSlicerHeights, CountRoundsToNearestAndCutsMidLayer) {
    const struct {
        const char* what;
        float layerHeightMm;
        int32_t raftLayerCnt;
        int32_t stack;
        int32_t modelLayers;
        int32_t raftLayers;
    } cases[] = {
        // 1249 / 500 = 2.498 rounds down
        {"just under a half", 0.05f, 0, 1249, 2, 0},
        // 1250 / 500 = 2.5 rounds up
        {"exactly a half", 0.05f, 0, 1250, 3, 0},
        // a negative count counts as 0
        {"below the plate", 0.05f, 0, -100000, 0, 0},
        // raft layers of the store sit below the model layers, uncut
        {"with raft", 0.02f, 3, 1000, 5, 3},
    };
    for (const auto& t : cases) {
        SliceConfig c;
        c.precision.layerHeight = t.layerHeightMm;
        c.raft.layerCnt = t.raftLayerCnt;
        ASSERT_EQ(storeRaftLayers(c), t.raftLayers) << t.what;
        const int32_t thickness = layerUnits(c);
        const LayerHeights lh = buildLayerHeights(c, t.stack);
        ASSERT_EQ(lh.count(), t.modelLayers + t.raftLayers) << t.what;
        ASSERT_EQ(lh.thickness.size(), lh.heights.size()) << t.what;
        for (int32_t l = 0; l < lh.count(); ++l) {
            EXPECT_EQ(lh.thickness[size_t(l)], thickness) << t.what << " layer " << l;
            const int32_t k = l - t.raftLayers;
            EXPECT_EQ(lh.heights[size_t(l)], k < 0 ? 0 : thickness / 2 + k * thickness)
                << t.what << " layer " << l;
        }
    }
}
