#include "model/ProjectReader.h"

#include <stdexcept>

namespace Voxmill {

bool ProjectLoadCache::MeshKey::operator<(const MeshKey&) const { throw std::runtime_error("not implemented yet"); }
void readProjectSettings(const QString&, SliceConfig&) { throw std::runtime_error("not implemented yet"); }
void readProjectModels(const QString&, ProjectLoadCache&, LoadedModels&) { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
