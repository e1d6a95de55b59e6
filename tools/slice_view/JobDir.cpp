#include "tools/slice_view/JobDir.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include <QRegularExpression>

#include "base/VirtualFile.h"
#include "config/SettingsFile.h"
#include "tools/slice_view/LayerDecode.h"

namespace Voxmill {

JobGeometry jobGeometry(const SliceConfig& c) {
    JobGeometry g;
    g.margin = c.poly2img.extraBlankPixel;
    g.printWidth = c.poly2img.pixelX;
    g.width = c.poly2img.pixelX + 2 * g.margin;
    g.height = c.poly2img.pixelY;
    g.gap = c.poly2img.supportGapPixel;
    g.pixelWidthMm = double(c.poly2img.sizeX) / c.poly2img.pixelX;
    g.pixelHeightMm = double(c.poly2img.sizeY) / c.poly2img.pixelY;
    g.layerHeightMm = double(layerUnits(c)) / 10000.0;
    // the openings the job's own supports leave between posts or grid cells
    double openingMm = 0;
    if (c.postSupport.enable) openingMm = c.postSupport.postSpace;
    if (c.gridSupport.enable) openingMm = std::max(openingMm, double(c.gridSupport.rectSpace));
    g.bridge = std::max(1, int32_t(std::lround(openingMm / std::min(g.pixelWidthMm, g.pixelHeightMm))));
    // as the rasteriser places the plate centre: half the image, rounded down
    g.centreX = double(g.width / 2);
    g.centreY = double(g.height / 2);
    // in units, as the size stage compares them
    const int32_t printerUnits = int32_t(c.poly2img.sizeZ * 10000.0f);
    g.printerLayers = printerUnits / layerUnits(c);
    g.printerHeightMm = printerUnits / 10000.0;
    return g;
}

SliceConfig readJobConfig(const QString& dir) {
    SliceConfig c;
    readSettings(dir + QStringLiteral("/config"), c);
    return c;
}

JobGeometry readJobGeometry(const QString& dir) { return jobGeometry(readJobConfig(dir)); }

int32_t layerFileCount(const QDir& dir) {
    const QRegularExpression name("^slice_([ms])(0|[1-9][0-9]*)$");
    int32_t counts[2] = {0, 0};
    for (const QString& f : dir.entryList(QDir::Files)) {
        const auto m = name.match(f);
        if (m.hasMatch()) ++counts[m.captured(1) == "m" ? 0 : 1];
    }
    if (counts[0] != counts[1]) throw std::runtime_error("slice_m and slice_s file counts differ.");
    for (int32_t n = 0; n < counts[0]; ++n)
        for (const char* kind : {"slice_m", "slice_s"})
            if (!dir.exists(kind + QString::number(n)))
                throw std::runtime_error(std::string("missing ") + kind + std::to_string(n) + ".");
    return counts[0];
}

void readPlane(const QString& path, BitPlane& plane) {
    const QByteArray bytes = readLayerImageBytes(path);
    try {
        LayerDecoder().decode(bytes, plane);
    } catch (const std::runtime_error& e) { // a failed allocation stays what it is
        throw std::runtime_error(toLocal8(path) + ": " + e.what());
    }
}

LayerSource::LayerSource(const QString& dir, int32_t width, int32_t height)
    : dir_(dir), count_(layerFileCount(dir_)), width_(width), height_(height) {}

QString LayerSource::path(int32_t n, LayerKind kind) const {
    return dir_.filePath((kind == LayerKind::model ? "slice_m" : "slice_s") + QString::number(n));
}

bool LayerSource::load(int32_t n, LayerKind kind) {
    Slot& s = slot(kind);
    s.path = path(n, kind);
    QByteArray bytes = readLayerImageBytes(s.path);
    const bool same = !s.bytes.isNull() && bytes == s.bytes;
    s.bytes = std::move(bytes);
    return same;
}

const BitPlane& LayerSource::plane(LayerKind kind) {
    Slot& s = slot(kind);
    if (s.decodedBytes.isNull() || s.bytes != s.decodedBytes) {
        s.decodedBytes.clear();
        try {
            const LayerBitmap header = decodeLayerImageHeader(s.bytes);
            if (width_ > 0 && (int32_t(header.width) != width_ || int32_t(header.height) != height_))
                throw std::runtime_error("image is " + std::to_string(header.width) + " x " +
                                         std::to_string(header.height) + " pixels, the job's config says " +
                                         std::to_string(width_) + " x " + std::to_string(height_) + ".");
            decoder_.decode(s.bytes, s.plane);
        } catch (const std::runtime_error& e) { // a failed allocation stays what it is
            throw std::runtime_error(toLocal8(s.path) + ": " + e.what());
        }
        s.decodedBytes = s.bytes;
    }
    return s.plane;
}

namespace {

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

ProgressMeter::ProgressMeter(const char* what, int32_t total)
    : what_(what), total_(total), lastMs_(nowMs()) {}

void ProgressMeter::step(int32_t done) {
    const int64_t now = nowMs();
    if (now - lastMs_ < 1000) return;
    lastMs_ = now;
    std::fprintf(stderr, "%s: %d/%d layers\n", what_, done, total_);
}

} // namespace Voxmill
