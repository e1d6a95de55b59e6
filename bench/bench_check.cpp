// slice_view check at the default grid (6080 x 5280): layers per second on
// one core, with the share spent reading and inflating the files, and the
// peak memory of the check alone.
//
//   bench_check [LAYERS]     a job of LAYERS layers (default 200), made here
//
// The job is the worst case for the check: every layer differs from the one
// below (a sphere of 80 mm, supported to its equator by a ring 2 pixels off
// the model), so no layer is passed over as a repeat of the last.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "config/SettingsFile.h"
#include "output/LayerImageFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/JobDir.h"

using namespace Voxmill;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

void disc(QImage& img, double rPx, uchar value) {
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(value, value, value));
    p.drawEllipse(QPointF(img.width() / 2.0, img.height() / 2.0), rPx, rPx);
}

void writeJob(const QString& dir, int32_t layers) {
    SliceConfig c;
    writeSettings(dir + "/config", c);
    const JobGeometry g = jobGeometry(c);
    const double radiusPx = 40.0 / g.pixelWidthMm;
    LayerImageWriter writer;
    QImage gray(g.width, g.height, QImage::Format_Grayscale8), bits;
    for (int32_t n = 0; n < layers; ++n) {
        const double z = (n + 0.5) / layers * 2 - 1; // -1 .. 1 over the sphere
        const double r = radiusPx * std::sqrt(1 - z * z);
        gray.fill(0);
        if (z < 0) {
            disc(gray, radiusPx, 255);
            disc(gray, r + 2, 0);
        }
        packBits(gray, bits);
        writer.write(dir + "/slice_s" + QString::number(n), bits);
        gray.fill(0);
        disc(gray, r, 255);
        packBits(gray, bits);
        writer.write(dir + "/slice_m" + QString::number(n), bits);
    }
}

// Reading and inflating alone, as check does it.
double readSeconds(const QString& dir) {
    const Clock::time_point t = Clock::now();
    LayerSource source(dir, 6080, 5280);
    for (int32_t n = 0; n < source.count(); ++n)
        for (LayerKind kind : {LayerKind::model, LayerKind::support}) {
            source.load(n, kind);
            source.plane(kind);
        }
    return secondsSince(t);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int32_t layers = argc > 1 ? std::atoi(argv[1]) : 200;
    QTemporaryDir dir;
    std::printf("writing %d layers of 6080 x 5280 ...\n", layers);
    std::fflush(stdout);
    writeJob(dir.path(), layers);

    const double read = readSeconds(dir.path());
    // the check in a child of its own, so its peak memory is its own
    const Clock::time_point t = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        FILE* sink = std::fopen("/dev/null", "w");
        try {
            checkCommand(dir.path(), sink); // findings or none: either is a full run
            _exit(0);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            _exit(1);
        }
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double total = secondsSince(t);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::printf("  check did not report the job's findings\n");
    std::printf("check: %.1f layers/s (%.1f ms per layer: read and inflate %.1f, checks %.1f), peak %ld MB\n",
                layers / total, 1000 * total / layers, 1000 * read / layers, 1000 * (total - read) / layers,
                usage.ru_maxrss / 1024);
    return 0;
}
