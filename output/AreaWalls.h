#pragma once
// The walls around the print areas. The areas are bands of image rows
// (wall.areaPixels read from the bottom of the plate, so its last element is
// the band at row 0). Walls are drawn only in bands that still print: with
// wall.clipOverHeight a band whose rows are empty in both images is
// finished and gets no wall.

#include <cstdint>
#include <vector>

#include <QImage>

#include "config/SliceConfig.h"
#include "output/Poly2Img.h"
#include "slicer/Layer.h"

namespace Voxmill {

// wall.areaPixels reversed, as consecutive row spans from row 0, cut at height.
std::vector<RowSpan> areaBands(const SliceConfig& s, int32_t height);

// The maximal runs of consecutive bands still printing, from row 0 down.
std::vector<RowSpan> unfinishedRuns(const std::vector<RowSpan>& bands, const QImage& model,
                                    const QImage& support, bool clipOverHeight);

// Draws the wall parts of layer k (type 1 into the model image, or into the
// support image in stored raft layers when raft.drawModelWall is off; type 2
// into the support image), clipped to the unfinished runs. Widens the row
// spans by the rows it may have painted.
void drawAreaWalls(const SliceConfig& s, const Layer& layer, int32_t k, QImage& model, QImage& support,
                   RowSpan& modelRows, RowSpan& supportRows);

} // namespace Voxmill
