#include "app/Driver.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>

#include <QThread>

#include "base/Log.h"
#include "base/SideThread.h"
#include "config/SettingsFile.h"
#include "infill/GridSupport.h"
#include "infill/Infill.h"
#include "infill/PostSupport.h"
#include "infill/SolidSupport.h"
#include "infill/SupportProjector.h"
#include "model/MeshReaders.h"
#include "model/ProjectReader.h"
#include "output/AreaScan.h"
#include "output/ImagingTimes.h"
#include "output/ImgProcThd.h"
#include "output/OutputDirectory.h"
#include "slicer/BuildAreaCheck.h"
#include "slicer/LayerCompose.h"
#include "slicer/MeshSlicer.h"

namespace Voxmill {

namespace {

int64_t nsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - t).count();
}

QString qpath(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }

void readJobSettings(const CommandLineArgs& args, SliceConfig& settings) {
    if (!args.configPath.empty())
        readSettings(qpath(args.configPath), settings);
    else
        readProjectSettings(qpath(args.projectPath), settings);
}

void loadCommandLineModel(const ModelSpec& spec, LoadedModels& models) {
    if (spec.format == part_format_t::slc) {
        SlcInstance instance;
        instance.slc = std::make_shared<const SlcData>(readSlc(qpath(spec.file)));
        models.slcs.push_back(instance);
        models.slcSpecs.push_back(spec);
        return;
    }
    MeshInstance instance;
    instance.mesh = spec.format == part_format_t::zdm ? std::shared_ptr<TriMesh>(readZdm(qpath(spec.file)))
                                                      : std::shared_ptr<TriMesh>(readStl(qpath(spec.file)));
    models.meshes.push_back(instance);
    models.meshSpecs.push_back(spec);
}

void loadStage(const CommandLineArgs& args, LoadedModels& models) {
    stageStart("load");
    if (!args.projectPath.empty()) {
        ProjectLoadCache cache;
        readProjectModels(qpath(args.projectPath), cache, models);
    } else {
        for (const ModelSpec& spec : args.models) loadCommandLineModel(spec, models);
    }
    stageFinish(stageLoad, "load");
}

void sliceStages(SliceJob& job, LoadedModels& models) {
    const SliceConfig& s = job.settings;
    stageStart("size");
    scaleModels(models, s);
    checkBuildArea(models, s, [](const std::string& warning) { logPrint("%s\n", warning.c_str()); });
    stageFinish(stageSize, "size");

    const LayerHeights lh = buildLayerHeights(s, stackHeight(models));
    job.layers.initLayers(lh.count());
    stageStart("slice");
    sliceLayers(job, models, lh, [](float f) { stageProgress(stageSlice, "slice", f); });
    stageFinish(stageSlice, "slice");
    models.clear();
}

void preProcStage(SliceJob& job, const QString& outputDir) {
    stageStart("preProc");
    const SliceConfig& s = job.settings;
    AreaScan areas(s, outputDir);
    SupportProjector projector(job, s);
    const int32_t n = job.layers.layerCount();
    const WindowPlan plan = planWindows(s, n);
    for (int32_t k = n - 1; k >= 0; --k) {
        job.layers.setWindow(stageWindow(plan, job_stage_t::preProc, k));
        projector.preOffset(s, k);
        projector.project(s, k);
        areas.scanLayer(job.layers.layer(k), k);
        stageProgress(stagePreProc, "preProc", float(n - k) / float(n));
    }
    areas.write();
    stageFinish(stagePreProc, "preProc");
    writeSettings(outputDir + QStringLiteral("/config"), job.settings);
}

void preInfillStage(SliceJob& job) {
    if (!job.settings.supportCleanSolid.enable) return;
    stageStart("preInfill");
    const int32_t n = infillLookAhead(job.settings);
    job.layers.setWindow(
        stageWindow(planWindows(job.settings, job.layers.layerCount()), job_stage_t::preInfill, 0));
    // A job lower than the look-ahead has fewer layers to do.
    for (int32_t i = 0; i < n; ++i) {
        if (i < job.layers.layerCount()) Infill(job).run(job.settings, i);
        stageProgress(stagePreInfill, "preInfill", float(i + 1) / float(n));
    }
    stageFinish(stagePreInfill, "preInfill");
}

void runSupports(SliceJob& job, int32_t i, bool& cleanSolid) {
    const SliceConfig& s = job.settings;
    SolidSupport(job).run(s, i, cleanSolid);
    PostSupport(job).run(s, i, cleanSolid);
    GridSupport(job).run(s, i, cleanSolid);
}

// Everything the main thread makes of layer i before the image thread may
// draw it; true when a clean-solid band starts at i. In clean-solid mode the
// infill runs infillLookAhead layers ahead, so that the supports' record of
// printed model area sees the model's hollow.
bool generateLayer(SliceJob& job, const WindowPlan& plan, int32_t i, ImagingTimes& times) {
    const SliceConfig& s = job.settings;
    auto t = std::chrono::steady_clock::now();
    const int32_t infillLayer = plan.infillAhead ? i + plan.infillLookAhead : i;
    if (infillLayer < plan.layerCount) Infill(job).run(s, infillLayer);
    times.infillNs += nsSince(t);
    t = std::chrono::steady_clock::now();
    bool cleanSolid = false;
    runSupports(job, i, cleanSolid);
    times.supportNs += nsSince(t);
    return cleanSolid;
}

// The same with the infill on the side thread while the supports run here.
// The infill writes only model islands, the supports only support islands;
// the supports' one read of model islands, the support area, is worked out
// first for every layer from i up that this step may read (those below have
// theirs from their own step), so the two share nothing else.
// Not in clean-solid mode, where the supports' record reads the model's
// hollow as the infill leaves it.
bool generateLayerBeside(SliceJob& job, SideThread& side, const StageWindow& window, int32_t i,
                         ImagingTimes& times) {
    const SliceConfig& s = job.settings;
    auto t = std::chrono::steady_clock::now();
    SolidSupport(job).prepareAreas(s, i, window.reads.end);
    int64_t infillNs = 0;
    side.start([&job, &infillNs, i] {
        const auto start = std::chrono::steady_clock::now();
        Infill(job).run(job.settings, i);
        infillNs = nsSince(start);
    });
    bool cleanSolid = false;
    try {
        runSupports(job, i, cleanSolid);
    } catch (...) {
        try {
            side.wait(); // the task uses this frame: it must end before the frame goes
        } catch (...) {
        }
        throw;
    }
    times.supportNs += nsSince(t);
    side.wait();
    times.infillNs += infillNs;
    return cleanSolid;
}

void outputStage(SliceJob& job, const QString& outputDir) {
    const int32_t workers = job.workers;
    // The thread object lives in this scope: if anything below throws, its
    // destructor stops and joins the thread before the job goes away.
    ImgProcThd imager(job, outputDir, workers);
    imager.start();
    const int32_t n = job.layers.layerCount();
    const WindowPlan plan = planWindows(job.settings, n, workers);
    ImagingTimes times; // the generators' share, for the benchmark
    // With more than one worker (one per core by default) the infill runs
    // beside the supports.
    std::unique_ptr<SideThread> side;
    if (workers > 1 && job.settings.infill.enable && plan.support.active && !plan.infillAhead)
        side = std::make_unique<SideThread>();
    for (int32_t i = 0; i < n; ++i) {
        const StageWindow window = stageWindow(plan, job_stage_t::output, i);
        job.layers.setWindow(window);
        const bool cleanSolid =
            side ? generateLayerBeside(job, *side, window, i, times) : generateLayer(job, plan, i, times);
        if (cleanSolid) imager.markCleanSolid(i);
        imager.post(i);
        if (!imager.waitForLead()) break;
    }
    imager.join();
    addImagingTotals(times);
    if (imager.failed()) throw std::runtime_error("image thread failed.");
}

int32_t jobWorkers(const CommandLineArgs& args) {
    return args.workers > 0 ? args.workers : std::max(QThread::idealThreadCount(), 1);
}

} // namespace

void setupJobProgress(const SliceConfig& s) {
    setupProgress(s.size.enable, s.infill.enable && s.supportCleanSolid.enable);
}

void runJob(const CommandLineArgs& args, ProgressCallback callback, void* context) {
    auto job = std::make_unique<SliceJob>();
    job->workers = jobWorkers(args);
    readJobSettings(args, job->settings);
    setupJobProgress(job->settings);
    setProgressCallback(callback, context);

    const QString outputDir = qpath(args.outputDir);
    checkOutputDirectory(outputDir);
    LoadedModels models;
    loadStage(args, models);
    sliceStages(*job, models);
    preProcStage(*job, outputDir);
    preInfillStage(*job);
    outputStage(*job, outputDir);
}

} // namespace Voxmill
