#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "config/SliceConfig.h"

using namespace Voxmill;

namespace {

using Edit = std::function<void(SliceConfig&)>;

SliceConfig normalised(const Edit& edit) {
    SliceConfig c;
    edit(c);
    c.normalise();
    return c;
}

} // namespace

TEST(SliceConfig, ClampsAndConsistencyRulesInTheirOrder) {
    // edit is applied to the defaults; fix holds what normalising changes, the rest must stay
    struct Row {
        const char* why;
        Edit edit, fix;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"layer height below range", [](SliceConfig& c) { c.precision.layerHeight = 0.001f; },
         [](SliceConfig& c) { c.precision.layerHeight = 0.01f; }},
        {"int clamps both ways", [](SliceConfig& c) { c.raft.layerCnt = -5; c.poly2img.pixelX = 100000; },
         [](SliceConfig& c) { c.raft.layerCnt = 0; c.poly2img.pixelX = 51200; }},
        {"infinity clamps", [](SliceConfig& c) { c.size.scaleX = std::numeric_limits<float>::infinity(); },
         [](SliceConfig& c) { c.size.scaleX = 2.0f; }},
        // not a number is no value at all: the default stays
        {"NaN keeps the default", [](SliceConfig& c) { c.precision.layerHeight = std::nanf(""); },
         [](SliceConfig& c) { c.precision.layerHeight = 0.02f; }},
        // rule 1 then rule 2: a narrow margin pulls support and general down
        {"margin pulls support and general",
         [](SliceConfig& c) { c.supportOverlay.margin = 0.06f; c.precision.general = 0.5f; },
         [](SliceConfig& c) { c.precision.support = c.precision.general = 0.06f * 0.5f; }},
        // the margin is clamped before it is halved
        {"margin clamped first", [](SliceConfig& c) { c.supportOverlay.margin = 0.0f; },
         [](SliceConfig& c) { c.supportOverlay.margin = 0.05f; c.precision.support = 0.025f; }},
        {"hollow bounds support, then general",
         [](SliceConfig& c) { c.precision.hollow = 0.015f; c.precision.general = 0.5f; },
         [](SliceConfig& c) { c.precision.support = c.precision.general = 0.015f; }},
        {"infill bounds general", [](SliceConfig& c) { c.precision.infill = 0.012f; },
         [](SliceConfig& c) { c.precision.general = 0.012f; }},
        // rule 3: solid excludes both others, post excludes grid
        {"solid wins", [](SliceConfig& c) { c.solidSupport.enable = true; c.gridSupport.enable = true; },
         [](SliceConfig& c) { c.postSupport.enable = c.gridSupport.enable = false; }},
        {"post over grid", [](SliceConfig& c) { c.gridSupport.enable = true; },
         [](SliceConfig& c) { c.gridSupport.enable = false; }},
        {"grid alone stays", [](SliceConfig& c) { c.postSupport.enable = false; c.gridSupport.enable = true; }, {}},
        // rule 4: areas that do not add up to the image height become one area
        {"areas short of the height", [](SliceConfig& c) { c.wall.areaPixels = {2000, 2000}; },
         [](SliceConfig& c) { c.wall.areaPixels = {5280}; }},
        {"areas matching", [](SliceConfig& c) { c.wall.areaPixels = {2000, 2000}; c.poly2img.pixelY = 4000; }, {}},
        // elements and height are clamped before they are compared
        {"clamped elements no longer match", [](SliceConfig& c) { c.wall.areaPixels = {0, 1760, 1760, 1760}; },
         [](SliceConfig& c) { c.wall.areaPixels = {5280}; }},
        {"clamped height matches", [](SliceConfig& c) { c.wall.areaPixels = {128, 128}; c.poly2img.pixelY = 100; },
         [](SliceConfig& c) { c.poly2img.pixelY = 256; }},
        // 83886 x 51200 + 9376 is 2^32 + 5280: a 32-bit sum would wrap to the height
        {"sum that wraps in 32 bits",
         [](SliceConfig& c) { c.wall.areaPixels.assign(83886, 51200); c.wall.areaPixels.push_back(9376); },
         [](SliceConfig& c) { c.wall.areaPixels = {5280}; }},
        // rule 5: each wait-time list sorted on its own, elements clamped
        {"wait-time lists sorted apart",
         [](SliceConfig& c) { c.waitTime.areas = {900, 300, -7}; c.waitTime.times = {2000, 0, 500000}; },
         [](SliceConfig& c) { c.waitTime.areas = {0, 300, 900}; c.waitTime.times = {0, 2000, 100000}; }},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        SliceConfig expected;
        row.edit(expected);
        if (row.fix) row.fix(expected);
        SliceConfig c = normalised(row.edit);
        EXPECT_EQ(c, expected);
        c.normalise();
        EXPECT_EQ(c, expected); // normalising is idempotent
    }
}

TEST(SliceConfig, DerivedCountsFollowTheEnabledGenerators) {
    struct Row {
        const char* why;
        Edit edit;
        int32_t infillAhead, ahead, back, storeRaft, extraRaft, lag;
    };
    // clang-format off
    const std::vector<Row> rows = {
        // post roof: ceil(0.2 / r(60)) = 9, ceil(1.5 / 0.02) = 75, infillZ 5, plus 10 precalculated
        {"defaults", [](SliceConfig&) {}, 0, 99, 5, 89, 11, 5},
        // no raft at all, whatever the support
        {"no raft, post", [](SliceConfig& c) { c.raft.layerCnt = 0; }, 0, 99, 5, 0, 0, 5},
        {"no raft, solid", [](SliceConfig& c) { c.raft.layerCnt = 0; c.solidSupport.enable = true; }, 0, 0, 0, 0, 0, 0},
        // solid support keeps one raft layer in the store
        {"solid", [](SliceConfig& c) { c.solidSupport.enable = true; }, 0, 0, 0, 1, 99, 0},
        // grid roof: ceil(1.5 / r(60)) = 65 + 75 + 5 = 145, more than the raft
        {"grid", [](SliceConfig& c) { c.postSupport.enable = false; c.gridSupport.enable = true; }, 0, 155, 5, 100, 0, 5},
        // infill: ceil(1 / r(60)) = 44 + 75 + 5 + 10; bottom ceil(1.5 / 0.02) + 5
        {"infill with post", [](SliceConfig& c) { c.infill.enable = true; }, 134, 134, 80, 89, 11, 80},
        // with clean solid the infill runs ahead, so it holds layers for less long
        {"infill ahead of clean solid", [](SliceConfig& c) { c.infill.enable = true; c.supportCleanSolid.enable = true; },
         134, 134, 80, 89, 11, 5},
        {"no support, no infill", [](SliceConfig& c) { c.postSupport.enable = false; }, 0, 0, 0, 0, 100, 0},
        // thicker layers: r(60) doubles with h, z = ceil(0.1 / 0.05) = 2
        {"thick layers", [](SliceConfig& c) { c.precision.layerHeight = 0.05f; }, 0, 46, 2, 36, 64, 2},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        SliceConfig c = normalised(row.edit);
        EXPECT_EQ(infillLookAhead(c), row.infillAhead);
        EXPECT_EQ(lookAhead(c), row.ahead);
        EXPECT_EQ(lookBack(c), row.back);
        EXPECT_EQ(storeRaftLayers(c), row.storeRaft);
        EXPECT_EQ(extraRaftLayers(c), row.extraRaft);
        EXPECT_EQ(releaseLag(c), row.lag);
    }
}

TEST(SliceConfig, DefaultsAreConsistentAndLengthsConvertInSinglePrecision) {
    EXPECT_EQ(normalised([](SliceConfig&) {}), SliceConfig());
    // 0.8 / 0.02 is 40.0000015 in double precision, exactly 40 in single
    EXPECT_EQ(cleanSolidLayers(SliceConfig()), 40);
    // 0.03f x 10000 is 299.99999 in double precision but rounds to 300 in single
    const std::pair<float, int32_t> rows[] = {{0.03f, 300}, {-0.03f, -300}, {0.00009f, 0}};
    for (const auto& [mm, units] : rows) EXPECT_EQ(mmToUnits(mm), units) << mm;
    EXPECT_EQ(layerUnits(normalised([](SliceConfig& c) { c.precision.layerHeight = 0.03f; })), 300);
}
