#pragma once
// One layer image as rows of 64-bit words, for word-wise pixel work: pixel x
// of row y is bit x % 64 of word x / 64 of the row; bits past the width are 0.
// This is the layer file's bitmap order (least significant bit first) read in
// 64-bit little-endian words.

#include <cstdint>
#include <vector>

#include "output/LayerImageFile.h"

namespace Voxmill {

struct BitPlane {
    int32_t width = 0, height = 0;
    int32_t words = 0;            // per row
    std::vector<uint64_t> bits;   // height * words
    std::vector<uint8_t> rowUsed; // per row: any bit set (kept by set, unpack and orOf)

    // Sizes the plane; every bit 0.
    void reset(int32_t w, int32_t h);
    // Every bit 0, at the cost of the used rows alone.
    void clear();
    uint64_t* row(int32_t y) { return bits.data() + size_t(y) * size_t(words); }
    const uint64_t* row(int32_t y) const { return bits.data() + size_t(y) * size_t(words); }
    bool pixel(int32_t x, int32_t y) const { return (row(y)[x / 64] >> (x % 64)) & 1; }
    void set(int32_t x, int32_t y) {
        row(y)[x / 64] |= 1ULL << (x % 64);
        rowUsed[size_t(y)] = 1;
    }
    // The valid bits of the last word of a row.
    uint64_t tailMask() const { return width % 64 == 0 ? ~0ULL : (1ULL << (width % 64)) - 1; }
    int64_t count() const;
};

// The decoded bitmap of a layer file into plane: height rows of stride bytes.
// Throws "padding bits are set." for a set bit past the width.
void unpack(const LayerBitmap& b, BitPlane& plane);
void unpack(const uint8_t* bits, int32_t stride, int32_t width, int32_t height, BitPlane& plane);
// out = a | b, pixel by pixel; a and b of the same size.
void orOf(const BitPlane& a, const BitPlane& b, BitPlane& out);

inline bool rowAny(const uint64_t* row, int32_t words) {
    for (int32_t i = 0; i < words; ++i)
        if (row[i]) return true;
    return false;
}
int64_t rowCount(const uint64_t* row, int32_t words);
// Sets the bits x0 .. x1 of a row, x0 <= x1.
inline void setRun(uint64_t* row, int32_t x0, int32_t x1) {
    const int32_t k0 = x0 / 64, k1 = x1 / 64;
    const uint64_t first = ~0ULL << (x0 % 64), last = ~0ULL >> (63 - x1 % 64);
    if (k0 == k1) {
        row[k0] |= first & last;
        return;
    }
    row[k0] |= first;
    for (int32_t k = k0 + 1; k < k1; ++k) row[k] = ~0ULL;
    row[k1] |= last;
}

// Calls f(x0, x1) for every run of set bits [x0, x1] of a row, left to right.
// Empty and full words are passed over whole.
template <class F> void forEachRun(const uint64_t* row, int32_t words, F&& f) {
    int32_t start = -1;
    for (int32_t i = 0; i < words; ++i) {
        const uint64_t w = row[i];
        if (w == (start < 0 ? 0 : ~0ULL)) continue;
        for (int32_t bit = 0; bit < 64;) {
            const uint64_t rest = (start < 0 ? w : ~w) >> bit;
            if (rest == 0) break;
            bit += __builtin_ctzll(rest);
            if (start < 0) {
                start = i * 64 + bit;
            } else {
                f(start, i * 64 + bit - 1);
                start = -1;
            }
        }
    }
    if (start >= 0) f(start, words * 64 - 1);
}

// The neighbourhood a pixel reaches: half[g + dy] is how far it reaches
// along x in row offset dy, for dy = -g .. g (as gapHalfWidths gives it).
using Reach = std::vector<int32_t>;

// Words first .. last of a row.
struct WordSpan {
    int32_t first, last;
};

// The words of a row from its first to its last set bit; last < first when
// the row is empty.
inline WordSpan wordSpan(const uint64_t* row, int32_t words) {
    int32_t first = 0, last = words - 1;
    while (first < words && row[first] == 0) ++first;
    while (last > first && row[last] == 0) --last;
    return {first, first < words ? last : -1};
}

// Words span of row y of plane grown by the reach into out (one row): every
// set pixel also sets the pixels it reaches. Pixels that reach no word of
// the span are passed over, and so are empty rows of the plane; out's other
// words hold part of the grown row.
void grownRow(const BitPlane& plane, const Reach& reach, int32_t y, WordSpan span, uint64_t* out);

} // namespace Voxmill
