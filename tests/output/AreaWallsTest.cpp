#include <gtest/gtest.h>

#include "OutputTestUtil.h"
#include "output/AreaWalls.h"

using namespace Voxmill;
using namespace Voxmill::Test;

TEST(AreaWalls, BandsRunFromTheTopRowInReverseListOrder) {
    SliceConfig s;
    s.wall.areaPixels = {100, 20, 30};
    EXPECT_EQ(areaBands(s, 150), (std::vector<RowSpan>{{0, 30}, {30, 50}, {50, 150}}));
    EXPECT_EQ(areaBands(s, 60), (std::vector<RowSpan>{{0, 30}, {30, 50}, {50, 60}})) << "cut at the image";
}

TEST(AreaWalls, FinishedBandsSplitTheWallRuns) {
    using Runs = std::vector<RowSpan>;
    const Runs bands = {{0, 10}, {10, 20}, {20, 30}, {30, 40}};
    QImage model = grayImage(16, 40), support = grayImage(16, 40);
    EXPECT_EQ(unfinishedRuns(bands, model, support, true), Runs{}) << "every band finished";
    EXPECT_EQ(unfinishedRuns(bands, model, support, false), (Runs{{0, 40}})) << "no clipping: one run";
    model.scanLine(15)[15] = 1; // even a dark pixel counts as content
    support.scanLine(35)[3] = 255;
    EXPECT_EQ(unfinishedRuns(bands, model, support, true), (Runs{{10, 20}, {30, 40}}));
    support.scanLine(20)[3] = 255;
    EXPECT_EQ(unfinishedRuns(bands, model, support, true), (Runs{{10, 40}})) << "neighbouring bands merge";
}
