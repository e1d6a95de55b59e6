#pragma once
// The pixel gap between support and model: support pixels at and around
// every model pixel (value >= 128) are cleared, so the two materials never
// touch. g = 0 clears only under the model, g = 1 a plus around each model
// pixel, g >= 2 the disc of pixels whose rounded distance is at most g.

#include <cstdint>
#include <vector>

#include <QImage>

#include "output/Poly2Img.h"

namespace Voxmill {

// The cleared neighbourhood as half-widths: entry g + dy is the largest |dx|
// cleared in row offset dy, for dy = -g..g. Every neighbourhood is a run of
// whole columns in each row, which lets a run of model pixels clear one span
// per row.
std::vector<int32_t> gapHalfWidths(int32_t g);

// Both images are 8-bit and of the same size; model pixels are looked for
// only in modelRows (the rest of the model image is known to be empty).
void supportGap(const QImage& model, QImage& support, int32_t g, RowSpan modelRows);

} // namespace Voxmill
