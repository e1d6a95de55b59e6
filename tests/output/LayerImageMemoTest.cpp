#include <gtest/gtest.h>

#include "OutputTestUtil.h"
#include "output/LayerImageMemo.h"
#include "slicer/LayerCompose.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

Layer layerOf(const Paths& model, const Paths& support) {
    Layer l;
    l.thickness = 500;
    l.parts.push_back(makePart(model, part_type_t::model, slotArea));
    l.parts.push_back(makePart(support, part_type_t::support, slotHollow));
    return l;
}

ImagedLayer imaged(int32_t waitTime) {
    ImagedLayer l;
    l.waitTime = waitTime;
    l.model.outer = {1, 2, 3};
    return l;
}

} // namespace

// A layer is found once kept; a layer that draws anything else (a point, a
// part's kind, a slot, its rows' shift or raft walls) has another key.
TEST(LayerImageMemo, FindsOnlyLayersThatDrawTheSame) {
    const Paths model{rectPath(0, 0, 50000, 50000)}, support{rectPath(60000, 0, 90000, 40000)};
    const Layer base = layerOf(model, support);
    LayerImageMemo memo;
    const LayerImageMemo::Key key = memo.keyOf(base, {});
    ASSERT_FALSE(key.digest.isEmpty());
    ImagedLayer out;
    EXPECT_FALSE(memo.find(key, out));
    memo.keep(key, imaged(7));
    ASSERT_TRUE(memo.find(memo.keyOf(layerOf(model, support), {}), out));
    EXPECT_EQ(out.waitTime, 7);
    EXPECT_EQ(out.model.outer, imaged(7).model.outer);

    // Points are hashed as 32-bit pairs where they fit: one moved by 2^32
    // must still count as moved.
    Paths moved = support, far = support;
    moved[0][2].X += 1;
    far[0][2].X += int64_t(1) << 32;
    Layer swapped = layerOf(support, model), otherSlot = base, otherKind = base;
    otherSlot.parts[1].islands[0].slots.set(slotArea, Region(support));
    otherKind.parts[1].type = part_type_t::supportWall;
    const std::pair<Layer, LayerImageMemo::Drawn> others[] = {
        {layerOf(model, moved), {}},
        {layerOf(model, far), {}},
        {swapped, {}},
        {otherSlot, {}},
        {otherKind, {}},
        {base, {0.5f, false}},
        {base, {0, true}},
    };
    for (const auto& [layer, drawn] : others) {
        const LayerImageMemo::Key other = memo.keyOf(layer, drawn);
        ASSERT_FALSE(other.digest.isEmpty());
        EXPECT_NE(other.digest, key.digest);
        EXPECT_FALSE(memo.find(other, out));
    }
}
