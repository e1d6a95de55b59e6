#include "output/LayerFilesWriter.h"

#include <chrono>
#include <stdexcept>

#include <QFile>

#include "base/VirtualFile.h"

namespace Voxmill {

namespace {

// Qt's texts for a failed remove or copy name no file: the message leads
// with the layer file that could not be made.
std::runtime_error fileFault(const QString& target, const QFile& file) {
    return std::runtime_error(toLocal8(target) + ": " + toLocal8(file.errorString()));
}

} // namespace

LayerFilesWriter::LayerFilesWriter(const SliceConfig& s, const QString& outputDir)
    : outputDir_(outputDir), extraRaft_(extraRaftLayers(s)), waitTime_(outputDir) {}

QString LayerFilesWriter::layerPath(const char* kind, int32_t number) const {
    return outputDir_ + QLatin1Char('/') + QLatin1String(kind) + QString::number(number);
}

void LayerFilesWriter::write(int32_t k, const ImagedLayer& layer) {
    const auto t0 = std::chrono::steady_clock::now();
    waitTime_.append(k, layer.waitTime);
    const QString model = layerPath("slice_m", extraRaft_ + k);
    const QString support = layerPath("slice_s", extraRaft_ + k);
    writeLayerImageFile(model, layer.model);
    writeLayerImageFile(support, layer.support);
    if (k == 0) copyRaftFiles(model, support);
    writeNs_ +=
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - t0).count();
}

// The raft below the stored layers prints the first stored layer again.
void LayerFilesWriter::copyRaftFiles(const QString& model, const QString& support) const {
    for (int32_t j = 0; j < extraRaft_; ++j) {
        for (const auto& [source, kind] :
             {std::make_pair(model, "slice_m"), std::make_pair(support, "slice_s")}) {
            const QString target = layerPath(kind, j);
            QFile old(target);
            if (old.exists() && !old.remove()) throw fileFault(target, old);
            QFile file(source);
            if (!file.copy(target)) throw fileFault(target, file);
        }
    }
}

} // namespace Voxmill
