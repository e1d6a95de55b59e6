#pragma once
// Writes imaged layers, in layer order, on the image thread: the layer's
// line of "waitTime", then its "slice_m" and "slice_s" files, and after the
// first stored layer the raft copies below it.

#include <cstdint>

#include <QString>

#include "config/SliceConfig.h"
#include "output/LayerImager.h"
#include "output/WaitTime.h"

namespace Voxmill {

class LayerFilesWriter {
public:
    LayerFilesWriter(const SliceConfig& s, const QString& outputDir);
    // Throws, naming the file, when one cannot be written.
    void write(int32_t k, const ImagedLayer& layer);
    int64_t writeNs() const { return writeNs_; }

private:
    void copyRaftFiles(const QString& model, const QString& support) const;
    QString layerPath(const char* kind, int32_t number) const;

    QString outputDir_;
    int32_t extraRaft_;
    WaitTimeReport waitTime_;
    int64_t writeNs_ = 0;
};

} // namespace Voxmill
