#include <gtest/gtest.h>

#include "infill/Infill.h"
#include "infill/InfillTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// rectGrid infill at 0.05 mm layers: shell 1 mm, skins 1.5 mm (30 layers), cells of 1 mm at a
// 1.25 mm pitch, zStep 2, roof over 18 layers, roofStep 288 units.
SliceConfig latticeSettings(FillType type = FillType::rectGrid) {
    SliceConfig s;
    s.precision.layerHeight = 0.05f;
    s.infill.enable = true;
    s.infill.fillType = type;
    s.postSupport.enable = false;
    s.raft.layerCnt = 0;
    s.normalise();
    return s;
}

void runInfill(SliceJob& job) {
    for (int32_t k = 0; k < job.layers.layerCount(); ++k) Infill(job).run(job.settings, k);
}

std::unique_ptr<SliceJob> boxJob(const SliceConfig& s, int32_t layers = 200) {
    return modelJob(s, layers, [](int32_t) { return Paths{rect(-10, -10, 10, 10)}; });
}

// The hollow path whose box contains the point, and that box's width in units (0 for none).
int64_t cellWidthAt(const Paths& hollow, int64_t x, int64_t y) {
    for (const Path& p : hollow) {
        const IntBox b = pathsBox({p});
        if (b.minX <= x && x <= b.maxX && b.minY <= y && y <= b.maxY) return int64_t(b.maxX) - b.minX;
    }
    return 0;
}

} // namespace

// A 20 x 20 mm box: solid in its bottom and top 30 layers; between them the cells of a 1 mm
// square lattice at a 1.25 mm pitch, centred on the box, inside the 1 mm shell.
TEST(Infill, BoxIsAShellAroundCellsBetweenSkins) {
    auto job = boxJob(latticeSettings());
    runInfill(*job);
    for (int32_t k : {0, 29, 170, 199})
        EXPECT_TRUE(slotOf(*job, k, slotHollow).empty()) << "skin layer " << k;
    const Paths& hollow = slotOf(*job, 100, slotHollow);
    // 15 columns of cells fit the inner 18 mm: centres at 0, ±1.25, ... ±8.75 mm; the outer ones are cut.
    EXPECT_EQ(hollow.size(), 15u * 15u);
    EXPECT_EQ(cellWidthAt(hollow, 0, 0), mm(1));
    EXPECT_EQ(cellWidthAt(hollow, mm(1.25), mm(-2.5)), mm(1));
    EXPECT_EQ(cellWidthAt(hollow, mm(0.625), 0), 0) << "the wall between two cells";
    const IntBox b = pathsBox(hollow);
    EXPECT_EQ(b.maxX, mm(9)) << "cut at the shell";
    EXPECT_EQ(b.minY, mm(-9));
    EXPECT_EQ(pathsArea(slotOf(*job, 100, slotArea)), double(mm(20) * mm(20))) << "the sliced area stays";
}

// Under the top skin each layer's cavity is roofStep narrower on every side than the one below,
// down from the core square (about roofStep wide) right under the skin.
TEST(Infill, CellsCloseUnderARoofAtTheRoofGradient) {
    auto job = boxJob(latticeSettings());
    runInfill(*job);
    const int64_t roofStep = 288;
    int64_t below = cellWidthAt(slotOf(*job, 150, slotHollow), 0, 0);
    EXPECT_EQ(below, mm(1)) << "full cells before the roof";
    int32_t narrowing = 0;
    for (int32_t k = 151; k < 170; ++k) {
        const int64_t w = cellWidthAt(slotOf(*job, k, slotHollow), 0, 0);
        if (w < below && below < mm(1)) {
            EXPECT_NEAR(double(below - w), 2.0 * roofStep, 4.0) << "layer " << k;
            ++narrowing;
        }
        below = w;
    }
    EXPECT_GE(narrowing, 15);
    EXPECT_NEAR(double(cellWidthAt(slotOf(*job, 169, slotHollow), 0, 0)), double(roofStep), 4.0)
        << "the core square right under the skin";
}

// Fill type "support": the whole fill area is hollow in the model and there is no roof gradient.
TEST(Infill, SupportFillHollowsTheWholeFillArea) {
    auto job = boxJob(latticeSettings(FillType::support));
    runInfill(*job);
    for (int32_t k : {30, 100, 169}) {
        EXPECT_FALSE(slotOf(*job, k, slotHollow).empty()) << k;
        EXPECT_EQ(slotOf(*job, k, slotHollow), slotOf(*job, k, slotFill)) << k;
    }
    EXPECT_EQ(pathsBox(slotOf(*job, 100, slotFill)).maxX, mm(9));
}

// Periodic inside-solid layers: with a 2 mm interval and 0.2 mm thickness, layers 36 to 39 of
// every 40 are solid; a thickness of 0 makes none.
TEST(Infill, InsideSolidLayersArePeriodic) {
    SliceConfig s = latticeSettings();
    s.infill.insideSolidInterval = 2.0f;
    s.infill.insideSolidThickness = 0.2f;
    auto job = boxJob(s);
    runInfill(*job);
    for (int32_t k = 40; k < 120; ++k)
        EXPECT_EQ(slotOf(*job, k, slotCells).empty(), k % 40 >= 36) << "layer " << k;
}

// Cells of separate islands line up on one lattice anchored at the centre of all models.
TEST(Infill, CellsOfTwoIslandsLineUp) {
    auto job = modelJob(latticeSettings(), 100, [](int32_t) {
        return Paths{rect(-20, -5, -6.3, 5), rect(3.1, -5, 20, 5)};
    });
    runInfill(*job);
    const int64_t period = mm(1.25);
    for (int32_t island : {0, 1})
        for (const Path& cell : slotOf(*job, 50, slotCells, 0, island)) {
            const IntBox b = pathsBox({cell});
            if (b.maxX - b.minX != mm(1) || b.maxY - b.minY != mm(1)) continue; // cut at the shell
            EXPECT_EQ(((b.minX + b.maxX) / 2) % period, 0) << "island " << island;
            EXPECT_EQ(((b.minY + b.maxY) / 2) % period, 0) << "island " << island;
        }
}

// A step in the model: the wide base is solid in the top skin under the uncovered ring, and the
// narrow top is solid in the bottom skin over nothing... except where the base holds it.
TEST(Infill, SkinsWhereNothingIsAboveOrBelow) {
    auto job = modelJob(latticeSettings(), 200, [](int32_t k) {
        return Paths{k < 100 ? rect(-10, -10, 10, 10) : rect(-20, -4, 20, 4)};
    });
    runInfill(*job);
    // Below the step: only the part under the top stays hollow (|y| < 3 after the shell).
    const IntBox under = pathsBox(slotOf(*job, 90, slotFill));
    EXPECT_LE(under.maxY, mm(3));
    EXPECT_EQ(under.maxX, mm(9));
    // Above the step: only the part over the base stays hollow (|x| < 9).
    const IntBox over = pathsBox(slotOf(*job, 110, slotFill));
    EXPECT_LE(over.maxX, mm(9));
    EXPECT_EQ(over.maxY, mm(3));
    // Far from the step the whole inner area is hollow again.
    EXPECT_EQ(pathsBox(slotOf(*job, 140, slotFill)).maxX, mm(19));
}

// Cells too small for a core (roofStep 1866 units at 15°, more than the 1000-unit cell) close
// completely right under a roof, and are open again below it: they once stayed closed all the
// way down, the whole lattice solid.
TEST(Infill, CellsTooSmallForACoreCloseOnlyUnderTheRoof) {
    SliceConfig s = latticeSettings();
    s.infill.rectSize = 0.1f;
    s.infill.roofGradient = 15.0f;
    s.normalise();
    auto job = boxJob(s);
    runInfill(*job);
    EXPECT_LE(pathsArea(slotOf(*job, 169, slotHollow)), 4.0 * double(slotOf(*job, 169, slotCells).size()))
        << "closed right under the skin but for a seed of 2 x 2 units per cell";
    const double cell = double(mm(0.1) * mm(0.1));
    EXPECT_NEAR(pathsArea(slotOf(*job, 100, slotHollow)) / cell, double(slotOf(*job, 100, slotCells).size()),
                2.0)
        << "open cells further down";
}

// Everything the generators keep lives in the job: a second job, and the same job again,
// come out as if alone; islands the store wrote out and read back come out the same.
TEST(Infill, ResultsDependOnNeitherOtherJobsNorTheWindow) {
    const SliceConfig s = latticeSettings();
    auto alone = boxJob(s, 120);
    runInfill(*alone);
    auto tall = boxJob(s, 300);
    runInfill(*tall);
    auto again = boxJob(s, 120);
    // As the driver does: the output windows move up, evicting and reloading layers.
    const WindowPlan plan = planWindows(s, 120);
    for (int32_t k = 0; k < 120; ++k) {
        const LayerRange w = stageWindow(plan, job_stage_t::output, k).resident;
        if (k % 7 == 0) { // now and then the store writes everything out and reads it back
            again->layers.setWindow(0, 0);
            again->layers.waitSettled();
        }
        again->layers.setWindow(w.first, w.end);
        Infill(*again).run(s, k);
    }
    again->layers.setWindow(0, 120);
    for (int32_t k = 0; k < 120; ++k)
        ASSERT_EQ(slotOf(*again, k, slotHollow), slotOf(*alone, k, slotHollow)) << "layer " << k;
}

// Without a warm-up the roof cache still gives every layer the hollow of the one above: the
// lattice comes out as with the default warm-up of 10 layers.
TEST(Infill, NoRoofWarmUpGivesTheSameLattice) {
    SliceConfig s = latticeSettings();
    auto warm = boxJob(s);
    runInfill(*warm);
    s.infill.roofPreCalcCnt = 0;
    auto cold = boxJob(s);
    runInfill(*cold);
    for (int32_t k = 0; k < 200; ++k)
        ASSERT_EQ(slotOf(*cold, k, slotHollow), slotOf(*warm, k, slotHollow)) << "layer " << k;
}
