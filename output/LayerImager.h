#pragma once
// Everything one image worker does to a layer: its two images, the support
// gap, the area walls, the wait time, and the two bitmaps packed and
// compressed, ready to be written in layer order by the image thread. Each
// worker owns one: its images and buffers are its own, the job's layers are
// all it shares, and those it only reads.

#include <cstdint>
#include <string>

#include "output/ImagingTimes.h"
#include "output/LayerImageFile.h"
#include "output/LayerImages.h"
#include "output/Poly2Img.h"
#include "output/WaitTime.h"
#include "slicer/SliceJob.h"

namespace Voxmill {

// One imaged layer, as the image thread writes it.
struct ImagedLayer {
    int32_t waitTime = 0;
    CompressedBitmap model, support;
    bool failed = false;
    std::string error; // the message to print when failed
};

class LayerImageMemo;

class LayerImager {
public:
    // memo: layers imaged before, shared with the other workers (or none).
    explicit LayerImager(SliceJob& job, LayerImageMemo* memo = nullptr);
    // Images stored layer k into out; the layer must be in the store's window.
    void image(int32_t k, ImagedLayer& out);
    const ImagingTimes& times() const { return times_; }

private:
    void clearImages();
    void compress(ImagedLayer& out);

    SliceJob& job_;
    LayerImageMemo* memo_;
    Poly2Img painter_;
    LayerImageWriter modelWriter_, supportWriter_;
    WaitTimeReport waitTime_;
    ImagingTimes times_;
    QImage model_, support_;         // 8-bit, the current layer's pixels
    QImage modelBits_, supportBits_; // 1-bit packed, for the layer files
    // Rows of the images that may hold non-zero bytes: none while the images
    // are fresh zero pages, afterwards only the rows painted, so clearing,
    // the support gap and packing skip the empty rest of the plate.
    ImageRows rows_;
    ImageRows packedRows_; // rows of the packed images that may hold set bits
};

} // namespace Voxmill
