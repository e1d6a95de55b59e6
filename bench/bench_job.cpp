// Whole jobs with default settings (post supports on, 6080 x 5280 grid).
// Per job: layers, seconds per stage, milliseconds per output layer split into
// infill, support generation and the image thread's steps, peak memory; then
// the floor: packing and compressing the same bitmaps alone on one core,
// read back from the job's files.
//
//   bench_job [--layer MM] [MODEL.stl...]  the shared models (3DBenchy and
//                                          the bunny at 0.05 mm by default)
//   bench_job --scaling                    time and peak memory at 500, 1000
//                                          and 2000 layers of a pin field, and
//                                          at 1, 2 and 4 million triangles
//   bench_job --workers [MODEL.stl...]    default settings (3DBenchy unless named)
//                                          at every worker count up to the cores:
//                                          wall and cpu time per output layer
//   bench_job --large-support              a 100 x 100 mm plate on a column:
//                                          post support under all of it
//   bench_job --lattice [MODEL.stl...]     post, grid and solid support side
//                                          by side at 0.05 mm (the plate, 3DBenchy
//                                          and the bunny, or the models named), the
//                                          bunny with infill rectGrid on and off
//                                          (only without models named), and support
//                                          time per layer under plates of 50, 100
//                                          and 200 mm; beside each model, what 1.3
//                                          times the solid job leaves for post
//                                          support's own work, and the least its
//                                          bytes cost (every distinct bitmap
//                                          deflated once)
//
// Each job runs in its own process so its peak resident size is its own.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "BenchMeshes.h"
#include "app/Driver.h"
#include "output/ImagingTimes.h"
#include "output/LayerImageFile.h"

using namespace Voxmill;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

long peakRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// Runs the job with its console lines going to a file; returns that text.
QByteArray runQuietly(const CommandLineArgs& args, const QString& logPath) {
    std::fflush(stdout);
    const int saved = dup(1);
    FILE* log = std::fopen(logPath.toLocal8Bit().constData(), "w");
    dup2(fileno(log), 1);
    std::string error;
    try {
        runJob(args);
    } catch (const std::exception& e) {
        error = e.what();
    }
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::fclose(log);
    if (!error.empty()) std::printf("  job failed: %s\n", error.c_str());
    QFile f(logPath);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Stage name -> milliseconds, from the "%s finished! %dms" lines.
std::map<QString, int> stageTimes(const QByteArray& log) {
    std::map<QString, int> out;
    const QRegularExpression line("^(\\w+) finished! (\\d+)ms$", QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(QString::fromLocal8Bit(log)); it.hasNext();) {
        const auto m = it.next();
        out[m.captured(1)] = m.captured(2).toInt();
    }
    return out;
}

// Milliseconds to deflate a bitmap as the layer writer does: twice, at
// zlib's default level.
double deflateMs(const uint8_t* bits, size_t size, ScratchBytes& inner, ScratchBytes& outer) {
    const Clock::time_point t = Clock::now();
    const size_t innerLen = compressOnce(bits, size, inner);
    compressOnce(inner.data(), innerLen, outer);
    return msSince(t);
}

// The job's own bitmaps, unpacked back to 8-bit images: pack and compress
// them again and time only that.
void printFloor(const QString& outDir, int32_t files) {
    const int32_t step = std::max(1, files / 20); // about 20 layers
    double packMs = 0, compressMs = 0;
    int32_t layers = 0;
    QImage gray, bits;
    ScratchBytes inner, outer;
    for (int32_t n = 0; n < files; n += step, ++layers) {
        for (const char* kind : {"slice_m", "slice_s"}) {
            const LayerBitmap b = readLayerImageFile(outDir + "/" + kind + QString::number(n));
            if (gray.isNull()) gray = QImage(int(b.width), int(b.height), QImage::Format_Grayscale8);
            for (int32_t y = 0; y < int32_t(b.height); ++y) {
                uchar* row = gray.scanLine(y);
                const uint8_t* src = b.bits.data() + size_t(y) * size_t(b.stride);
                for (int32_t x = 0; x < int32_t(b.width); ++x) row[x] = (src[x / 8] >> (x % 8)) & 1 ? 255 : 0;
            }
            Clock::time_point t = Clock::now();
            packBits(gray, bits);
            packMs += msSince(t);
            compressMs += deflateMs(bits.constBits(), size_t(bits.sizeInBytes()), inner, outer);
        }
    }
    std::printf("  floor (%d layers): pack %.2f + compress %.2f = %.2f ms per layer\n", layers,
                packMs / layers, compressMs / layers, (packMs + compressMs) / layers);
}

// Settings text for a child job: the defaults with these lines.
QString writeSettings(const QTemporaryDir& dir, const QByteArray& text) {
    QFile ini(dir.filePath("settings.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(text);
    ini.close();
    return ini.fileName();
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return sec(u.ru_utime) + sec(u.ru_stime);
}

// Every distinct bitmap the job wrote, deflated again as the writer does it
// (twice, at zlib's default level) on one core: what the job's bytes cost at
// the least, however its layers are made, since each distinct bitmap must be
// deflated once.
void printDistinctFloor(const QString& outDir) {
    std::set<QByteArray> seen;
    ScratchBytes inner, outer;
    double ms = 0;
    int32_t files = 0;
    for (const QString& name : QDir(outDir).entryList({"slice_*"}, QDir::Files)) {
        const QByteArray file = readLayerImageBytes(outDir + "/" + name);
        ++files;
        if (!seen.insert(QCryptographicHash::hash(file, QCryptographicHash::Sha1)).second) continue;
        const LayerBitmap b = decodeLayerImage(file);
        ms += deflateMs(b.bits.data(), b.bits.size(), inner, outer);
    }
    std::printf("  %zu distinct bitmaps of %d deflated in %.2f s on one core\n", seen.size(), files,
                ms / 1000);
}

enum class Floor { none, sampled, distinct };

int runOne(const QString& model, const QByteArray& settings, Floor floor, int32_t workers) {
    QTemporaryDir dir;
    const QString outDir = dir.filePath("out");
    QDir().mkpath(outDir);
    CommandLineArgs args;
    args.configPath = writeSettings(dir, settings).toStdString();
    args.outputDir = outDir.toStdString();
    args.models.push_back(ModelSpec{model.toStdString(), part_format_t::stl, part_type_t::model});
    args.workers = workers;

    resetImagingTotals();
    const double cpu0 = cpuSeconds();
    const Clock::time_point t = Clock::now();
    const QByteArray log = runQuietly(args, dir.filePath("console.txt"));
    const double totalMs = msSince(t);
    const ImagingTimes im = imagingTotals();
    const std::map<QString, int> stages = stageTimes(log);

    std::printf("%s (%s)\n", model.toLocal8Bit().constData(), settings.simplified().constData());
    double named = 0;
    std::printf("  stages (s):");
    for (const char* s : {"load", "size", "slice", "preProc", "preInfill"}) {
        const auto it = stages.find(s);
        if (it == stages.end()) continue;
        named += it->second;
        std::printf(" %s %.2f", s, it->second / 1000.0);
    }
    std::printf(" output %.2f, total %.2f\n", (totalMs - named) / 1000.0, totalMs / 1000.0);
    const double n = double(std::max<int64_t>(im.layers, 1));
    auto per = [n](int64_t ns) { return double(ns) / 1e6 / n; };
    std::printf("  %lld stored layers; ms per output layer: infill %.2f, supports %.2f | rasterise %.2f, "
                "support gap %.2f, walls %.2f, wait time %.2f, pack %.2f, compress %.2f, write %.2f | wall "
                "clock %.2f\n",
                static_cast<long long>(im.layers), per(im.infillNs), per(im.supportNs), per(im.rasteriseNs),
                per(im.supportGapNs), per(im.wallsNs), per(im.waitTimeNs), per(im.packNs), per(im.compressNs),
                per(im.writeNs), (totalMs - named) / n);
    std::printf("  job cpu %.2f s (user + system), wall %.2f s\n", cpuSeconds() - cpu0, totalMs / 1000.0);
    std::printf("  peak resident %ld MiB\n", peakRssMb());
    if (floor == Floor::sampled)
        printFloor(outDir, int32_t(QDir(outDir).entryList({"slice_m*"}, QDir::Files).size()));
    if (floor == Floor::distinct) printDistinctFloor(outDir);
    return 0;
}

// Runs a job in a child process and prints what it printed; returns its wall
// time in seconds and the peak resident MiB it reported of itself.
QByteArray runChild(const QStringList& childArgs, double& seconds, long& peakMb, bool echo = true) {
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    const Clock::time_point t = Clock::now();
    child.start(QCoreApplication::applicationFilePath(), childArgs);
    child.waitForFinished(-1);
    seconds = msSince(t) / 1000.0;
    const QByteArray out = child.readAll();
    if (echo) std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    const QRegularExpressionMatch m =
        QRegularExpression("peak resident (\\d+) MiB").match(QString::fromLatin1(out));
    peakMb = m.hasMatch() ? m.captured(1).toLong() : -1;
    return out;
}

// A number the child printed after the label ("supports 1.23").
double childFigure(const QByteArray& out, const char* label) {
    const QRegularExpressionMatch m =
        QRegularExpression(QString(label) + " ([0-9.]+)").match(QString::fromLatin1(out));
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

// The layer count the child printed.
double storedLayers(const QByteArray& out) {
    const QRegularExpressionMatch m =
        QRegularExpression("(\\d+) stored layers").match(QString::fromLatin1(out));
    return m.hasMatch() ? m.captured(1).toDouble() : 0;
}

// A plate side mm square and 2 mm thick on a 10 mm column: support under all
// of it.
QString writePlate(const QTemporaryDir& dir, double side) {
    Bench::MeshBuilder b;
    b.box(-5, -5, 0, 5, 5, 10.5);
    b.box(-side / 2, -side / 2, 10, side / 2, side / 2, 12);
    const QString path = dir.filePath(QString("plate%1.stl").arg(side));
    Bench::writeBinaryStl(*b.mesh(), path.toStdString());
    return path;
}

// seconds is the job's wall time as the child measured it, without the
// process's start and the clearing of its files. cpuSeconds is the job's user
// and system time: on a shared machine it tells a slower host (more cpu for
// the same work) from a slower job.
struct JobFigures {
    double seconds = 0, cpuSeconds = 0, infillMs = 0, supportMs = 0, layers = 0, deflateSeconds = -1;
    long peakMb = 0;
};

JobFigures quietChild(const QString& model, const QByteArray& settings, bool distinctFloor = false) {
    JobFigures f;
    std::printf("  running %s ...\n", QFileInfo(model).fileName().toLocal8Bit().constData());
    std::fflush(stdout);
    const QString floor = distinctFloor ? "--distinct-floor" : "--no-floor";
    const QByteArray out = runChild({"--child", model, settings, floor}, f.seconds, f.peakMb, false);
    if (distinctFloor) f.deflateSeconds = childFigure(out, "deflated in");
    // The job's own wall time: the floor, if asked for, runs after it.
    f.seconds = childFigure(out, "wall");
    f.cpuSeconds = childFigure(out, "job cpu");
    f.infillMs = childFigure(out, "infill");
    f.supportMs = childFigure(out, "supports");
    f.layers = storedLayers(out);
    return f;
}

// What 1.3 times the solid job's wall time leaves for post support's own
// work when the job keeps every core busy, beside what that work takes: the
// cpu the post job spends beyond the solid job's, and the support generator's
// share of it.
void printBudget(const JobFigures& post, const JobFigures& solid) {
    const int cores = QThread::idealThreadCount();
    const double budget = 1.3 * solid.seconds * cores - solid.cpuSeconds;
    std::printf(
        "    1.3x of solid on %d cores leaves %.1f s of cpu beyond the solid job's; post spends %.1f s "
        "more, %.1f s of it generating support\n",
        cores, budget, post.cpuSeconds - solid.cpuSeconds,
        (post.supportMs * post.layers - solid.supportMs * solid.layers) / 1000);
    std::printf(
        "    deflating the distinct bitmaps alone takes %.2f s (post) and %.2f s (solid) on one core\n",
        post.deflateSeconds, solid.deflateSeconds);
}

// Whole jobs with post, grid and solid support side by side, so that every
// ratio comes from one run on one machine state.
void lattice(QStringList models) {
    QTemporaryDir dir;
    const QByteArray layer = "[precision]\nlayerHeight = 0.05\n";
    const QByteArray grid = layer + "[postSupport]\nenable = false\n[gridSupport]\nenable = true\n";
    const QByteArray solid = layer + "[solidSupport]\nenable = true\n";
    const bool all = models.isEmpty();
    if (all) {
        models << writePlate(dir, 100);
        for (const char* m : {"real/3DBenchy.stl", "real/stanford_bunny_mm.stl"})
            models << QStringLiteral(VOXMILL_SHARED_MODELS "/") + m;
    }
    std::printf("post, grid and solid support at 0.05 mm, default grid\n");
    std::vector<std::string> table;
    std::map<QString, JobFigures> post;
    for (const QString& model : models) {
        if (!QFile::exists(model)) {
            std::printf("%s: not found, skipped\n", model.toLocal8Bit().constData());
            continue;
        }
        const JobFigures p = post[model] = quietChild(model, layer, true), g = quietChild(model, grid),
                         s = quietChild(model, solid, true);
        char line[400];
        std::snprintf(
            line, sizeof line,
            "  %-24s post %7.1f s (cpu %6.1f s, %6.2f ms/layer, %4ld MiB)  grid %7.1f s (%6.1f, %6.2f, %4ld "
            "MiB)  solid %7.1f s (%6.1f, %6.2f, %4ld MiB)  post/solid %.2f  grid/solid %.2f",
            QFileInfo(model).fileName().toLocal8Bit().constData(), p.seconds, p.cpuSeconds, p.supportMs,
            p.peakMb, g.seconds, g.cpuSeconds, g.supportMs, g.peakMb, s.seconds, s.cpuSeconds, s.supportMs,
            s.peakMb, p.seconds / s.seconds, g.seconds / s.seconds);
        table.push_back(line);
        std::printf("%s\n", line);
        printBudget(p, s);
    }
    const QString bunny = QStringLiteral(VOXMILL_SHARED_MODELS "/real/stanford_bunny_mm.stl");
    if (all && QFile::exists(bunny)) {
        const JobFigures off = post.count(bunny) ? post[bunny] : quietChild(bunny, layer);
        const JobFigures on = quietChild(bunny, layer + "[infill]\nenable = true\nfillType = rectGrid\n");
        std::printf(
            "  bunny, infill rectGrid: %.1f s (cpu %.1f s, infill %.2f ms/layer, %ld MiB); off: %.1f s (cpu "
            "%.1f s); on/off %.2f\n",
            on.seconds, on.cpuSeconds, on.infillMs, on.peakMb, off.seconds, off.cpuSeconds,
            on.seconds / off.seconds);
    }
    std::printf("support generation per stored layer under a plate (post support)\n");
    for (double side : {50.0, 100.0, 200.0}) {
        const JobFigures f = quietChild(writePlate(dir, side), layer);
        std::printf("  %3.0f mm: %.2f ms per layer (%.3f ms per cm2), %.1f s, %ld MiB\n", side, f.supportMs,
                    f.supportMs / (side * side / 100), f.seconds, f.peakMb);
    }
}

void scaling() {
    QTemporaryDir dir;
    std::printf("scaling (1024 x 1024 grid, 0.02 mm layers, no raft)\n");
    struct Row {
        const char* what;
        std::shared_ptr<TriMesh> mesh;
        const char* settings;
    };
    const char* bare = "[postSupport]\nenable = false\n[raft]\nlayerCnt = 0\n"
                       "[poly2img]\npixelX = 1024\npixelY = 1024\n";
    const char* supported = "[raft]\nlayerCnt = 0\n[poly2img]\npixelX = 1024\npixelY = 1024\n";
    std::vector<Row> rows;
    std::vector<std::string> table;
    for (const char* settings : {bare, supported})
        for (double h : {10.0, 20.0, 40.0}) rows.push_back({"pin field", Bench::pinField(h), settings});
    for (int m : {1, 2, 4}) rows.push_back({"wavy vase", Bench::wavyVase(1000 * m, 500, 20.0), bare});
    for (const Row& row : rows) {
        const QString path = dir.filePath("mesh.stl");
        Bench::writeBinaryStl(*row.mesh, path.toStdString());
        double seconds = 0;
        long peakMb = 0;
        std::printf("== %s, %zu triangles, %s\n", row.what, row.mesh->faces().size(),
                    row.settings == bare ? "no supports" : "post supports");
        std::fflush(stdout);
        runChild({"--child", path, row.settings, "--no-floor"}, seconds, peakMb);
        char line[160];
        std::snprintf(line, sizeof line, "  %-10s %8zu triangles %-13s %8.2f s %6ld MiB", row.what,
                      row.mesh->faces().size(), row.settings == bare ? "no supports" : "post supports",
                      seconds, peakMb);
        table.push_back(line);
    }
    std::printf("summary (wall time and peak resident memory per job)\n");
    for (const std::string& line : table) std::printf("%s\n", line.c_str());
}

void largeSupport() {
    QTemporaryDir dir;
    Bench::MeshBuilder b;
    b.box(-5, -5, 0, 5, 5, 20.5);
    b.box(-50, -50, 20, 50, 50, 21);
    const QString path = dir.filePath("plate.stl");
    Bench::writeBinaryStl(*b.mesh(), path.toStdString());
    double seconds = 0;
    long peakMb = 0;
    runChild({"--child", path, "", "--no-floor"}, seconds, peakMb);
    std::printf("100 x 100 mm overhang, default settings: %.1f s, peak resident %ld MiB\n", seconds, peakMb);
}

// Whole jobs at every worker count from 1 to the cores (at least 2): wall
// and processor time per output layer, how many cores were busy, and
// wall / (cpu / cores), which is 1 when every core works all the time.
void workerCounts(QStringList models) {
    if (models.isEmpty()) models << QStringLiteral(VOXMILL_SHARED_MODELS "/real/3DBenchy.stl");
    const int32_t cores = std::max(QThread::idealThreadCount(), 1);
    for (const QString& model : models) {
        if (!QFile::exists(model)) {
            std::printf("%s: not found, skipped\n", model.toLocal8Bit().constData());
            continue;
        }
        std::printf("%s, default settings, %d cores\n", model.toLocal8Bit().constData(), cores);
        for (int32_t w = 1; w <= std::max(cores, 2); ++w) {
            double seconds = 0;
            long peakMb = 0;
            const QByteArray out =
                runChild({"--child", model, "", "--no-floor", QString::number(w)}, seconds, peakMb, false);
            const double cpu = childFigure(out, "job cpu"), wall = childFigure(out, "wall");
            const double layers = std::max(1.0, storedLayers(out));
            std::printf("  %d workers: wall %.1f s, cpu %.1f s; per output layer wall %.1f ms, cpu %.1f ms; "
                        "cores busy %.2f; wall / (cpu / %d cores) %.2f; peak %ld MiB\n",
                        w, wall, cpu, wall * 1000 / layers, cpu * 1000 / layers, cpu / wall, cores,
                        wall / (cpu / cores), peakMb);
            std::fflush(stdout);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() >= 3 && args[0] == "--child")
        return runOne(args[1], args[2].toLocal8Bit(),
                      args.size() < 4                                ? Floor::sampled
                      : args[3] == QLatin1String("--distinct-floor") ? Floor::distinct
                                                                     : Floor::none,
                      args.size() >= 5 ? args[4].toInt() : 0);
    if (!args.isEmpty() && args[0] == "--workers") {
        workerCounts(args.mid(1));
        return 0;
    }
    if (!args.isEmpty() && args[0] == "--scaling") {
        scaling();
        return 0;
    }
    if (!args.isEmpty() && args[0] == "--lattice") {
        lattice(args.mid(1));
        return 0;
    }
    if (!args.isEmpty() && args[0] == "--large-support") {
        largeSupport();
        return 0;
    }
    QByteArray layer = "0.05";
    if (args.size() >= 2 && args[0] == "--layer") {
        layer = args[1].toLocal8Bit();
        args = args.mid(2);
    }
    if (args.isEmpty())
        for (const char* m : {"real/3DBenchy.stl", "real/stanford_bunny_mm.stl"})
            args << QStringLiteral(VOXMILL_SHARED_MODELS "/") + m;
    for (const QString& model : args) {
        if (!QFile::exists(model)) {
            std::printf("%s: not found, skipped\n", model.toLocal8Bit().constData());
            continue;
        }
        double seconds = 0;
        long peakMb = 0;
        runChild({"--child", model, "[precision]\nlayerHeight = " + QString::fromLatin1(layer) + "\n"},
                 seconds, peakMb);
    }
    return 0;
}
