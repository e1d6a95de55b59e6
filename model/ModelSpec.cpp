#include "model/ModelSpec.h"

#include <stdexcept>

namespace Voxmill {

part_type_t validatePartType(int32_t value) {
    if (value < 0 || value > 2) throw std::runtime_error("invalid part_type_t.");
    return static_cast<part_type_t>(value);
}

} // namespace Voxmill
