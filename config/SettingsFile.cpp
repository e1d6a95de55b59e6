#include "config/SettingsFile.h"

#include <stdexcept>

namespace Voxmill {

void readSettings(const QString&, SliceConfig&) { throw std::runtime_error("not implemented yet"); }
void readSettings(std::istream&, SliceConfig&) { throw std::runtime_error("not implemented yet"); }
void writeSettings(const QString&, const SliceConfig&) { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
