// Whole jobs on the shared models with default settings (6080 x 5280 grid).
// Per job: layers, seconds per stage, milliseconds per output layer split into
// the image thread's steps, peak memory; then the floor: packing and
// compressing the same bitmaps alone, read back from the job's files.
//
//   bench_job                 the default models, each in a child process
//   bench_job MODEL.stl...    those models, each in a child process
//
// Each job runs in its own process so its peak resident size is its own.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

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

// The job's own bitmaps, unpacked back to 8-bit images: pack and compress
// them again and time only that.
void printFloor(const QString& outDir, int32_t files) {
    const int32_t step = std::max(1, files / 20); // about 20 layers
    double packMs = 0, compressMs = 0;
    int32_t layers = 0;
    QImage gray, bits;
    std::vector<uint8_t> inner, outer;
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
            t = Clock::now();
            const size_t innerLen = compressOnce(bits.constBits(), size_t(bits.sizeInBytes()), inner);
            compressOnce(inner.data(), innerLen, outer);
            compressMs += msSince(t);
        }
    }
    std::printf("  floor (%d layers): pack %.2f + compress %.2f = %.2f ms per layer\n", layers,
                packMs / layers, compressMs / layers, (packMs + compressMs) / layers);
}

int runOne(const QString& model) {
    QTemporaryDir dir;
    const QString outDir = dir.filePath("out");
    QDir().mkpath(outDir);
    QFile ini(dir.filePath("defaults.ini"));
    ini.open(QIODevice::WriteOnly); // empty: every default
    ini.close();
    CommandLineArgs args;
    args.configPath = ini.fileName().toStdString();
    args.outputDir = outDir.toStdString();
    args.models.push_back(ModelSpec{model.toStdString(), part_format_t::stl, part_type_t::model});

    resetImagingTotals();
    const Clock::time_point t = Clock::now();
    const QByteArray log = runQuietly(args, dir.filePath("console.txt"));
    const double totalMs = msSince(t);
    const ImagingTimes im = imagingTotals();
    const std::map<QString, int> stages = stageTimes(log);

    std::printf("%s\n", model.toLocal8Bit().constData());
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
    std::printf("  %lld stored layers; ms per output layer: rasterise %.2f, support gap %.2f, walls %.2f, "
                "wait time %.2f, pack %.2f, compress %.2f, write %.2f (image thread %.2f, wall clock %.2f)\n",
                static_cast<long long>(im.layers), per(im.rasteriseNs), per(im.supportGapNs), per(im.wallsNs),
                per(im.waitTimeNs), per(im.packNs), per(im.compressNs), per(im.writeNs),
                per(im.rasteriseNs + im.supportGapNs + im.wallsNs + im.waitTimeNs + im.packNs +
                    im.compressNs + im.writeNs),
                (totalMs - named) / n);
    std::printf("  peak resident %ld MiB\n", peakRssMb());
    printFloor(outDir, int32_t(QDir(outDir).entryList({"slice_m*"}, QDir::Files).size()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 2 && args[0] == "--child") return runOne(args[1]);
    if (args.isEmpty())
        for (const char* m : {"analytic/box_20x20x10.stl", "real/thin_wall_fins.stl"})
            args << QStringLiteral(VOXMILL_SHARED_MODELS "/") + m;
    for (const QString& model : args) {
        if (!QFile::exists(model)) {
            std::printf("%s: not found, skipped\n", model.toLocal8Bit().constData());
            continue;
        }
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"--child", model});
        child.waitForFinished(-1);
    }
    return 0;
}
