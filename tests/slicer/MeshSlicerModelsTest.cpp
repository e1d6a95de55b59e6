// Slicing the shared models: analytic solids against their area formulas, every real model without error.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include <QDir>

#include "model/MeshReaders.h"
#include "slicer/SegmentChainer.h"
#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

const int32_t tolerance = 200; // 0.02 mm, the default general precision
const double unitsPerMmD = 10000.0;

// Cuts, chains and simplifies at every height, as the slice stage does.
std::vector<Paths> sliceAt(const TriMesh& mesh, const std::vector<int32_t>& heights,
                           ChainStats* stats = nullptr) {
    std::vector<LayerCuts> cuts(heights.size());
    cutFaces(mesh.vertices, mesh.faces(), heights.data(), int32_t(heights.size()), cuts);
    std::vector<Paths> layers(heights.size());
    SegmentChainer chainer;
    for (size_t i = 0; i < heights.size(); ++i) {
        chainer.chain(cuts[i], mesh.faces(), layers[i]);
        simplifyPaths(layers[i], tolerance);
    }
    if (stats) *stats = chainer.stats();
    return layers;
}

std::vector<int32_t> midLayerHeights(int32_t top) {
    std::vector<int32_t> heights;
    for (int32_t z = 250; z < top; z += 500) heights.push_back(z);
    return heights;
}

// Number of other contours around a contour: even for outer contours, odd for holes.
int depthOf(const Paths& paths, size_t i) {
    int depth = 0;
    for (size_t j = 0; j < paths.size(); ++j)
        if (j != i && ClipperLib::PointInPolygon(paths[i][0], paths[j]) != 0) ++depth;
    return depth;
}

double areaMm2(const Paths& paths) {
    double a = 0;
    for (const Path& p : paths) a += ClipperLib::Area(p);
    return a / (unitsPerMmD * unitsPerMmD);
}

// Regular 128-gons of circumradius r: K r^2 is the area, Kp r the perimeter.
const double pi = 3.14159265358979323846;
const double K = 64 * std::sin(2 * pi / 128);
const double Kp = 256 * std::sin(pi / 128);

// The sphere mesh: 64 rings of 128-gons at polar angles 180 (i + 0.5) / 64 degrees, the
// section's radius linear between rings.
double sphereMeshRadius(double z) {
    for (int i = 0; i < 63; ++i) {
        const double h0 = 10 - 10 * std::cos(pi * (i + 0.5) / 64),
                     h1 = 10 - 10 * std::cos(pi * (i + 1.5) / 64);
        const double r0 = 10 * std::sin(pi * (i + 0.5) / 64), r1 = 10 * std::sin(pi * (i + 1.5) / 64);
        if (z >= h0 && z <= h1) return r0 + (r1 - r0) * (z - h0) / (h1 - h0);
    }
    return 0;
}

struct Analytic {
    const char* file;
    int contours;                          // per layer, outer contours and holes
    std::function<double(double)> area;    // mm^2 at height z (mm)
    std::function<double(double)> outline; // perimeter in mm at height z
};

std::vector<Analytic> analyticModels() {
    auto constant = [](double v) { return [v](double) { return v; }; };
    auto cone = [](double z) { return 10 * (1 - z / 20); };
    return {
        {"box_20x20x10.stl", 1, constant(400), constant(80)},
        {"box_square_hole.stl", 2, constant(800), constant(160)},
        {"tube_r15_r10.stl", 2, constant(K * (15 * 15 - 10 * 10)), constant(Kp * 25)},
        {"t_overhang.stl", 1, [](double z) { return z < 20 ? 100.0 : 400.0; },
         [](double z) { return z < 20 ? 40.0 : 100.0; }},
        {"cone_r10_h20.stl", 1, [cone](double z) { return K * cone(z) * cone(z); },
         [cone](double z) { return Kp * cone(z); }},
        {"sphere_r10.stl", 1, [](double z) { return K * std::pow(sphereMeshRadius(z), 2); },
         [](double z) { return Kp * sphereMeshRadius(z); }},
        {"nested_rings.stl", 7, constant(529 * K), constant(Kp * (30 + 25 + 20 + 15 + 10 + 5 + 2))},
    };
}

} // namespace

// Every layer's area agrees with the formula within one tolerance band (plus two units of
// rounding) along the outline; outer contours counter-clockwise, holes clockwise; no contour
// lost unless the section is under a few tolerances across (tips of cone and sphere); and
// every contour closes along face neighbours, so crossings of a shared edge meet exactly.
TEST(MeshSlicerModels, AnalyticSolidsMatchTheirFormulas) {
    if (!sharedModelsPresent()) GTEST_SKIP() << "shared models folder not present";
    const double tinyArea = K * std::pow(4 * tolerance / unitsPerMmD, 2);
    for (const Analytic& model : analyticModels()) {
        SCOPED_TRACE(model.file);
        const std::unique_ptr<TriMesh> mesh = readStl(sharedModel("analytic/") + model.file);
        const std::vector<int32_t> heights = midLayerHeights(mesh->max[2]);
        ChainStats stats;
        const std::vector<Paths> layers = sliceAt(*mesh, heights, &stats);
        EXPECT_GT(layers.size(), 150u);
        EXPECT_EQ(stats.joinedContours + stats.droppedChains, 0);
        for (size_t l = 0; l < layers.size(); ++l) {
            const double z = heights[l] / unitsPerMmD;
            const Paths& paths = layers[l];
            const double band = model.outline(z) * (tolerance + 2) / unitsPerMmD;
            EXPECT_NEAR(areaMm2(paths), model.area(z), band) << "z = " << z;
            if (model.area(z) >= tinyArea) {
                EXPECT_EQ(int(paths.size()), model.contours) << "z = " << z;
            }
            for (size_t i = 0; i < paths.size(); ++i) {
                const bool hole = depthOf(paths, i) % 2 == 1;
                EXPECT_EQ(ClipperLib::Area(paths[i]) < 0, hole) << "z = " << z << " contour " << i;
            }
        }
    }
}

namespace {

struct Section {
    const char* file;
    double zMm;
    int outers, holes;
    double areaMm2; // < 0: not checked
};

// Sections of real models, measured independently of this program (areas to 0.1 mm^2).
const Section realSections[] = {
    {"calibration_cube_20mm.stl", 10, -1, -1, 394.3}, // engraved letters
    {"3DBenchy.stl", 10, 2, 3, -1},                   // hull with cabin
    {"tolerance_pins_in_holes.stl", 6, 6, 5, -1},     // plate with pins
    {"far_out_ring_ascii.stl", 5, 1, 1, -1},
};

} // namespace

// Every real model slices from bottom to top at 0.05 mm without error; models
// with open or non-manifold edges report how many open chains were dropped.
TEST(MeshSlicerModels, RealModelsSlice) {
    if (!sharedModelsPresent()) GTEST_SKIP() << "shared models folder not present";
    const QStringList files = QDir(sharedModel("real")).entryList({"*.stl"}, QDir::Files);
    EXPECT_FALSE(files.isEmpty());
    for (const QString& file : files) {
        const std::string name = file.toStdString();
        SCOPED_TRACE(name);
        const std::unique_ptr<TriMesh> mesh = readStl(sharedModel("real/") + file);
        ChainStats stats;
        const std::vector<Paths> layers = sliceAt(*mesh, midLayerHeights(mesh->max[2]), &stats);
        size_t contours = 0;
        for (const Paths& paths : layers) {
            contours += paths.size();
            for (const Path& p : paths) EXPECT_GE(p.size(), 3u);
        }
        std::printf("%-30s %6zu layers %8zu contours: %lld closed, %lld joined, %lld chains dropped\n",
                    name.c_str(), layers.size(), contours, (long long)stats.closedChains,
                    (long long)stats.joinedContours, (long long)stats.droppedChains);
        for (const Section& s : realSections) {
            if (name != s.file) continue;
            const Paths paths = sliceAt(*mesh, {int32_t(s.zMm * unitsPerMmD)})[0];
            int outers = 0, holes = 0;
            for (size_t i = 0; i < paths.size(); ++i) (depthOf(paths, i) % 2 ? holes : outers) += 1;
            if (s.outers >= 0) {
                EXPECT_EQ(outers, s.outers);
                EXPECT_EQ(holes, s.holes);
            }
            if (s.areaMm2 >= 0) {
                EXPECT_NEAR(areaMm2(paths), s.areaMm2, 0.1);
            }
        }
    }
}
