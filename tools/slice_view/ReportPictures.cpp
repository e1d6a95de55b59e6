#include "tools/slice_view/ReportPictures.h"

#include <algorithm>

#include <QDir>

namespace Voxmill {

ReportPictures planPictures(const JobScan& scan, int32_t maxPictures) {
    ReportPictures p;
    const int32_t n = scan.layersRead;
    p.step = pictureStep(n, maxPictures);
    std::vector<uint8_t> wanted(size_t(n), 0), pictured(size_t(n), 0);
    for (int32_t l = 0; l < n; l += p.step) wanted[size_t(l)] = 1;
    for (const Finding& f : scan.findings)
        if (f.first < n) wanted[size_t(f.first)] = 1;
    for (int32_t l = 0; l < n; ++l)
        if (wanted[size_t(l)]) pictured[size_t(scan.runStart[size_t(l)])] = 1;
    p.shown.resize(size_t(n));
    int32_t below = 0;
    for (int32_t l = 0; l < n; ++l) {
        if (pictured[size_t(l)]) {
            below = l;
            ++p.count;
        }
        const int32_t start = scan.runStart[size_t(l)];
        p.shown[size_t(l)] = pictured[size_t(start)] ? start : below;
    }
    return p;
}

ReportPictures writePictures(const QString& dir, const QString& out, const JobGeometry& g,
                             const JobScan& scan) {
    ReportPictures p = planPictures(scan, reportMaxPictures);
    if (scan.layersRead == 0) return p;
    p.frame = pictureFrame(g, cropBox(printedBox(scan.topModel, scan.topSupport), g.width, g.height),
                           reportMaxPixels);
    savePng(scan.side.draw(g, true, reportMaxPixels), out + "/side.png");
    savePng(drawLayer(scan.topModel, scan.topSupport, p.frame), out + "/top.png");
    QDir().mkpath(out + "/layers");
    LayerSource layers(dir, g.width, g.height);
    BitPlane model, support; // a kept layer
    for (int32_t l = 0; l < scan.layersRead; ++l) {
        if (p.shown[size_t(l)] != l) continue;
        const QString png = out + "/layers/" + QString::number(l) + ".png";
        if (scan.kept.kept(l)) {
            scan.kept.restore(l, model, support);
            savePng(drawLayer(model, support, p.frame), png);
            continue;
        }
        layers.load(l, LayerKind::model);
        layers.load(l, LayerKind::support);
        savePng(drawLayer(layers.plane(LayerKind::model), layers.plane(LayerKind::support), p.frame), png);
    }
    return p;
}

} // namespace Voxmill
