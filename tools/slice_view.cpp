// slice_view: reads the layer files of an output directory the way the
// printer does, checks them strictly and shows what they hold.
//
//   slice_view info FILE            header fields and pixel count of one file
//   slice_view csv DIR [OUT]        per layer: model and support pixel counts
//   slice_view png FILE OUT.png     the layer of FILE (slice_m or slice_s):
//                                   model white, support grey
//
// Any file that is malformed (magic, sizes, either inflation, padding bits)
// ends the program with its name and the fault, exit status 1.

#include <cstdio>
#include <stdexcept>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QStringList>

#include "output/LayerImageFile.h"

using namespace Voxmill;

namespace {

LayerBitmap readChecked(const QString& path) {
    try {
        return readLayerImageFile(path);
    } catch (const std::exception& e) {
        throw std::runtime_error(path.toStdString() + ": " + e.what());
    }
}

int info(const QString& path) {
    const LayerBitmap b = readChecked(path);
    std::printf("file       %s\nwidth      %u\nheight     %u\nstride     %d\nouter size %u\ninner size %u\n"
                "pixels set %lld\n",
                path.toLocal8Bit().constData(), b.width, b.height, b.stride, b.outerSize, b.innerSize,
                static_cast<long long>(b.countSet()));
    return 0;
}

// Highest N such that every slice_m0..N and slice_s0..N exists; throws when
// the two kinds differ or the numbering has gaps.
int32_t layerCount(const QDir& dir) {
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

int csv(const QString& dirPath, const QString& outPath) {
    const QDir dir(dirPath);
    const int32_t n = layerCount(dir);
    FILE* out = outPath.isEmpty() ? stdout : std::fopen(outPath.toLocal8Bit().constData(), "w");
    if (!out) throw std::runtime_error("cannot write " + outPath.toStdString());
    std::fprintf(out, "layer,model_pixels,support_pixels\n");
    for (int32_t i = 0; i < n; ++i) {
        const LayerBitmap m = readChecked(dir.filePath("slice_m" + QString::number(i)));
        const LayerBitmap s = readChecked(dir.filePath("slice_s" + QString::number(i)));
        if (m.width != s.width || m.height != s.height)
            throw std::runtime_error("layer " + std::to_string(i) + ": model and support sizes differ.");
        std::fprintf(out, "%d,%lld,%lld\n", i, static_cast<long long>(m.countSet()),
                     static_cast<long long>(s.countSet()));
    }
    if (out != stdout) std::fclose(out);
    return 0;
}

// Paints the set pixels of b with value into img (created on first use).
void paint(const LayerBitmap& b, uchar value, QImage& img) {
    if (img.isNull()) {
        img = QImage(int(b.width), int(b.height), QImage::Format_Grayscale8);
        img.fill(0);
    }
    if (img.width() != int(b.width) || img.height() != int(b.height))
        throw std::runtime_error("model and support sizes differ.");
    for (int32_t y = 0; y < int32_t(b.height); ++y)
        for (int32_t x = 0; x < int32_t(b.width); ++x)
            if (b.pixel(x, y)) img.scanLine(y)[x] = value;
}

int png(const QString& path, const QString& outPath) {
    const QFileInfo fi(path);
    const QRegularExpression name("^slice_[ms](0|[1-9][0-9]*)$");
    const auto m = name.match(fi.fileName());
    if (!m.hasMatch()) throw std::runtime_error("not a layer file name: " + path.toStdString());
    const QString number = m.captured(1);
    QImage img;
    const QString support = fi.dir().filePath("slice_s" + number);
    const QString model = fi.dir().filePath("slice_m" + number);
    if (QFileInfo::exists(support)) paint(readChecked(support), 128, img);
    if (QFileInfo::exists(model)) paint(readChecked(model), 255, img);
    if (!img.save(outPath, "PNG")) throw std::runtime_error("cannot write " + outPath.toStdString());
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: slice_view info FILE\n"
                         "       slice_view csv DIR [OUT.csv]\n"
                         "       slice_view png FILE OUT.png\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = QCoreApplication::arguments();
    try {
        if (a.size() == 3 && a[1] == "info") return info(a[2]);
        if ((a.size() == 3 || a.size() == 4) && a[1] == "csv")
            return csv(a[2], a.size() == 4 ? a[3] : QString());
        if (a.size() == 4 && a[1] == "png") return png(a[2], a[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return usage();
}
