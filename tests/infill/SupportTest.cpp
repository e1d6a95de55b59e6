#include <gtest/gtest.h>

#include "infill/GridSupport.h"
#include "infill/InfillTestUtil.h"
#include "infill/PostSupport.h"
#include "infill/SupportProjector.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

SliceConfig normalised(SliceConfig s) {
    s.normalise();
    return s;
}

void projectAll(SliceJob& job) {
    SupportProjector projector(job, job.settings);
    for (int32_t k = job.layers.layerCount() - 1; k >= 0; --k) {
        projector.preOffset(job.settings, k);
        projector.project(job.settings, k);
    }
}

const LayerPart* supportPart(SliceJob& job, int32_t layer) {
    for (const LayerPart& p : job.layers.layer(layer).parts)
        if (p.type == part_type_t::support) return &p;
    return nullptr;
}

// A T: a 2 mm column on layers 0 to 5, a 10 mm bar on layers 6 to 9.
std::unique_ptr<SliceJob> tJob(const SliceConfig& s) {
    return modelJob(s, 10, [](int32_t k) { return Paths{k < 6 ? rect(-1, -1, 1, 1) : rect(-5, -1, 5, 1)}; });
}

} // namespace

// Without overlay the last layer casts nothing and gets no support part; every other layer
// gets one, holding the shadow of everything above it.
TEST(SupportProjector, ProjectsEverythingAboveStraightDown) {
    auto job = tJob(normalised(SliceConfig()));
    projectAll(*job);
    EXPECT_EQ(supportPart(*job, 9), nullptr);
    for (int32_t k = 0; k < 9; ++k) {
        const LayerPart* part = supportPart(*job, k);
        ASSERT_NE(part, nullptr) << k;
        ASSERT_EQ(part->islands.size(), 1u);
        const Region& source = part->islands[0].slots.at(slotSupportSource);
        EXPECT_NEAR(pathsArea(source.paths), double(mm(10) * mm(2)), 1e6) << k;
        EXPECT_EQ(part->box, source.box);
    }
}

// With overlay the last layer gets a support part too: its model grown by the margin, which
// leaves a ring of the margin's width once the model is cut away.
TEST(SupportProjector, OverlayRingsTheModel) {
    SliceConfig s;
    s.supportOverlay.enable = true;
    s.supportOverlay.margin = 0.5f;
    auto job = tJob(normalised(s));
    projectAll(*job);
    const LayerPart* part = supportPart(*job, 9);
    ASSERT_NE(part, nullptr);
    const double bar = double(mm(10) * mm(2));
    EXPECT_NEAR(pathsArea(part->islands[0].slots.at(slotSupportSource).paths), double(mm(11) * mm(3)), 2e6);
    LayerWindow w(job->layers);
    w.init({200, 500, 1000, 5, 0, 0, 0, part_type_t::support});
    // The ring is then regrown by precisionOuter / 2 less precision / 4: 0.02 mm on both edges.
    const double ring = pathsArea(w.supportArea({9, 1, 0}).paths);
    EXPECT_NEAR(ring, double(mm(11) * mm(3)) - bar + 1.04e8, 1e7);
}

// The pre-offset shears the model before it is projected, and the island's part box follows it:
// a narrow island 50 mm off the axis moves 8.8 mm aside at 10°, out of its old box, and must
// still cut the support it casts on its own layer (once it did not, and the support filled it).
TEST(SupportProjector, ShearedModelStillCutsItsSupport) {
    SliceConfig s;
    s.prepOfs.enable = true;
    s.prepOfs.angle = 10.0f;
    auto job = modelJob(normalised(s), 4,
                        [](int32_t k) { return k < 3 ? Paths{rect(-0.5, 50, 0.5, 51)} : Paths{}; });
    projectAll(*job);
    const LayerPart& model = job->layers.layer(1).parts[0];
    const IntBox sheared = model.islands[0].slots.at(slotArea).box;
    EXPECT_EQ(model.box, sheared);
    EXPECT_LT(sheared.maxX, mm(-8)) << "x shifted by y tan 10°";
    EXPECT_EQ(supportPart(*job, 1)->islands[0].slots.at(slotSupportSource).box, sheared);
    LayerWindow w(job->layers);
    w.init({200, 500, 1000, 5, 0, 0, 0, part_type_t::support});
    EXPECT_TRUE(w.supportArea({1, 1, 0}).paths.empty());
}

// The notched post and the tied post for the default settings, for gap ratio 0 (no notch), and
// for a notch so deep that its apex is cut off at the centre.
TEST(PostSupport, PostOutlines) {
    const SliceConfig s = normalised(SliceConfig());
    const PostShapes shapes = postShapes(s, 115);
    const Path post = {{-5000, -5000}, {-1500, -5000}, {0, -2402}, {1500, -5000},
                       {5000, -5000},  {5000, -1500},  {2402, 0},  {5000, 1500},
                       {5000, 5000},   {1500, 5000},   {0, 2402},  {-1500, 5000},
                       {-5000, 5000},  {-5000, 1500},  {-2402, 0}, {-5000, -1500}};
    ASSERT_EQ(shapes.post.size(), 1u);
    EXPECT_EQ(shapes.post[0], post);
    const Path link = {{-5000, -5000}, {-1500, -5000}, {0, -2402},    {1500, -5000}, {7000, -5000},
                       {7000, -1500},  {5000, -1500},  {2402, 0},     {5000, 1500},  {5000, 5000},
                       {1500, 5000},   {0, 2402},      {-1500, 5000}, {-1500, 7000}, {-5000, 7000},
                       {-5000, 1500},  {-2402, 0},     {-5000, -1500}};
    EXPECT_EQ(shapes.link[0], link);
    // Cores: grown by (2000 - 115) / 2 = 942.
    EXPECT_EQ(pathsBox(shapes.postCore).maxX, 5000 + 942);

    SliceConfig flat;
    flat.postSupport.gapRatio = 0.0f;
    const Path square = postShapes(normalised(flat), 115).post[0];
    EXPECT_EQ(square[1], IntPoint(0, -5000));
    EXPECT_EQ(square[2], IntPoint(0, -5000)) << "the notch's apex on the side";
    EXPECT_DOUBLE_EQ(std::abs(pathsArea({square})), 1e8);

    SliceConfig deep;
    deep.postSupport.gapRatio = 0.6f;
    deep.postSupport.gapAngle = 15.0f;
    EXPECT_EQ(postShapes(normalised(deep), 115).post[0][2], IntPoint(0, 0)) << "cut off at the centre";

    SliceConfig tight;
    tight.postSupport.postSpace = 0.05f; // (500 - 746) / 2 < 100 at a 15° roof
    EXPECT_TRUE(postShapes(normalised(tight), 746).postCore.empty());
    EXPECT_TRUE(postShapes(normalised(tight), 746).linkCore.empty());
}

// Posts stand on the lattice anchored at the centre of the models' box: a 24 mm support area
// around a model box centred at (3, 2) mm holds whole posts centred at (3 + 1.2 i, 2 + 1.2 j).
TEST(PostSupport, PostsAreAnchoredAtTheModelBoxCentre) {
    SliceConfig s;
    s.precision.layerHeight = 0.1f; // a top skin of 15 layers
    s = normalised(s);
    auto job = modelJob(s, 41, [](int32_t k) { return k == 39 ? Paths{rect(-9, -10, 15, 14)} : Paths{}; });
    projectAll(*job);
    for (int32_t k = 0; k < 41; ++k) {
        bool flag = false;
        PostSupport(*job).run(s, k, flag);
    }
    const Paths& hollow = slotOf(*job, 5, slotHollow, 1);
    ASSERT_FALSE(hollow.empty());
    // The hollow has a hole for every post; a post's hole is its outline, centred on the lattice.
    int32_t posts = 0;
    for (const Path& p : hollow) {
        if (pathsArea({p}) > 0) continue;
        const IntBox b = pathsBox({p});
        if (b.maxX - b.minX != mm(1)) continue;
        ++posts;
        EXPECT_EQ(((b.minX + b.maxX) / 2 - mm(3)) % mm(1.2), 0);
        EXPECT_EQ(((b.minY + b.maxY) / 2 - mm(2)) % mm(1.2), 0);
    }
    EXPECT_GT(posts, 100);
}

// A clean-solid band starts where the model area summed over layers reaches the threshold,
// not one layer later: 100 x 100 mm layers reach 0.5 x 10^14 square units at layer 49, and the
// next band 50 layers on. The band (its start and one more layer) prints solid grid support.
TEST(GridSupport, CleanSolidBandsStartAtTheThreshold) {
    SliceConfig s;
    s.precision.layerHeight = 0.1f;
    s.gridSupport.enable = true;
    s.postSupport.enable = false;
    s.supportCleanSolid.enable = true;
    s.supportCleanSolid.interval = 0.5f;
    s.supportCleanSolid.thickness = 0.1f;
    s = normalised(s);
    auto job = modelJob(s, 111, [](int32_t k) {
        return k < 100 ? Paths{rect(-50, -50, 50, 50)} : k < 110 ? Paths{rect(-60, -60, 60, 60)} : Paths{};
    });
    projectAll(*job);
    std::vector<int32_t> starts;
    for (int32_t k = 0; k < 111; ++k) {
        bool flag = false;
        GridSupport(*job).run(s, k, flag);
        if (flag) starts.push_back(k);
    }
    EXPECT_EQ(starts, (std::vector<int32_t>{49, 99}));
    // The support ring under the overhang: solid in the band, cells around it.
    for (int32_t k : {49, 50}) EXPECT_TRUE(slotOf(*job, k, slotHollow, 1).empty()) << k;
    for (int32_t k : {48, 52, 70}) EXPECT_FALSE(slotOf(*job, k, slotHollow, 1).empty()) << k;
    EXPECT_FALSE(job->layers.layer(70).parts[1].islands[0].slots.contains(slotCells))
        << "support cells are drawn nowhere: dropped once the hollow is kept";
}
