#include "output/AreaScan.h"

#include <stdexcept>

namespace Voxmill {

AreaScan::AreaScan(SliceJob& job, const QString& outputDir) : job_(job), outputDir_(outputDir) {}
void AreaScan::scanLayer(int32_t) { throw std::runtime_error("not implemented yet"); }
void AreaScan::write() const { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
