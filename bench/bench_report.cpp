// slice_view report of 3DBenchy at 0.02 mm on the default grid (6080 x
// 5280, 2500 layers with the raft): its time on one core, its peak memory
// and the size of the folder it writes.
//
//   bench_report            slices the shared 3DBenchy first (a few minutes)
//   bench_report JOB_DIR    the report of a job already sliced
//
// The report runs in a child of its own, so its peak memory and its
// processor time are its own.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "tools/slice_view/Commands.h"

using namespace Voxmill;

namespace {

using Clock = std::chrono::steady_clock;

// The default settings on the model; false when the job fails.
bool slice(const QString& model, const QString& dir) {
    QFile ini(dir + "/defaults.ini");
    ini.open(QIODevice::WriteOnly);
    ini.close();
    std::printf("slicing %s at the defaults ...\n", model.toLocal8Bit().constData());
    std::fflush(stdout);
    QProcess job;
    job.start(VOXMILL_BIN, {"-C", ini.fileName(), "-M", "file:" + model, "-O", dir});
    return job.waitForFinished(-1) && job.exitStatus() == QProcess::NormalExit && job.exitCode() == 0;
}

double seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

void folderSize(const QString& dir, int64_t& bytes, int32_t& files) {
    bytes = 0;
    files = 0;
    for (QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); ++files) {
        it.next();
        bytes += it.fileInfo().size();
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    QString job = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path() + "/job";
    if (argc <= 1) {
        const QString model = VOXMILL_SHARED_MODELS "/real/3DBenchy.stl";
        if (!QFileInfo::exists(model)) {
            std::printf("bench_report: skipped, %s is not there\n", model.toLocal8Bit().constData());
            return 0;
        }
        QDir().mkpath(job);
        if (!slice(model, job)) {
            std::printf("bench_report: the job failed\n");
            return 1;
        }
    }
    const QString out = scratch.path() + "/report";
    const Clock::time_point t = Clock::now();
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        FILE* sink = std::fopen("/dev/null", "w");
        dup2(fileno(sink), 2); // the progress lines
        try {
            reportCommand(job, out, sink);
            _exit(0);
        } catch (const std::exception& e) {
            std::printf("  %s\n", e.what());
            std::fflush(stdout);
            _exit(1);
        }
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double wall = std::chrono::duration<double>(Clock::now() - t).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 1) std::printf("  the report failed\n");
    int64_t bytes = 0;
    int32_t files = 0;
    folderSize(out, bytes, files);
    const int32_t layers = int32_t(QDir(job).entryList({"slice_m*"}, QDir::Files).size());
    std::printf(
        "report: %d layers in %.1f s of processor time (%.1f s wall), %.1f ms per layer, peak %ld MB\n",
        layers, seconds(usage.ru_utime) + seconds(usage.ru_stime), wall,
        1000 * (seconds(usage.ru_utime) + seconds(usage.ru_stime)) / std::max(1, layers),
        usage.ru_maxrss / 1024);
    std::printf("report: %.1f MB in %d files (index.html %.0f KB, %d layer pictures)\n", double(bytes) / 1e6,
                files, double(QFileInfo(out + "/index.html").size()) / 1e3,
                int32_t(QDir(out + "/layers").entryList(QDir::Files).size()));
    return 0;
}
