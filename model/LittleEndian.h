#pragma once
// Little-endian numbers in file bytes, independent of the host's byte order.

#include <cstdint>
#include <cstring>

namespace Voxmill {

inline uint32_t loadU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint64_t loadU64(const unsigned char* p) {
    return uint64_t(loadU32(p)) | uint64_t(loadU32(p + 4)) << 32;
}

inline float loadF32(const unsigned char* p) {
    const uint32_t bits = loadU32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace Voxmill
