#pragma once
// Everything the image thread does to one layer: its two images, the support
// gap, the area walls, the wait time and the two layer files (with the raft
// copies after the first stored layer). Owned and driven by one thread, and
// owner of the images it draws: the job's layers are all it shares.

#include <cstdint>

#include <QString>

#include "base/TaskThread.h"
#include "output/ImagingTimes.h"
#include "output/LayerImageFile.h"
#include "output/LayerImages.h"
#include "output/Poly2Img.h"
#include "output/WaitTime.h"
#include "slicer/SliceJob.h"

namespace Voxmill {

class LayerImager {
public:
    LayerImager(SliceJob& job, const QString& outputDir);
    // Images and writes stored layer k; the layer must be in the store's window.
    void image(int32_t k);
    const ImagingTimes& times() const { return times_; }

private:
    void clearImages();
    void writeFiles(int32_t k);
    void copyRaftFiles(const QString& model, const QString& support) const;
    QString layerPath(const char* kind, int32_t number) const;

    SliceJob& job_;
    QString outputDir_;
    Poly2Img painter_;
    LayerImageWriter modelWriter_, supportWriter_;
    WaitTimeReport waitTime_;
    ImagingTimes times_;
    QImage model_, support_;         // 8-bit, the current layer's pixels
    QImage modelBits_, supportBits_; // 1-bit packed, for the layer files
    TaskThread compressor_;          // compresses the model bitmap beside this thread
    // Rows of the job's images that may hold non-zero bytes. Whatever the
    // images held before this object is unknown, so all of them at first;
    // afterwards only the rows painted, so clearing, the support gap and
    // packing skip the empty rest of the plate.
    ImageRows rows_;
};

} // namespace Voxmill
