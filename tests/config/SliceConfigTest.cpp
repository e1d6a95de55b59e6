#include <gtest/gtest.h>

#include "config/SliceConfig.h"

using namespace Voxmill;

TEST(SliceConfig, DefaultDerivedCountsUsePostSupport) {
    SliceConfig c;
    c.normalise();
    EXPECT_EQ(layerUnits(c), 200);
    EXPECT_EQ(lookAhead(c), 99);
    EXPECT_EQ(storeRaftLayers(c), 89);
    EXPECT_EQ(extraRaftLayers(c), 11);
}
