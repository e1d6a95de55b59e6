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
#include "tools/slice_view/Picture.h"

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
    PictureFrame full; // one picture pixel per image pixel
    full.box = crop ? cropBox(printedBox(model, support), model.width, model.height)
                    : PixelBox{0, 0, model.width - 1, model.height - 1};
    full.width = full.box.x1 - full.box.x0 + 1;
    full.height = full.box.y1 - full.box.y0 + 1;
    savePng(drawLayer(model, support, full), pngPath);
    return exitClean;
}

} // namespace Voxmill
