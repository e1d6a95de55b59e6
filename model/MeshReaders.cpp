#include "model/MeshReaders.h"

#include <stdexcept>

namespace Voxmill {

std::unique_ptr<TriMesh> readZdm(const QString&) { throw std::runtime_error("not implemented yet"); }
SlcData readSlc(const QString&) { throw std::runtime_error("not implemented yet"); }
int32_t topZ(const SlcData&, const ModelTransform&) { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
