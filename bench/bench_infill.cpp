// Times the model infill on the shared models: each model is sliced at the
// given layer height, then the infill runs layer by layer upwards in the
// output stage's windows, as the job does, without imaging.
//
//   bench_infill [layerHeightMm] [model.stl ...]
//
// Prints, per model and fill type: layers, milliseconds of infill per layer,
// the slowest layer, and the peak resident memory so far.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QFileInfo>

#include "infill/Infill.h"
#include "model/MeshReaders.h"
#include "slicer/MeshSlicer.h"

using namespace Voxmill;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

long peakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void runOne(const std::string& file, float layerHeight, FillType type) {
    auto job = std::make_unique<SliceJob>();
    SliceConfig& s = job->settings;
    s.precision.layerHeight = layerHeight;
    s.infill.enable = true;
    s.infill.fillType = type;
    s.normalise();
    LoadedModels models;
    models.meshes.push_back(
        MeshInstance{std::shared_ptr<TriMesh>(readStl(QString::fromStdString(file))), 0, 0});
    models.meshSpecs.push_back(ModelSpec{});
    const LayerHeights lh = buildLayerHeights(s, stackHeight(models));
    job->layers.initLayers(lh.count());
    sliceLayers(*job, models, lh);
    models.clear();

    const int32_t n = job->layers.layerCount();
    const WindowPlan plan = planWindows(s, n);
    double totalMs = 0, worstMs = 0;
    for (int32_t i = 0; i < n; ++i) {
        job->layers.setWindow(stageWindow(plan, job_stage_t::output, i));
        const Clock::time_point t = Clock::now();
        Infill(*job).run(s, i);
        const double ms = msSince(t);
        totalMs += ms;
        worstMs = std::max(worstMs, ms);
    }
    std::printf("%-34s %-11s %6d layers  infill %7.2f ms per layer (slowest %7.1f ms)  peak %ld MB\n",
                QFileInfo(QString::fromStdString(file)).fileName().toLocal8Bit().constData(),
                fillTypeWord(type).c_str(), n, totalMs / n, worstMs, peakMemoryMb());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    float layerHeight = 0.05f;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (i == 1 && std::atof(argv[i]) > 0)
            layerHeight = float(std::atof(argv[i]));
        else
            files.push_back(argv[i]);
    }
    if (files.empty())
        for (const char* m :
             {"real/3DBenchy.stl", "real/stanford_bunny_mm.stl", "real/bridge_test_nonmanifold.stl",
              "real/tolerance_pins_in_holes.stl", "analytic/nested_rings.stl"})
            files.push_back(std::string(VOXMILL_SHARED_MODELS "/") + m);
    std::printf("layer height %.3f mm, default infill settings\n", double(layerHeight));
    for (const std::string& file : files) {
        if (!QFileInfo(QString::fromStdString(file)).isFile()) {
            std::printf("%s: not found, skipped\n", file.c_str());
            continue;
        }
        for (FillType type : {FillType::rectGrid, FillType::support}) runOne(file, layerHeight, type);
    }
    return 0;
}
