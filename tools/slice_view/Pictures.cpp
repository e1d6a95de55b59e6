// slice_view info, csv and png: one file's header, the pixel counts of every
// layer, one layer as a picture.

#include <algorithm>
#include <stdexcept>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include "base/VirtualFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/JobDir.h"

namespace Voxmill {

int infoCommand(const QString& path, FILE* out) {
    const QByteArray bytes = readLayerImageBytes(path);
    LayerBitmap b;
    try {
        b = decodeLayerImage(bytes);
    } catch (const std::runtime_error& e) { // a failed allocation stays what it is
        throw std::runtime_error(toLocal8(path) + ": " + e.what());
    }
    std::fprintf(out,
                 "file       %s\nwidth      %u\nheight     %u\nstride     %d\nouter size %u\ninner size %u\n"
                 "pixels set %lld\n",
                 toLocal8(path).c_str(), b.width, b.height, b.stride, b.outerSize, b.innerSize,
                 static_cast<long long>(b.countSet()));
    return exitClean;
}

int csvCommand(const QString& dir, const QString& csvPath, FILE* out) {
    LayerSource layers(dir);
    FILE* csv = csvPath.isEmpty() ? out : std::fopen(QFile::encodeName(csvPath).constData(), "w");
    if (!csv) throw std::runtime_error("cannot write " + toLocal8(csvPath));
    std::fprintf(csv, "layer,model_pixels,support_pixels\n");
    try {
        for (int32_t n = 0; n < layers.count(); ++n) {
            layers.load(n, LayerKind::model);
            layers.load(n, LayerKind::support);
            const BitPlane &m = layers.plane(LayerKind::model), &s = layers.plane(LayerKind::support);
            if (m.width != s.width || m.height != s.height)
                throw std::runtime_error("layer " + std::to_string(n) + ": model and support sizes differ.");
            std::fprintf(csv, "%d,%lld,%lld\n", n, (long long)m.count(), (long long)s.count());
        }
    } catch (...) {
        if (csv != out) std::fclose(csv);
        throw;
    }
    if (csv != out && std::fclose(csv) != 0) throw std::runtime_error("cannot write " + toLocal8(csvPath));
    return exitClean;
}

namespace {

struct PixelBox {
    int32_t x0, y0, x1, y1; // inclusive; empty when x1 < x0
};

// The box of the set pixels of both planes.
PixelBox printedBox(const BitPlane& a, const BitPlane& b) {
    PixelBox box{a.width, a.height, -1, -1};
    for (const BitPlane* p : {&a, &b})
        for (int32_t y = 0; y < p->height; ++y) {
            if (!p->rowUsed[size_t(y)]) continue;
            const uint64_t* row = p->row(y);
            int32_t k0 = 0, k1 = p->words - 1;
            while (row[k0] == 0) ++k0;
            while (row[k1] == 0) --k1;
            box.x0 = std::min(box.x0, k0 * 64 + __builtin_ctzll(row[k0]));
            box.x1 = std::max(box.x1, k1 * 64 + 63 - __builtin_clzll(row[k1]));
            box.y0 = std::min(box.y0, y);
            box.y1 = std::max(box.y1, y);
        }
    return box;
}

void paint(const BitPlane& plane, const PixelBox& box, uchar value, QImage& img) {
    for (int32_t y = box.y0; y <= box.y1; ++y) {
        uchar* line = img.scanLine(y - box.y0);
        forEachRun(plane.row(y), plane.words, [&](int32_t x0, int32_t x1) {
            for (int32_t x = std::max(x0, box.x0); x <= std::min(x1, box.x1); ++x) line[x - box.x0] = value;
        });
    }
}

} // namespace

int pngCommand(const QString& path, const QString& pngPath, bool crop) {
    const QFileInfo fi(path);
    const auto m = QRegularExpression("^slice_[ms](0|[1-9][0-9]*)$").match(fi.fileName());
    if (!m.hasMatch()) throw std::runtime_error("not a layer file name: " + toLocal8(path));
    BitPlane planes[2]; // model, support; a kind whose file is missing stays empty
    for (const char* kind : {"slice_m", "slice_s"}) {
        const QString file = fi.dir().filePath(kind + m.captured(1));
        if (QFileInfo::exists(file)) readPlane(file, planes[kind[6] == 'm' ? 0 : 1]);
    }
    BitPlane &model = planes[0], &support = planes[1];
    if (model.width == 0) model.reset(support.width, support.height);
    if (support.width == 0) support.reset(model.width, model.height);
    if (model.width != support.width || model.height != support.height)
        throw std::runtime_error("model and support sizes differ.");
    PixelBox box{0, 0, model.width - 1, model.height - 1};
    const PixelBox printed = printedBox(model, support);
    if (crop && printed.x1 >= 0)
        box = {std::max(0, printed.x0 - cropMarginPixels), std::max(0, printed.y0 - cropMarginPixels),
               std::min(model.width - 1, printed.x1 + cropMarginPixels),
               std::min(model.height - 1, printed.y1 + cropMarginPixels)};
    QImage img(box.x1 - box.x0 + 1, box.y1 - box.y0 + 1, QImage::Format_Grayscale8);
    img.fill(0);
    paint(support, box, 128, img);
    paint(model, box, 255, img);
    if (!img.save(pngPath, "PNG")) throw std::runtime_error("cannot write " + toLocal8(pngPath));
    return exitClean;
}

} // namespace Voxmill
