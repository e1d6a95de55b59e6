#pragma once
// Whole jobs for the fuzz targets and the corpus replay test. The fuzzed bytes
// are one input of a job (a model file, a project or the settings); the rest
// is fixed and small. The job runs through runJob from the settings to the
// layer files, so every stage after the readers sees what they accepted. A
// rejected input ends its job with an exception; a fault is a crash or a
// sanitizer report.

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <string>

#include "FuzzEntries.h"
#include "app/Driver.h"
#include "slicer/MeshSlicer.h"

namespace VoxmillFuzz {

// A 256 x 256 grid over 64 mm, 0.5 mm layers, four raft layers (three
// stored below the model, one a copy of the first stored layer's files), two
// print areas, infill, post support and wait times on: cheap layers that pass
// every stage.
constexpr char jobSettings[] = "[precision]\nlayerHeight = 0.5\n[infill]\nenable = true\n"
                               "[postSupport]\ntopSolidThickness = 0.1\n"
                               "[raft]\nlayerCnt = 4\n[wall]\nareaPixels = 128,128\n"
                               "[waitTime]\nenable = true\n"
                               "[poly2img]\nsizeX = 64\nsizeY = 64\npixelX = 256\npixelY = 256\n";

// Larger jobs are not run: one float of a model makes a stack of a million
// layers, one line of settings a grid of gigapixels. Every layer costs its
// files and hand-offs however small it is, so the layers are counted as well
// as the pixels.
constexpr int64_t maxJobLayers = 32;
constexpr int64_t maxLayerPixels = 512 * 512;

using Box = std::array<float, 6>; // x0, y0, z0, x1, y1, z1 in millimetres

// Boxes as an ASCII STL file, twelve outward-wound triangles each.
template <size_t N> std::string boxesStl(const Box (&boxes)[N]) {
    static const int corners[8][3] = {{0, 1, 2}, {3, 1, 2}, {3, 4, 2}, {0, 4, 2},
                                      {0, 1, 5}, {3, 1, 5}, {3, 4, 5}, {0, 4, 5}};
    static const int faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                     {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    std::string stl = "solid fixed\n";
    for (const Box& box : boxes)
        for (const auto& face : faces) {
            stl += "facet normal 0 0 0\nouter loop\n";
            for (int c : face) {
                stl += "vertex";
                for (int axis : corners[c]) stl += " " + std::to_string(box[size_t(axis)]);
                stl += "\n";
            }
            stl += "endloop\nendfacet\n";
        }
    return stl + "endsolid fixed\n";
}

inline void writeText(const QString& path, const std::string& text) {
    writeBytes(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The directory of one process's jobs: the fixed settings and models, the
// fuzzed input and the output directory. Earlier jobs' outputs stay in it;
// a job writes its files and never reads them.
inline QString jobDir() {
    const QString dir = scratchFile("-job");
    if (!QFile::exists(dir + "/settings.ini")) {
        QDir().mkpath(dir + "/out");
        // The beside-models of the settings target: a T whose slab overhangs
        // its post, so that supports grow under it, and a thin wall.
        const Box t[] = {{{-1, -1, 0, 1, 1, 0.6f}}, {{-3, -3, 0.6f, 3, 3, 1}}};
        const Box wall[] = {{{5, -3, 0, 5.5f, 3, 1}}};
        writeText(dir + "/t.stl", boxesStl(t));
        writeText(dir + "/wall.stl", boxesStl(wall));
        writeText(dir + "/settings.ini", jobSettings);
    }
    return dir;
}

inline void removeJobDir() { QDir(scratchFile("-job")).removeRecursively(); }

inline std::string localPath(const QString& path) { return path.toLocal8Bit().toStdString(); }

// Whether a job is too large to run, from above: the stack over the layer
// thickness and every raft layer, by the pixels of one image.
inline bool tooLarge(const Voxmill::SliceConfig& c, const Voxmill::LoadedModels& models) {
    const int64_t layers = Voxmill::stackHeight(models) / Voxmill::layerUnits(c) + 1 + c.raft.layerCnt;
    const int64_t pixels =
        (int64_t(c.poly2img.pixelX) + 2 * int64_t(c.poly2img.extraBlankPixel)) * c.poly2img.pixelY;
    return layers > maxJobLayers || pixels > maxLayerPixels;
}

// Runs the job with its console lines dropped. Whichever way runJob returns,
// its threads, the only others that print, have ended.
inline void runQuietly(const Voxmill::CommandLineArgs& args) {
    std::fflush(stdout);
    const int console = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
    guarded([&] { Voxmill::runJob(args); });
    std::fflush(stdout);
    dup2(console, 1);
    close(console);
}

inline void addMesh(Voxmill::LoadedModels& models, std::unique_ptr<Voxmill::TriMesh> mesh,
                    Voxmill::part_type_t type = Voxmill::part_type_t::model) {
    models.meshes.push_back({std::shared_ptr<Voxmill::TriMesh>(std::move(mesh))});
    models.meshSpecs.push_back({{}, Voxmill::part_format_t::stl, type});
}

// The job of one fuzzed file in the fixed settings: read loads the file as the
// load stage does, to learn the job's size; name puts it on the command line.
template <class Read, class Name>
void fuzzFileJob(const uint8_t* data, size_t size, const char* file, Read&& read, Name&& name) {
    static const Voxmill::SliceConfig settings = [] {
        Voxmill::SliceConfig c;
        Voxmill::readSettings(jobDir() + "/settings.ini", c);
        return c;
    }();
    const QString dir = jobDir(), path = dir + "/" + file;
    writeBytes(path, data, size);
    Voxmill::LoadedModels models;
    if (!guarded([&] { read(path, models); })) return;
    // A stack beyond the coordinate range is measured by the job's size stage
    // too, which then fails: that job is run.
    bool large = false;
    guarded([&] { large = tooLarge(settings, models); });
    if (large) return;
    Voxmill::CommandLineArgs args;
    args.configPath = localPath(dir + "/settings.ini");
    args.outputDir = localPath(dir + "/out");
    name(localPath(path), args);
    runQuietly(args);
}

// A model file as a model and again as a support wall.
template <class Read>
void fuzzModelJob(const uint8_t* data, size_t size, Voxmill::part_format_t format, Read&& read) {
    const char* files[] = {"model.stl", "model.slc", "model.zdm"};
    fuzzFileJob(
        data, size, files[int(format)], read,
        [format](const std::string& path, Voxmill::CommandLineArgs& args) {
            for (Voxmill::part_type_t type : {Voxmill::part_type_t::model, Voxmill::part_type_t::supportWall})
                args.models.push_back({path, format, type});
        });
}

inline void fuzzJobStl(const uint8_t* data, size_t size) {
    fuzzModelJob(
        data, size, Voxmill::part_format_t::stl,
        [](const QString& path, Voxmill::LoadedModels& models) { addMesh(models, Voxmill::readStl(path)); });
}

inline void fuzzJobZdm(const uint8_t* data, size_t size) {
    fuzzModelJob(
        data, size, Voxmill::part_format_t::zdm,
        [](const QString& path, Voxmill::LoadedModels& models) { addMesh(models, Voxmill::readZdm(path)); });
}

inline void fuzzJobSlc(const uint8_t* data, size_t size) {
    fuzzModelJob(
        data, size, Voxmill::part_format_t::slc, [](const QString& path, Voxmill::LoadedModels& models) {
            models.slcs.push_back({std::make_shared<const Voxmill::SlcData>(Voxmill::readSlc(path))});
            models.slcSpecs.push_back({{}, Voxmill::part_format_t::slc, Voxmill::part_type_t::model});
        });
}

// A project's models in the fixed settings (with -C and -X the settings come
// from the file).
inline void fuzzJobVkp(const uint8_t* data, size_t size) {
    fuzzFileJob(
        data, size, "project.vkp",
        [](const QString& path, Voxmill::LoadedModels& models) {
            Voxmill::ProjectLoadCache cache;
            Voxmill::readProjectModels(path, cache, models);
        },
        [](const std::string& path, Voxmill::CommandLineArgs& args) { args.projectPath = path; });
}

// Fuzzed settings beside the fixed T and wall, read and scaled as the job
// does, to learn its size.
inline void fuzzJobIni(const uint8_t* data, size_t size) {
    const QString dir = jobDir(), settingsPath = dir + "/fuzzed.ini";
    writeBytes(settingsPath, data, size);
    Voxmill::SliceConfig settings;
    Voxmill::LoadedModels models;
    if (!guarded([&] { Voxmill::readSettings(settingsPath, settings); })) return;
    bool large = false;
    guarded([&] {
        addMesh(models, Voxmill::readStl(dir + "/t.stl"));
        Voxmill::scaleModels(models, settings);
        large = tooLarge(settings, models);
    });
    if (large) return;
    Voxmill::CommandLineArgs args;
    args.configPath = localPath(settingsPath);
    args.outputDir = localPath(dir + "/out");
    args.models = {
        {localPath(dir + "/t.stl"), Voxmill::part_format_t::stl, Voxmill::part_type_t::model},
        {localPath(dir + "/wall.stl"), Voxmill::part_format_t::stl, Voxmill::part_type_t::modelWall}};
    runQuietly(args);
}

using Entry = void (*)(const uint8_t*, size_t);

struct JobTarget {
    const char* name; // fuzz_<name> and its corpus directory
    Entry entry;
};

constexpr JobTarget jobTargets[] = {{"job_stl", fuzzJobStl},
                                    {"job_slc", fuzzJobSlc},
                                    {"job_zdm", fuzzJobZdm},
                                    {"job_vkp", fuzzJobVkp},
                                    {"job_ini", fuzzJobIni}};

} // namespace VoxmillFuzz
