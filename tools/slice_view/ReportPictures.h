#pragma once
// The pictures of the report: side.png (from the front), top.png (every
// layer's pixels from above) and layers/<n>.png for the layer viewer, all at
// most reportMaxPixels each way. The layer pictures share the frame of
// top.png, the job's printed area and a margin, so they line up.
//
// A long job gets a picture for every step-th layer (step chosen so that at
// most reportMaxPictures are drawn) and for the first layer of every finding.
// A layer whose files equal those of a pictured layer below it, with only
// such layers between, shows that picture; any other layer shows the
// nearest pictured layer below it.

#include <cstdint>
#include <vector>

#include <QString>

#include "tools/slice_view/Picture.h"
#include "tools/slice_view/ReportScan.h"

namespace Voxmill {

constexpr int32_t reportMaxPixels = 1000;
constexpr int32_t reportMaxPictures = 500;

struct ReportPictures {
    PictureFrame frame;         // of top.png and every layer picture
    int32_t step = 1;           // every step-th layer is pictured
    int32_t count = 0;          // layer pictures written
    std::vector<int32_t> shown; // per layer read: the layer whose picture the viewer shows
};

// The layers to picture and what each layer shows.
ReportPictures planPictures(const JobScan& scan, int32_t maxPictures);
// Writes the pictures into out (which exists). A layer the scan kept is drawn
// from memory; any other is read again, and throws "<path>: <fault>" when
// its file no longer reads. Throws "cannot write <path>" for a picture.
ReportPictures writePictures(const QString& dir, const QString& out, const JobGeometry& g,
                             const JobScan& scan);

} // namespace Voxmill
