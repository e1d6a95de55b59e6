// slice_view stats: volumes and the largest layer, from the pixels and the job's config.

#include <stdexcept>

#include "base/VirtualFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/JobDir.h"

namespace Voxmill {

int statsCommand(const QString& dir, FILE* out) {
    const JobGeometry g = readJobGeometry(dir);
    LayerSource layers(dir, g.width, g.height);
    if (layers.count() == 0) throw std::runtime_error(toLocal8(dir) + ": no layer files.");
    int64_t model = 0, support = 0, largest = -1;
    int32_t largestLayer = 0;
    int64_t counts[3] = {0, 0, 0}; // model, support, printed of the layer last decoded
    BitPlane printed;
    ProgressMeter progress("stats", layers.count());
    for (int32_t n = 0; n < layers.count(); ++n) {
        const bool sameModel = layers.load(n, LayerKind::model);
        const bool sameSupport = layers.load(n, LayerKind::support);
        if (n == 0 || !sameModel || !sameSupport) {
            const BitPlane &m = layers.plane(LayerKind::model), &s = layers.plane(LayerKind::support);
            orOf(m, s, printed);
            counts[0] = m.count();
            counts[1] = s.count();
            counts[2] = printed.count();
        }
        model += counts[0];
        support += counts[1];
        if (counts[2] > largest) {
            largest = counts[2];
            largestLayer = n;
        }
        progress.step(n + 1);
    }
    const double voxelMm3 = g.pixelAreaMm2() * g.layerHeightMm;
    std::fprintf(out, "layers %d\n", layers.count());
    std::fprintf(out, "height_mm %.4g\n", layers.count() * g.layerHeightMm);
    std::fprintf(out, "model_volume_mm3 %.6g\n", double(model) * voxelMm3);
    std::fprintf(out, "support_volume_mm3 %.6g\n", double(support) * voxelMm3);
    std::fprintf(out, "largest_layer_area_mm2 %.6g\n", double(largest) * g.pixelAreaMm2());
    std::fprintf(out, "largest_layer %d\n", largestLayer);
    return exitClean;
}

} // namespace Voxmill
