#pragma once
// The job seen from the front. Each layer is reduced to the columns its model
// and its support print in (in any row), so memory holds a column row per
// layer (1.5 KB at the default grid); the picture is drawn once the extent is
// known.

#include <cstdint>
#include <vector>

#include <QImage>

#include "tools/slice_view/BitPlane.h"
#include "tools/slice_view/JobDir.h"

namespace Voxmill {

class SideColumns {
public:
    SideColumns(int32_t width, int32_t layers);
    // Layer n, from its images, or a repeat of the layer below when model is
    // null; layers come in order from 0.
    void add(int32_t n, const BitPlane* model, const BitPlane* support);
    // The layers added: x across, the top layer in the top row, model white
    // over support grey. Picture pixels are square in millimetres, never finer
    // than an image pixel or a layer, at most maxPixels each way. With crop,
    // the printed columns and cropMarginPixels more on either side.
    QImage draw(const JobGeometry& g, bool crop, int32_t maxPixels) const;

private:
    const uint64_t* row(int32_t n, int32_t kind) const {
        return columns_.data() + (size_t(n) * 2 + size_t(kind)) * size_t(words_);
    }
    std::pair<int32_t, int32_t> printedColumns(int32_t width) const;

    int32_t words_ = 0, added_ = 0;
    std::vector<uint64_t> columns_; // per layer: the model columns, then the support columns
};

} // namespace Voxmill
