#pragma once
// A fast multiply-xor hash over 8-byte words, for memos that compare their
// entries in full on a match: it need only spread the keys, and it reads
// every byte of them, so it must be cheap.

#include <cstdint>
#include <cstring>

namespace Voxmill {

inline uint64_t mixWord(uint64_t h, uint64_t w) {
    h = (h ^ w) * 0xff51afd7ed558ccdull;
    return h ^ (h >> 29);
}

// h carried on over the n bytes at p: whole words, then any bytes left.
inline uint64_t mixBytes(uint64_t h, const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, b + i, 8);
        h = mixWord(h, w);
    }
    for (; i < n; ++i) h = (h ^ b[i]) * 0x100000001b3ull;
    return h;
}

} // namespace Voxmill
