#pragma once
// Model and support area per layer as an inline SVG: layers across, area
// up. Long jobs are drawn at most a plot column per layer: a column shows
// the largest area of its layers, so a single large layer still shows.

#include <string>
#include <vector>

#include "tools/slice_view/JobStats.h"

namespace Voxmill {

std::string areaPlot(const std::vector<LayerCounts>& counts, double pixelAreaMm2);

} // namespace Voxmill
