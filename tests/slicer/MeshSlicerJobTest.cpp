// The size and slice stages: the layer list, and parts stored per model and layer of a job.

#include <gtest/gtest.h>

#include <algorithm>

#include "slicer/LayerCompose.h"
#include "slicer/MeshSlicer.h"
#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

void addMesh(LoadedModels& models, std::shared_ptr<TriMesh> mesh, int32_t offsetX, int32_t offsetY,
             part_type_t type = part_type_t::model) {
    models.meshes.push_back(MeshInstance{std::move(mesh), offsetX, offsetY});
    models.meshSpecs.push_back({{}, {}, type});
}

void addSlc(LoadedModels& models, std::shared_ptr<SlcData> slc, const ModelTransform& m, part_type_t type) {
    models.slcs.push_back(SlcInstance{std::move(slc), m});
    models.slcSpecs.push_back({{}, {}, type});
}

// SLC layers 0.05 mm thick from z = 0, each a square of the given side in mm closed by its first point.
std::shared_ptr<SlcData> slcSquares(std::initializer_list<float> sides) {
    auto slc = std::make_shared<SlcData>();
    slc->minZ = 0;
    slc->layerThickness = 0.05f;
    for (float a : sides) slc->layers.push_back({{{0, 0}, {a, 0}, {a, a}, {0, a}, {0, 0}}});
    return slc;
}

// The slice stage, then the whole store as the window.
LayerHeights sliceAll(SliceJob& job, LoadedModels& models) {
    LayerHeights lh = buildLayerHeights(job.settings, stackHeight(models));
    job.layers.initLayers(lh.count());
    sliceLayers(job, models, lh);
    job.layers.setWindow(0, lh.count());
    return lh;
}

std::unique_ptr<SliceJob> newJob(float layerHeightMm) {
    auto job = std::make_unique<SliceJob>();
    job->settings.precision.layerHeight = layerHeightMm;
    job->settings.raft.layerCnt = 0;
    return job;
}

// The same closed contour, whatever point it starts at.
bool sameContour(Path a, const Path& b) {
    for (size_t shift = 0; shift < a.size(); ++shift) {
        if (a == b) return true;
        std::rotate(a.begin(), a.begin() + 1, a.end());
    }
    return false;
}

const Paths& slot0(const LayerPart& part) { return part.islands.at(0).slots.at(0).paths; }

} // namespace

// The layer list: count rounded to nearest, raft layers below, cuts at the middle of each layer.
TEST(MeshSlicerHeights, CountRoundsToNearestAndCutsMidLayer) {
    const struct {
        const char* what;
        float layerHeightMm;
        int32_t raftLayerCnt;
        int32_t stack;
        int32_t modelLayers;
        int32_t raftLayers;
    } cases[] = {
        // 1249 / 500 = 2.498 rounds down
        {"just under a half", 0.05f, 0, 1249, 2, 0},
        // 1250 / 500 = 2.5 rounds up
        {"exactly a half", 0.05f, 0, 1250, 3, 0},
        // a negative count counts as 0
        {"below the plate", 0.05f, 0, -100000, 0, 0},
        // raft layers of the store sit below the model layers, uncut
        {"with raft", 0.02f, 3, 1000, 5, 3},
    };
    for (const auto& t : cases) {
        SliceConfig c;
        c.precision.layerHeight = t.layerHeightMm;
        c.raft.layerCnt = t.raftLayerCnt;
        ASSERT_EQ(storeRaftLayers(c), t.raftLayers) << t.what;
        const int32_t thickness = layerUnits(c);
        const LayerHeights lh = buildLayerHeights(c, t.stack);
        ASSERT_EQ(lh.count(), t.modelLayers + t.raftLayers) << t.what;
        ASSERT_EQ(lh.thickness.size(), lh.heights.size()) << t.what;
        for (int32_t l = 0; l < lh.count(); ++l) {
            EXPECT_EQ(lh.thickness[size_t(l)], thickness) << t.what << " layer " << l;
            const int32_t k = l - t.raftLayers;
            EXPECT_EQ(lh.heights[size_t(l)], k < 0 ? 0 : thickness / 2 + k * thickness)
                << t.what << " layer " << l;
        }
    }
}

// A shared mesh is cut once, its later instance a copy moved by the difference of the offsets;
// above the short shared mesh its parts and their boxes stay empty.
TEST(MeshSlicerJob, SharedMeshAtTwoOffsetsIsCopied) {
    auto job = newJob(0.1f);
    LoadedModels models;
    auto shared = boxMesh(-10000, -10000, 0, 10000, 10000, 50000);
    addMesh(models, boxMesh(-300000, -10000, 0, -280000, 10000, 100000), 0, 0);
    addMesh(models, shared, 0, 0);
    addMesh(models, shared, 200000, 0, part_type_t::modelWall);
    sliceAll(*job, models);
    ASSERT_EQ(job->layers.layerCount(), 100);
    for (int32_t l = 0; l < 100; ++l) {
        const Layer& layer = job->layers.layer(l);
        ASSERT_EQ(layer.parts.size(), 3u) << "layer " << l;
        const LayerPart& first = layer.parts[1];
        const LayerPart& copy = layer.parts[2];
        EXPECT_EQ(copy.type, part_type_t::modelWall);
        if (l >= 50) {
            EXPECT_TRUE(copy.islands.empty());
            EXPECT_EQ(copy.box, IntBox{}) << "layer " << l;
            continue;
        }
        ASSERT_EQ(copy.islands.size(), 1u);
        EXPECT_TRUE(sameContour(slot0(first)[0], square(-10000, -10000, 20000)));
        EXPECT_TRUE(sameContour(slot0(copy)[0], square(190000, -10000, 20000))) << "layer " << l;
        EXPECT_EQ(copy.box, (IntBox{190000, -10000, 210000, 10000}));
        EXPECT_EQ(copy.islands[0].slots.at(0).box, copy.box);
    }
    EXPECT_EQ(job->modelBox, (IntBox{-300000, -10000, 10000, 10000}));
}

// Two SLC layers beside a mesh of four: layer 2 (cut at 0.125 mm) is above the stack's top at
// 0.1 mm; a stack without thickness and one without layers add nothing. Contours lose their repeated first
// point and are placed by the transform; a stack turned upside down counts its layers from the top.
TEST(MeshSlicerJob, SlcLayersRisingAndFalling) {
    const struct {
        const char* what;
        ModelTransform m;
        int64_t sideOfLayer0, sideOfLayer1;
    } cases[] = {
        {"rising, moved 10 mm in x", {{1, 0, 0, 10, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, 20000, 10000},
        {"falling", {{1, 0, 0, 10, 0, 1, 0, 0, 0, 0, -1, 0.1f, 0, 0, 0, 1}}, 10000, 20000},
    };
    for (const auto& t : cases) {
        auto job = newJob(0.05f);
        LoadedModels models;
        addMesh(models, boxMesh(-10000, -10000, 0, 10000, 10000, 2000), 0, 0);
        addSlc(models, slcSquares({2, 1}), t.m, part_type_t::supportWall);
        auto flat = slcSquares({1, 1});
        flat->layerThickness = 0;
        addSlc(models, flat, t.m, part_type_t::model);
        auto empty = slcSquares({});
        empty->minZ = 0.1f;
        addSlc(models, empty, t.m, part_type_t::model);
        sliceAll(*job, models);
        ASSERT_EQ(job->layers.layerCount(), 4) << t.what;
        const int64_t sides[2] = {t.sideOfLayer0, t.sideOfLayer1};
        for (int32_t l = 0; l < 4; ++l) {
            const Layer& layer = job->layers.layer(l);
            ASSERT_EQ(layer.parts.size(), l < 2 ? 2u : 1u) << t.what << " layer " << l;
            if (l >= 2) continue;
            EXPECT_EQ(layer.parts[1].type, part_type_t::supportWall);
            const Paths& paths = slot0(layer.parts[1]);
            ASSERT_EQ(paths.size(), 1u);
            EXPECT_TRUE(sameContour(paths[0], square(100000, 0, sides[l]))) << t.what << " layer " << l;
        }
    }
}

TEST(MeshSlicerJob, WallsAreNotScaledAndDoNotRaiseTheStack) {
    SliceConfig c;
    c.size.enable = true;
    c.size.scaleX = 2;
    c.size.scaleY = 1;
    c.size.scaleZ = 0.5f;
    LoadedModels models;
    auto model = boxMesh(-10000, -10000, 0, 10000, 10000, 40000);
    addMesh(models, model, 1000, 3000);
    addMesh(models, model, 5000, 0); // shared: scaled once, placed again
    addMesh(models, boxMesh(-10000, -10000, 0, 10000, 10000, 90000), 1000, 3000, part_type_t::modelWall);
    addSlc(models, std::make_shared<SlcData>(), identityTransform, part_type_t::model);
    addSlc(models, std::make_shared<SlcData>(), identityTransform, part_type_t::supportWall);
    scaleModels(models, c);

    EXPECT_EQ(model->min, (std::array<int32_t, 3>{{-20000, -10000, 0}}));
    EXPECT_EQ(model->max, (std::array<int32_t, 3>{{20000, 10000, 20000}}));
    EXPECT_EQ(models.meshes[0].offsetX, 2000);
    EXPECT_EQ(models.meshes[0].offsetY, 3000);
    EXPECT_EQ(models.meshes[1].offsetX, 10000);
    EXPECT_EQ(models.meshes[2].mesh->max, (std::array<int32_t, 3>{{10000, 10000, 90000}}));
    EXPECT_EQ(models.meshes[2].offsetX, 1000);
    const ModelTransform& scaled = models.slcs[0].transform;
    EXPECT_EQ(scaled[0], 2.0f);
    EXPECT_EQ(scaled[10], 0.5f);
    EXPECT_EQ(models.slcs[1].transform, identityTransform);
    // the wall is 9 mm tall, the scaled model 2 mm
    EXPECT_EQ(stackHeight(models), 20000);
}
