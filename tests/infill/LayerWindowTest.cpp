#include <gtest/gtest.h>

#include "infill/InfillTestUtil.h"
#include "infill/LayerWindow.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

LayerWindowParams params(part_type_t type, int32_t shell, int32_t top, int32_t bottom) {
    return {200, 500, 1000, 1, shell, top, bottom, type};
}

} // namespace

// Support is cut by the union of all models of its layer: where two models overlap, the
// even-odd difference of both once gave the overlap back to the support.
TEST(LayerWindow, SupportAreaIsCutByAllModelsAsOne) {
    SliceConfig s;
    auto job = modelJob(s, 1, [](int32_t) { return Paths{rect(-5, -5, 1, 5)}; });
    addPart(*job, 0, {rect(-1, -5, 5, 5)}, part_type_t::model, slotArea);
    addPart(*job, 0, {rect(-10, -10, 10, 10)}, part_type_t::support, slotSupportSource);
    LayerWindow w(job->layers);
    w.init(params(part_type_t::support, 0, 0, 0));
    const Region& area = w.supportArea({0, 2, 0});
    // Shrunk by precision / 4 and regrown by precisionOuter / 2: 0.02 mm wider on every edge.
    EXPECT_NEAR(pathsArea(area.paths), double(mm(20) * mm(20) - mm(10) * mm(10)), 3e8)
        << "not 20 mm² more for the overlap";
    EXPECT_TRUE(w.island({0, 2, 0}).slots.contains(slotSupportArea));
    EXPECT_EQ(&w.supportArea({0, 0, 0}), &w.island({0, 0, 0}).slots.at(slotArea))
        << "a model island's own area";
}

// With no shell the inner area is the island's area; with no skins the fill area is what the
// next step layer above covers, and an island with nothing above has none (a top skin).
TEST(LayerWindow, NoShellAndNoSkins) {
    SliceConfig s;
    auto job = modelJob(s, 3, [](int32_t k) { return Paths{k == 2 ? rect(0, 0, 4, 4) : rect(0, 0, 8, 8)}; });
    LayerWindow w(job->layers);
    w.init(params(part_type_t::model, 0, 0, 0));
    EXPECT_NEAR(pathsArea(w.innerArea({0, 0, 0}).paths), double(mm(8) * mm(8)), 1e3);
    EXPECT_NEAR(pathsArea(w.fillArea({1, 0, 0}).paths), double(mm(4) * mm(4)), 1e3);
    EXPECT_EQ(w.links({1, 0, 0}), (std::vector<IslandRef>{{2, 0, 0}}));
    EXPECT_TRUE(w.fillArea({2, 0, 0}).paths.empty());
    EXPECT_TRUE(w.links({2, 0, 0}).empty());
}
