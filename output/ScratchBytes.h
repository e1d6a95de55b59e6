#pragma once
// A byte vector that grows without zeroing what it adds. Compression sizes
// its output for the worst case, a few megabytes, and writes what it uses:
// the rest is never touched, so for a large allocation it stays unbacked.

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace Voxmill {

template <class T> struct NoZeroAllocator : std::allocator<T> {
    template <class U> struct rebind { using other = NoZeroAllocator<U>; };
    NoZeroAllocator() = default;
    template <class U> NoZeroAllocator(const NoZeroAllocator<U>&) noexcept {}
    template <class U> void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U; // default-initialised: left as it is
    }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using ScratchBytes = std::vector<uint8_t, NoZeroAllocator<uint8_t>>;

} // namespace Voxmill
