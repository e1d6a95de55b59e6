// slice_view report: one page to look at before printing, with the pictures
// it shows, in a folder that any browser opens as files.

#include <cstdio>
#include <stdexcept>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include "base/VirtualFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/ReportPage.h"

namespace Voxmill {

namespace {

void writeText(const QString& path, const std::string& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(text.data(), qint64(text.size())) != qint64(text.size()) || !f.flush())
        throw std::runtime_error("cannot write " + toLocal8(path));
}

// Pictures of an earlier report in the same folder would only add to its size.
void removeOldPictures(const QString& out) {
    QDir layers(out + "/layers");
    for (const QString& name : layers.entryList({"*.png"}, QDir::Files))
        if (QRegularExpression("^(0|[1-9][0-9]*)\\.png$").match(name).hasMatch()) layers.remove(name);
}

int64_t folderBytes(const QString& dir) {
    int64_t bytes = 0;
    for (QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        it.next();
        bytes += it.fileInfo().size();
    }
    return bytes;
}

} // namespace

int reportCommand(const QString& dir, const QString& out, FILE* log) {
    const SliceConfig config = readJobConfig(dir);
    const JobGeometry g = jobGeometry(config);
    if (!QDir().mkpath(out)) throw std::runtime_error("cannot create " + toLocal8(out));
    removeOldPictures(out);
    const JobScan scan = scanJob(dir, g, reportMaxPictures);
    const ReportPictures pictures = writePictures(dir, out, g, scan);
    const ReportInput in{dir, config, g, scan, pictures, readWaitTimes(dir), readAreaInfo(dir)};
    writeText(out + "/index.html", reportPage(in));
    std::fprintf(log, "report: %s/index.html, %d layers, %d layer pictures, %.1f MB\n", toLocal8(out).c_str(),
                 scan.layersRead, pictures.count, double(folderBytes(out)) / 1e6);
    if (!scan.fault.empty()) throw std::runtime_error(scan.fault);
    return scan.findings.empty() ? exitClean : exitFindings;
}

} // namespace Voxmill
