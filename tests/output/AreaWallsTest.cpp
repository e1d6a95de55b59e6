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
    const std::vector<RowSpan> bands = {{0, 10}, {10, 20}, {20, 30}, {30, 40}};
    QImage model = grayImage(16, 40), support = grayImage(16, 40);
    struct Row {
        const char* what;
        int32_t modelRow, supportRow; // -1: none
        std::vector<RowSpan> runs;
    } rows[] = {
        {"nothing left: every band finished", -1, -1, {}},
        {"model in band 1 and support in band 3", 15, 35, {{10, 20}, {30, 40}}},
        {"neighbouring bands merge", 19, 20, {{10, 30}}},
        {"even a dark pixel value counts as content", 0, -1, {{0, 10}}},
    };
    for (const Row& r : rows) {
        model.fill(0);
        support.fill(0);
        if (r.modelRow >= 0) model.scanLine(r.modelRow)[15] = 1;
        if (r.supportRow >= 0) support.scanLine(r.supportRow)[3] = 255;
        EXPECT_EQ(unfinishedRuns(bands, model, support, true), r.runs) << r.what;
    }
    EXPECT_EQ(unfinishedRuns(bands, model, support, false), (std::vector<RowSpan>{{0, 40}})) << "no clipping";
}
