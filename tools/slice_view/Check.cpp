// slice_view check: every layer read strictly and checked from the bottom up.

#include <stdexcept>

#include "base/VirtualFile.h"
#include "tools/slice_view/CheckReport.h"
#include "tools/slice_view/Commands.h"

namespace Voxmill {

int checkCommand(const QString& dir, FILE* out) {
    const JobGeometry g = readJobGeometry(dir);
    LayerSource layers(dir, g.width, g.height);
    if (layers.count() == 0) throw std::runtime_error(toLocal8(dir) + ": no layer files.");
    LayerChecker checker(g);
    CheckReport report(g);
    ProgressMeter progress("check", layers.count());
    LayerFindings f;
    walkLayers(layers, progress, [&](int32_t n, const BitPlane* model, const BitPlane* support) {
        if (model)
            f = checker.next(*model, *support);
        else
            f.unsupported.clear(); // a copy of the layer below stands on it; the rest repeats
        report.add(n, f);
    });
    const std::vector<Finding>& findings = report.finish();
    for (const Finding& finding : findings) std::fprintf(out, "%s\n", finding.text.c_str());
    std::fprintf(out, "%s\n", report.summary().c_str());
    return findings.empty() ? exitClean : exitFindings;
}

} // namespace Voxmill
