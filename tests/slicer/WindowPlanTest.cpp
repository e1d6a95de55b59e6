#include <gtest/gtest.h>

#include "slicer/WindowPlan.h"

using namespace Voxmill;

namespace {

SliceConfig normalised(bool infill, bool cleanSolid) {
    SliceConfig s;
    s.infill.enable = infill;
    s.supportCleanSolid.enable = cleanSolid;
    s.normalise();
    return s;
}

struct Row {
    job_stage_t stage;
    int32_t i;
    LayerRange resident, reads;
};

void expectWindows(const WindowPlan& plan, std::initializer_list<Row> rows) {
    for (const Row& r : rows) {
        SCOPED_TRACE("stage " + std::to_string(int(r.stage)) + " layer " + std::to_string(r.i));
        const StageWindow w = stageWindow(plan, r.stage, r.i);
        EXPECT_EQ(w.resident.first, r.resident.first);
        EXPECT_EQ(w.resident.end, r.resident.end);
        EXPECT_EQ(w.reads.first, r.reads.first);
        EXPECT_EQ(w.reads.end, r.reads.end);
    }
}

} // namespace

// Default settings (post support) on 500 layers: lookAhead 99, lookBack 5, release lag 5, batches
// of 126 from layer 89, cut 50 layers at a time. A post generator at L reads its bottom step (5 below) and up
// to its roof cache's top, 10 + 9 + 5 - 1 layers, plus the step and the 75-layer top skin above that.
TEST(WindowPlan, DefaultSettings) {
    const WindowPlan plan = planWindows(normalised(false, false), 500);
    EXPECT_EQ(plan.batch, 126);
    EXPECT_EQ(plan.sliceChunk, 50);
    EXPECT_EQ(plan.firstSliced, 89);
    EXPECT_EQ(plan.imageLead, 4);
    EXPECT_EQ(plan.releaseLag, 5);
    expectWindows(plan, {
                            {job_stage_t::slice, 89, {0, 150}, {0, 139}},      // first chunk fills the raft
                            {job_stage_t::slice, 215, {205, 276}, {215, 265}}, // 10 below, 11 above
                            {job_stage_t::slice, 467, {457, 528}, {467, 500}}, // last chunk ends at the top
                            {job_stage_t::preProc, 300, {290, 410}, {300, 301}},
                            {job_stage_t::output, 200, {191, 310}, {192, 304}},
                            {job_stage_t::output, 0, {-9, 110}, {-8, 104}},
                        });
}

// Infill with clean-solid bands: infill runs 134 layers ahead of the supports, so the window
// reaches up to its roof cache (10 + 0 + 5 - 1 above layer i + 134: the default fill type
// "support" has no roof gradient; then the step and the top skin) and down to the layer the
// image thread drops behind itself.
TEST(WindowPlan, InfillWithCleanSolidBands) {
    const WindowPlan plan = planWindows(normalised(true, true), 500);
    EXPECT_EQ(plan.infillLookAhead, 134);
    EXPECT_EQ(plan.lookAhead, 134);
    EXPECT_EQ(plan.lookBack, 80);
    EXPECT_EQ(plan.releaseLag, 5);
    expectWindows(plan, {
                            {job_stage_t::preInfill, 0, {-80, 279}, {-80, 228}},
                            {job_stage_t::output, 200, {191, 479}, {192, 429}},
                        });
}

// Whatever the settings, the output window keeps what the image thread works on: the layer it
// may still be imaging (i - 1) and the one whose parts it then drops (i - 1 - releaseLag). The
// clean-solid window used to stop at i - 2 and lost the dropped layer ("invalid layer index.").
TEST(WindowPlan, OutputWindowKeepsTheImageThreadsLayers) {
    for (bool infill : {false, true})
        for (bool cleanSolid : {false, true})
            for (float postBottom : {0.0f, 1.5f, 10.0f}) {
                SliceConfig s;
                s.infill.enable = infill;
                s.supportCleanSolid.enable = cleanSolid;
                s.postSupport.bottomSolidThickness = postBottom;
                s.normalise();
                const WindowPlan plan = planWindows(s, 400);
                for (int32_t i = 0; i < 400; ++i) {
                    const StageWindow w = stageWindow(plan, job_stage_t::output, i);
                    ASSERT_TRUE(w.reads.contains(i - 1 - plan.releaseLag) || i - 1 - plan.releaseLag < 0);
                    ASSERT_LE(w.resident.first, w.reads.first);
                    ASSERT_GE(w.resident.end, w.reads.end);
                }
            }
}
