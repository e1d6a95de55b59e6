#include <gtest/gtest.h>

#include "slicer/LayerCompose.h"
#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

TEST(LayerCompose, AddPartSplitsIntoIslandsAndOnlyModelsWidenTheBox) {
    SliceJob job;
    job.layers.initLayers(4);
    addPart(job, 1, {}, part_type_t::model, slotArea);
    EXPECT_EQ(job.modelBox, IntBox{});
    addPart(job, 1, {square(0, 0, 20000), square(10000, 10000, 20000)}, part_type_t::model, slotArea);
    // A ring with a smaller square in its hole, stored in slot 1 of a support part.
    Paths ring{square(0, 0, 30000), reversed(square(10000, 10000, 10000)), square(13000, 13000, 4000)};
    addPart(job, 1, ring, part_type_t::support, slotSupportSource);
    addPart(job, 2, {square(-50, 20, 100)}, part_type_t::model, slotArea);
    // Walls and support beside the models leave the box alone.
    addPart(job, 0, {square(100000, 0, 100)}, part_type_t::modelWall, slotArea);
    addPart(job, 0, {square(0, -100000, 100)}, part_type_t::support, slotArea);
    EXPECT_EQ(job.modelBox, (IntBox{-50, 0, 30000, 30000}));

    const Layer& layer = job.layers.layer(1);
    ASSERT_EQ(layer.parts.size(), 3u);
    // An empty set still gives a part, with no islands and the empty box.
    EXPECT_TRUE(layer.parts[0].islands.empty());
    EXPECT_EQ(layer.parts[0].box, IntBox{});
    ASSERT_EQ(layer.parts[1].islands.size(), 1u);
    EXPECT_DOUBLE_EQ(pathsArea(layer.parts[1].islands[0].slots.at(0).paths), 7e8);
    const LayerPart& nested = layer.parts[2];
    ASSERT_EQ(nested.islands.size(), 2u);
    EXPECT_FALSE(nested.islands[0].slots.contains(0));
    EXPECT_EQ(nested.islands[0].slots.at(1).box, (IntBox{13000, 13000, 17000, 17000}));
    EXPECT_EQ(nested.islands[1].slots.at(1).paths.size(), 2u);
    EXPECT_EQ(nested.box, (IntBox{0, 0, 30000, 30000}));
}

TEST(LayerCompose, RaftLayersGetWallCopies) {
    SliceJob job;
    job.layers.initLayers(5);
    job.layers.layer(3).thickness = 200;
    addPart(job, 3, {square(0, 0, 100)}, part_type_t::model, slotArea);
    addPart(job, 3, {square(500, 0, 100)}, part_type_t::modelWall, slotArea);
    addPart(job, 3, {square(900, 0, 100)}, part_type_t::supportWall, slotArea);
    job.layers.layer(3).parts[1].islands[0].slots.set(8, Region({square(510, 10, 10)}));

    extendRaftLayers(job, 3);
    for (int32_t i = 0; i < 3; ++i) {
        const Layer& raft = job.layers.layer(i);
        EXPECT_EQ(raft.thickness, 200);
        ASSERT_EQ(raft.parts.size(), 2u);
        EXPECT_EQ(raft.parts[0].type, part_type_t::modelWall);
        EXPECT_EQ(raft.parts[1].type, part_type_t::supportWall);
        EXPECT_EQ(raft.parts[0].box, job.layers.layer(3).parts[1].box);
        EXPECT_TRUE(raft.parts[0].islands[0].slots.contains(8));
    }
    EXPECT_TRUE(job.layers.layer(4).parts.empty());
}
