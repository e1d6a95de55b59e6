#pragma once
// Image columns, rows or layers mapped onto picture pixels, per of them to a
// picture pixel (per >= 1: pictures never enlarge).

#include <algorithm>
#include <cstdint>

namespace Voxmill {

// The picture pixel of column (or layer) i; the small term keeps i / 1 from
// falling short.
inline int32_t pixelOf(int32_t i, double per, int32_t pixels) {
    return std::min(pixels - 1, int32_t(i / per + 1e-9));
}

// How many picture pixels count columns (or layers) take, at most maxPixels:
// up to the one of the last column, so that none stays empty.
inline int32_t pixelsFor(int32_t count, double per, int32_t maxPixels) {
    return std::clamp(int32_t((count - 1) / per + 1e-9) + 1, 1, maxPixels);
}

} // namespace Voxmill
