// slice_view diff: two output directories compared layer by layer.

#include <algorithm>
#include <stdexcept>

#include <QFile>

#include "base/VirtualFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/JobDir.h"

namespace Voxmill {

namespace {

FILE* openCsv(const QString& path) {
    if (path.isEmpty()) return nullptr;
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "w");
    if (!f) throw std::runtime_error("cannot write " + toLocal8(path));
    std::fprintf(f, "layer,model_pixels,support_pixels\n");
    return f;
}

// "same", "differs", or which side lacks the report.
const char* compareReport(const QString& a, const QString& b, const char* name) {
    const QString pa = a + '/' + name, pb = b + '/' + name;
    const bool inA = QFile::exists(pa), inB = QFile::exists(pb);
    if (!inA || !inB) return inA ? "missing in B" : inB ? "missing in A" : "same";
    return readLayerImageBytes(pa) == readLayerImageBytes(pb) ? "same" : "differs";
}

int64_t xorCount(const BitPlane& a, const BitPlane& b) {
    int64_t n = 0;
    for (size_t i = 0; i < a.bits.size(); ++i) n += __builtin_popcountll(a.bits[i] ^ b.bits[i]);
    return n;
}

// Pixels of file n of the kind that differ between A and B. A layer only one
// side has differs in every pixel it prints; so do images of different sizes.
// Equal bytes decode alike, so B is decoded only when its bytes differ.
int64_t differingPixels(LayerSource& a, LayerSource& b, int32_t n, LayerKind kind, bool& sizesDiffer) {
    const bool inA = n < a.count(), inB = n < b.count();
    if (inA) a.load(n, kind);
    if (inB) b.load(n, kind);
    if (!inB) return a.plane(kind).count();
    if (!inA) return b.plane(kind).count();
    const BitPlane& pa = a.plane(kind);
    if (a.bytes(kind) == b.bytes(kind)) return 0;
    const BitPlane& pb = b.plane(kind);
    if (pa.width == pb.width && pa.height == pb.height) return xorCount(pa, pb);
    sizesDiffer = true;
    return pa.count() + pb.count();
}

} // namespace

int diffCommand(const QString& a, const QString& b, const QString& csvPath, FILE* out) {
    LayerSource la(a), lb(b);
    const int32_t layers = std::max(la.count(), lb.count());
    std::fprintf(out, "layers: %d in A, %d in B\n", la.count(), lb.count());
    bool differ = la.count() != lb.count();
    for (const char* report : {"areaInfo", "waitTime"}) {
        const char* state = compareReport(a, b, report);
        std::fprintf(out, "%s: %s\n", report, state);
        differ = differ || std::string(state) != "same";
    }
    FILE* csv = openCsv(csvPath);
    int32_t first = -1, differing = 0;
    int64_t total[2] = {0, 0};
    bool sizesDiffer = false;
    ProgressMeter progress("diff", layers);
    try {
        for (int32_t n = 0; n < layers; ++n) {
            const int64_t model = differingPixels(la, lb, n, LayerKind::model, sizesDiffer);
            const int64_t support = differingPixels(la, lb, n, LayerKind::support, sizesDiffer);
            if (csv) std::fprintf(csv, "%d,%lld,%lld\n", n, (long long)model, (long long)support);
            total[0] += model;
            total[1] += support;
            if (model + support > 0 && first < 0) first = n;
            differing += model + support > 0;
            progress.step(n + 1);
        }
    } catch (...) {
        if (csv) std::fclose(csv);
        throw;
    }
    if (csv && std::fclose(csv) != 0) throw std::runtime_error("cannot write " + toLocal8(csvPath));
    if (sizesDiffer) std::fprintf(out, "image sizes differ\n");
    if (first >= 0) std::fprintf(out, "first differing layer: %d\n", first);
    std::fprintf(out, "differing layers: %d of %d (%lld model pixels, %lld support pixels)\n", differing,
                 layers, (long long)total[0], (long long)total[1]);
    differ = differ || differing > 0;
    std::fprintf(out, "diff: %s\n", differ ? "A and B differ" : "identical");
    return differ ? exitFindings : exitClean;
}

} // namespace Voxmill
