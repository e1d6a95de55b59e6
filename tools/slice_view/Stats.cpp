// slice_view stats: volumes and the largest layer, from the pixels and the job's config.

#include <stdexcept>

#include "base/VirtualFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/JobStats.h"

namespace Voxmill {

int statsCommand(const QString& dir, FILE* out) {
    const JobGeometry g = readJobGeometry(dir);
    LayerSource layers(dir, g.width, g.height);
    if (layers.count() == 0) throw std::runtime_error(toLocal8(dir) + ": no layer files.");
    JobStats stats;
    LayerCounts counts; // of the layer last decoded
    BitPlane printed;
    ProgressMeter progress("stats", layers.count());
    walkLayers(layers, progress, [&](int32_t n, const BitPlane* model, const BitPlane* support) {
        if (model) counts = countPixels(*model, *support, printed);
        stats.add(n, counts);
    });
    for (const auto& [name, value] : stats.lines(g))
        std::fprintf(out, "%s %s\n", name.c_str(), value.c_str());
    return exitClean;
}

} // namespace Voxmill
