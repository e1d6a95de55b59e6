#include "output/ImagingTimes.h"

#include <mutex>

namespace Voxmill {

namespace {

std::mutex totalsLock;
ImagingTimes totals;

} // namespace

ImagingTimes& ImagingTimes::operator+=(const ImagingTimes& o) {
    layers += o.layers;
    rasteriseNs += o.rasteriseNs;
    supportGapNs += o.supportGapNs;
    wallsNs += o.wallsNs;
    waitTimeNs += o.waitTimeNs;
    packNs += o.packNs;
    compressNs += o.compressNs;
    writeNs += o.writeNs;
    infillNs += o.infillNs;
    supportNs += o.supportNs;
    return *this;
}

void addImagingTotals(const ImagingTimes& t) {
    std::lock_guard<std::mutex> lock(totalsLock);
    totals += t;
}

ImagingTimes imagingTotals() {
    std::lock_guard<std::mutex> lock(totalsLock);
    return totals;
}

void resetImagingTotals() {
    std::lock_guard<std::mutex> lock(totalsLock);
    totals = ImagingTimes();
}

} // namespace Voxmill
