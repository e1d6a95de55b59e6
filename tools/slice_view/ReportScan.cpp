#include "tools/slice_view/ReportScan.h"

#include <stdexcept>

#include "base/VirtualFile.h"

namespace Voxmill {

namespace {

// Walks the layers into scan and report; throws what the layer source throws.
void walk(const QString& dir, const JobGeometry& g, int32_t maxPictures, JobScan& scan, CheckReport& report) {
    LayerSource layers(dir, g.width, g.height);
    scan.layerFiles = layers.count();
    if (layers.count() == 0) throw std::runtime_error(toLocal8(dir) + ": no layer files.");
    const int32_t step = pictureStep(layers.count(), maxPictures);
    scan.side = SideColumns(g.width, layers.count());
    LayerChecker checker(g);
    LayerFindings f;
    LayerCounts counts;
    BitPlane printed;
    ProgressMeter progress("report", layers.count());
    walkLayers(layers, progress, [&](int32_t n, const BitPlane* model, const BitPlane* support) {
        if (model) {
            f = checker.next(*model, *support);
            counts = countPixels(*model, *support, printed);
            orOf(scan.topModel, *model, scan.topModel);
            orOf(scan.topSupport, *support, scan.topSupport);
        } else {
            f.unsupported.clear(); // a copy of the layer below stands on it; the rest repeats
        }
        report.add(n, f);
        scan.stats.add(n, counts);
        scan.side.add(n, model, support);
        scan.counts.push_back(counts);
        scan.runStart.push_back(model ? n : scan.runStart.back());
        if (n % step == 0) // a repeat's planes are still those of its run's start
            scan.kept.keep(scan.runStart.back(), layers.plane(LayerKind::model),
                           layers.plane(LayerKind::support));
        scan.layersRead = n + 1;
    });
}

} // namespace

JobScan scanJob(const QString& dir, const JobGeometry& g, int32_t maxPictures) {
    JobScan scan;
    scan.topModel.reset(g.width, g.height);
    scan.topSupport.reset(g.width, g.height);
    CheckReport report(g);
    try {
        walk(dir, g, maxPictures, scan, report);
    } catch (const std::runtime_error& e) { // a failed allocation stays what it is
        scan.fault = e.what();
    }
    scan.findings = report.finish();
    scan.checkSummary = report.summary();
    return scan;
}

} // namespace Voxmill
