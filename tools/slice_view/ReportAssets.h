#pragma once
// The style and the script of the report page, inlined into it: the page
// fetches nothing from anywhere.
//
// The script reads the job's data from the JSON element "job-data": layers,
// layerMm, pixelAreaMm2, per layer model and support pixels, the layer whose
// picture it shows and whether that picture is exactly its own (same files),
// step, and the findings as [first, last, text]. It drives the layer viewer:
// the slider, the arrow keys (Page Up and Down: ten layers; Home, End), the
// links "#layer=N", clicks on the plot and the side view. The address keeps
// "#layer=N" of the layer shown, and a page opened with it shows that layer.

namespace Voxmill {

extern const char* const reportStyle;
extern const char* const reportScript;

} // namespace Voxmill
