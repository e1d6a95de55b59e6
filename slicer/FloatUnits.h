#pragma once
// Single-precision values truncated into 32-bit units.

#include <cstdint>
#include <stdexcept>

namespace Voxmill {

// Truncates toward zero. A value that does not fit into 32 bits (or is not a
// number) lies far outside any build area and is refused rather than wrapped.
inline int32_t truncToUnits(float v) {
    if (!(v > -2147483648.0f && v < 2147483648.0f)) throw std::runtime_error("coordinate out of range.");
    return int32_t(v);
}

} // namespace Voxmill
