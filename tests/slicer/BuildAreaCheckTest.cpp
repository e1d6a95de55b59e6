#include <gtest/gtest.h>

#include "slicer/BuildAreaCheck.h"
#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

constexpr int32_t mm = 10000;

struct Placed {
    double x0, y0, x1, y1; // mm
    part_type_t type = part_type_t::model;
};

// The warnings, then the failure's message when there is one.
std::vector<std::string> check(const LoadedModels& models, int32_t extraBlankPixel = 0) {
    SliceConfig c;
    c.poly2img.sizeX = 100;
    c.poly2img.sizeY = 80;
    c.poly2img.pixelX = 1000; // 0.1 mm pixels: half a pixel of tolerance is 0.05 mm
    c.poly2img.pixelY = 800;
    c.poly2img.extraBlankPixel = extraBlankPixel;
    std::vector<std::string> lines;
    const std::string failure =
        errorOf([&] { checkBuildArea(models, c, [&](const std::string& w) { lines.push_back(w); }); });
    if (!failure.empty()) lines.push_back(failure);
    return lines;
}

LoadedModels meshes(const std::vector<Placed>& boxes) {
    LoadedModels m;
    for (const Placed& b : boxes) {
        m.meshes.push_back({boxMesh(int32_t(b.x0 * mm), int32_t(b.y0 * mm), 0, int32_t(b.x1 * mm),
                                    int32_t(b.y1 * mm), 5 * mm),
                            0, 0});
        m.meshSpecs.push_back({"box" + std::to_string(m.meshes.size()) + ".stl", part_format_t::stl, b.type});
    }
    return m;
}

const std::string area = "build area x -50.00 to 50.00 mm, y -40.00 to 40.00 mm";

} // namespace

// The build area is 100 x 80 mm around the plate centre, whatever the margins.
TEST(BuildAreaCheck, WarnsOfModelsPartlyOutsideAndFailsOnModelsWhollyOutside) {
    struct Row {
        const char* what;
        std::vector<Placed> boxes;
        std::vector<std::string> lines;
    };
    const std::string wholly = "model box1.stl lies wholly outside the build area: model ";
    const Row rows[] = {
        {"inside; flush with the right edge and 0.04 mm (less than half a pixel) past the back edge",
         {{-10, -10, 10, 10}, {30, 0, 50, 40.04}},
         {}},
        {"past the left and back edges",
         {{-60, 30, -40, 45}},
         {"warning: model box1.stl reaches past the build area by 10.00 mm at the left edge, 5.00 mm at the "
          "back edge (model x -60.00 to -40.00 mm, y 30.00 to 45.00 mm; " +
          area + "); what lies outside is not printed"}},
        {"a wall past the front edge",
         {{0, -45, 10, 0, part_type_t::supportWall}},
         {"warning: support-wall box1.stl reaches past the build area by 5.00 mm at the front edge ("}},
        {"wholly to the right, then one inside",
         {{60, -10, 80, 10}, {0, 0, 1, 1}},
         {wholly + "x 60.00 to 80.00 mm, y -10.00 to 10.00 mm; " + area +
          " (100 x 80 mm around the plate centre)"}},
        {"touching the area from outside", {{-70, 0, -50, 10}}, {wholly + "x -70.00 to -50.00 mm"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<std::string> lines = check(meshes(row.boxes));
        ASSERT_EQ(lines.size(), row.lines.size());
        for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].rfind(row.lines[i], 0), 0u) << lines[i];
    }
}

// Margins are never printed; an SLC model lies where its transform puts it; a later model sharing a
// mesh lies at its offset from the first, whose own offset the mesh already holds.
TEST(BuildAreaCheck, ModelsAreTakenAsTheyWillBeSliced) {
    EXPECT_EQ(check(meshes({{52, 0, 58, 10}}), 100).size(), 1u) << "in the margin only";

    LoadedModels slc;
    auto data = std::make_shared<SlcData>();
    data->layers = {{{{0, 0}, {0, 0}, {10, 0}, {10, 10}}}};
    slc.slcs.push_back({data, identityTransform});
    slc.slcs[0].transform[7] = -45; // y shifted to -45 .. -35
    slc.slcSpecs.push_back({"part.slc", part_format_t::slc, part_type_t::model});
    EXPECT_EQ(check(slc),
              (std::vector<std::string>{"warning: model part.slc reaches past the build area by 5.00 mm "
                                        "at the front edge (model x 0.00 to 10.00 mm, y -45.00 to "
                                        "-35.00 mm; " +
                                        area + "); what lies outside is not printed"}));

    LoadedModels shared = meshes({{0, 0, 10, 10}, {0, 0, 10, 10}});
    shared.meshes[1].mesh = shared.meshes[0].mesh;
    shared.meshes[0].offsetX = 30 * mm; // already in the mesh
    shared.meshes[1].offsetX = 100 * mm;
    const std::vector<std::string> lines = check(shared);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(
        lines[0].rfind("model box2.stl lies wholly outside the build area: model x 70.00 to 80.00 mm", 0), 0u)
        << lines[0];
}

// The printer is 10 mm high; the default raft is 100 layers of 0.02 mm. A model's top counts in whole
// layers, rounded as the layer list rounds its height, over the raft; walls add no layers.
TEST(BuildAreaCheck, WarnsOfModelsAboveThePrintersHeight) {
    struct Row {
        const char* what;
        int32_t topUnits, raftLayers;
        part_type_t type;
        std::string warning; // empty: none
    };
    const std::string above = "warning: model tall.stl reaches above the printer's height by ";
    const Row rows[] = {
        {"8 mm on 2 mm of raft ends flush with the printer's top", 8 * mm, 100, part_type_t::model, ""},
        {"8.009 mm rounds to 400 layers", 80090, 100, part_type_t::model, ""},
        {"8.01 mm rounds to 401 layers, one above", 80100, 100, part_type_t::model,
         above +
             "0.02 mm (its last layer ends at 10.02 mm, the raft's 2.00 mm included; printer height 10.00 "
             "mm); the printer cannot print what lies above"},
        {"without a raft", 105000, 0, part_type_t::model,
         above + "0.50 mm (its last layer ends at 10.50 mm, "},
        {"a wall adds no layers", 20 * mm, 100, part_type_t::modelWall, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        LoadedModels models;
        models.meshes.push_back({boxMesh(0, 0, 0, mm, mm, row.topUnits), 0, 0});
        models.meshSpecs.push_back({"tall.stl", part_format_t::stl, row.type});
        SliceConfig c;
        c.poly2img.sizeZ = 10;
        c.raft.layerCnt = row.raftLayers;
        std::vector<std::string> lines;
        checkBuildArea(models, c, [&](const std::string& w) { lines.push_back(w); });
        ASSERT_EQ(lines.size(), row.warning.empty() ? 0u : 1u);
        for (const std::string& line : lines) EXPECT_EQ(line.rfind(row.warning, 0), 0u) << line;
    }
}
