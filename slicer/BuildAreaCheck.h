#pragma once
// Where the loaded models lie against the build area: the poly2img.sizeX x
// poly2img.sizeY mm rectangle around the plate centre that the printable
// columns and rows of a layer image cover, and poly2img.sizeZ mm above the
// plate. The extraBlankPixel margins lie outside it: nothing is ever printed
// there.

#include <functional>
#include <string>

#include "config/SliceConfig.h"
#include "model/LoadedModels.h"

namespace Voxmill {

// Checks every model, walls included, against the build area, each as it
// will be sliced: after scaling, a mesh at its offset from the first model
// sharing its mesh, SLC contours under their transform; a model without
// geometry is skipped. A model is named by its type and file ("model a.stl",
// "support-wall w.stl"; in a project "model mesh 2 of the project", "model SLC 1
// of the project"). A model that
// reaches more than half a pixel past an edge (so pixels of it are lost) gives
// one line to warn:
//   "warning: model a.stl reaches past the build area by 10.00 mm at the right
//    edge (model x 130.00 to 150.00 mm, y -10.00 to 10.00 mm; build area x
//    -140.00 to 140.00 mm, y -111.41 to 111.41 mm); what lies outside is not
//    printed"
// (one line; edges named left, right, front, back, y growing to the back).
// The first model that does not overlap the build area at all throws:
//   "model a.stl lies wholly outside the build area: model x ... mm, y ... mm;
//    build area x ... mm, y ... mm (280 x 222.816 mm around the plate centre)"
// A model of type model (walls never add layers) whose last layer, counted
// as the layer list counts it and stacked on the raft.layerCnt raft layers,
// ends above poly2img.sizeZ gives one line to warn:
//   "warning: model a.stl reaches above the printer's height by 49.00 mm (its
//    last layer ends at 252.00 mm, the raft's 2.00 mm included; printer
//    height 203.00 mm); the printer cannot print what lies above"
void checkBuildArea(const LoadedModels& models, const SliceConfig& c,
                    const std::function<void(const std::string&)>& warn);

} // namespace Voxmill
