#pragma once
// Splits the indices [0, count) into contiguous ranges, one per worker, and
// runs body on each at once: the first range on the calling thread, the
// others on threads of their own. Returns when every range is done; an
// exception from any range is rethrown (the lowest range's first), after
// all of them have ended. Bodies must only write what their range owns.

#include <cstdint>
#include <functional>

namespace Voxmill {

void parallelRanges(int32_t workers, int32_t count,
                    const std::function<void(int32_t first, int32_t end)>& body);

} // namespace Voxmill
