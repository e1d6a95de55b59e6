#include "output/ImgProcThd.h"

#include <stdexcept>

namespace Voxmill {

ImgProcThd::ImgProcThd(SliceJob& job, const QString& outputDir)
    : job_(job), outputDir_(outputDir), extraRaft_(0), cleanSolidCount_(0), releaseLag_(0) {}
ImgProcThd::~ImgProcThd() { wait(); }
void ImgProcThd::markCleanSolid(int32_t) {}
void ImgProcThd::post(int32_t) {}
bool ImgProcThd::waitForLead() { return true; }
void ImgProcThd::requestStop() {}
bool ImgProcThd::failed() const { return false; }
int32_t ImgProcThd::imagedLayer() const { return -1; }
void ImgProcThd::run() {}

} // namespace Voxmill
