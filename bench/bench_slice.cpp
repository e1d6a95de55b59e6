// Times the size and slice stages on the largest shared model and on a
// generated mesh of about a million triangles, at 0.02 mm layers.
//
//   bench_slice [model.stl ...]
//
// Prints, per mesh: triangles, layers, the size and slice stage times,
// triangles per second of the slice stage, the share of cutting and chaining
// alone (no layer store), and the peak resident memory so far.

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <QFileInfo>

#include "BenchMeshes.h"
#include "model/MeshReaders.h"
#include "slicer/LayerCompose.h"
#include "slicer/MeshSlicer.h"
#include "slicer/SegmentChainer.h"

using namespace Voxmill;
using Voxmill::Bench::wavyVase;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// The stages print their progress lines on standard output; they are not
// part of the figures, so the output is muted while a stage runs.
struct MutedStdout {
    int saved;
    MutedStdout() : saved(dup(1)) {
        std::fflush(stdout);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~MutedStdout() {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

long peakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Cutting and chaining alone, in batches of 200 layers, for the split.
double cutAndChainSeconds(const TriMesh& mesh, const LayerHeights& lh, int32_t first, ChainStats& stats) {
    const Clock::time_point start = Clock::now();
    std::vector<LayerCuts> cuts(200);
    SegmentChainer chainer;
    Paths paths;
    for (int32_t i = first; i < lh.count(); i += 200) {
        const int32_t n = std::min(200, lh.count() - i);
        cutFaces(mesh.vertices, mesh.faces(), lh.heights.data() + i, n, cuts);
        for (int32_t l = 0; l < n; ++l) {
            chainer.chain(cuts[size_t(l)], mesh.faces(), paths);
            simplifyPaths(paths, 200);
            cuts[size_t(l)].clear();
        }
    }
    stats = chainer.stats();
    return secondsSince(start);
}

// The size and slice stages as the job runs them.
void runStages(const char* name, std::shared_ptr<TriMesh> mesh) {
    auto job = std::make_unique<SliceJob>();
    job->settings.precision.layerHeight = 0.02f;
    job->settings.raft.layerCnt = 0;
    job->settings.size.enable = true; // scale 1: the size stage does its full walk
    LoadedModels models;
    models.meshes.push_back(MeshInstance{mesh, 0, 0});
    models.meshSpecs.push_back(ModelSpec{});

    std::optional<MutedStdout> muted;
    muted.emplace();
    Clock::time_point start = Clock::now();
    scaleModels(models, job->settings);
    const double sizeSeconds = secondsSince(start);

    start = Clock::now();
    const LayerHeights lh = buildLayerHeights(job->settings, stackHeight(models));
    const int32_t n = lh.count();
    job->layers.initLayers(n);
    sliceLayers(*job, models, lh);
    const int32_t first = storeRaftLayers(job->settings);
    const double sliceSeconds = secondsSince(start);
    muted.reset();

    ChainStats stats;
    const double pureSeconds = cutAndChainSeconds(*mesh, lh, first, stats);
    const double faces = double(mesh->faces().size());
    std::printf("%-22s %9.0f triangles %6d layers  size %7.3f s  slice %7.3f s  %6.2f M triangles/s  "
                "cut+chain alone %7.3f s  (%lld contours, %lld chains dropped)  peak %ld MB\n",
                name, faces, n, sizeSeconds, sliceSeconds, faces / sliceSeconds / 1e6, pureSeconds,
                (long long)(stats.closedChains + stats.joinedContours), (long long)stats.droppedChains,
                peakMemoryMb());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) files.push_back(argv[i]);
    if (files.empty()) files.push_back(VOXMILL_SHARED_MODELS "/real/3DBenchy.stl");
    for (const std::string& file : files) {
        const QString path = QString::fromStdString(file);
        if (!QFileInfo(path).isFile()) {
            std::printf("%s: not found, skipped\n", file.c_str());
            continue;
        }
        const Clock::time_point start = Clock::now();
        std::shared_ptr<TriMesh> mesh(readStl(path));
        std::printf("read %s in %.3f s\n", file.c_str(), secondsSince(start));
        runStages(QFileInfo(path).fileName().toLocal8Bit().constData(), mesh);
    }
    const Clock::time_point start = Clock::now();
    std::shared_ptr<TriMesh> vase = wavyVase(1000, 500, 50.0);
    std::printf("built the generated mesh in %.3f s (neighbours included)\n", secondsSince(start));
    runStages("wavy vase (generated)", vase);
    return 0;
}
