#pragma once
// Where the image thread spends its time, per step, summed over layers.
// Each job adds its figures to a process-wide total when its image thread
// ends; the benchmark reads them.

#include <cstdint>

namespace Voxmill {

struct ImagingTimes {
    int64_t layers = 0;
    int64_t rasteriseNs = 0, supportGapNs = 0, wallsNs = 0, waitTimeNs = 0;
    int64_t packNs = 0, compressNs = 0, writeNs = 0; // summed over the workers
    int64_t infillNs = 0, supportNs = 0;             // generation on the main thread

    ImagingTimes& operator+=(const ImagingTimes& o);
};

void addImagingTotals(const ImagingTimes& t);
ImagingTimes imagingTotals();
void resetImagingTotals();

} // namespace Voxmill
