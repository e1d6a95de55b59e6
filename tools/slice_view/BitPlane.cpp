#include "tools/slice_view/BitPlane.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace Voxmill {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "layer bitmaps are read as little-endian words");

void BitPlane::reset(int32_t w, int32_t h) {
    width = w;
    height = h;
    words = (w + 63) / 64;
    bits.assign(size_t(h) * size_t(words), 0);
    rowUsed.assign(size_t(h), 0);
}

// Only the used rows: most rows of a layer are empty.
int64_t BitPlane::count() const {
    int64_t n = 0;
    for (int32_t y = 0; y < height; ++y)
        if (rowUsed[size_t(y)]) n += rowCount(row(y), words);
    return n;
}

int64_t rowCount(const uint64_t* row, int32_t words) {
    int64_t n = 0;
    for (int32_t i = 0; i < words; ++i) n += __builtin_popcountll(row[i]);
    return n;
}

void unpack(const LayerBitmap& b, BitPlane& plane) {
    unpack(b.bits.data(), b.stride, int32_t(b.width), int32_t(b.height), plane);
}

void unpack(const uint8_t* bits, int32_t stride, int32_t width, int32_t height, BitPlane& plane) {
    if (plane.width != width || plane.height != height) plane.reset(width, height);
    const uint64_t padding = ~plane.tailMask();
    for (int32_t y = 0; y < plane.height; ++y) {
        uint64_t* dst = plane.row(y);
        dst[plane.words - 1] = 0; // a stride of an odd number of 32-bit words leaves half a word
        std::memcpy(dst, bits + size_t(y) * size_t(stride), size_t(stride));
        if (dst[plane.words - 1] & padding) throw std::runtime_error("padding bits are set.");
        plane.rowUsed[size_t(y)] = rowAny(dst, plane.words);
    }
}

void orOf(const BitPlane& a, const BitPlane& b, BitPlane& out) {
    if (out.width != a.width || out.height != a.height) out.reset(a.width, a.height);
    for (int32_t y = 0; y < a.height; ++y) {
        const size_t i = size_t(y);
        out.rowUsed[i] = a.rowUsed[i] | b.rowUsed[i];
        uint64_t* o = out.row(y);
        if (!out.rowUsed[i]) {
            std::fill(o, o + a.words, 0);
            continue;
        }
        const uint64_t *ra = a.row(y), *rb = b.row(y);
        for (int32_t k = 0; k < a.words; ++k) o[k] = ra[k] | rb[k];
    }
}

namespace {

// out |= in grown by w pixels to either side, within the width.
void orGrown(const uint64_t* in, int32_t words, int32_t w, uint64_t tail, uint64_t* out) {
    for (int32_t k = 0; k < words; ++k) out[k] |= in[k];
    for (int32_t s = 1; s <= w; ++s) {
        // a shift of s pixels, s < 64: a word takes the spill of its neighbour
        for (int32_t k = 0; k < words; ++k) {
            const uint64_t left = k > 0 ? in[k - 1] >> (64 - s) : 0;          // towards higher x
            const uint64_t right = k + 1 < words ? in[k + 1] << (64 - s) : 0; // towards lower x
            out[k] |= (in[k] << s) | left | (in[k] >> s) | right;
        }
    }
    out[words - 1] &= tail;
}

} // namespace

void grownRow(const BitPlane& plane, const Reach& reach, int32_t y, uint64_t* out) {
    const int32_t g = int32_t(reach.size() / 2);
    std::fill(out, out + plane.words, 0);
    for (int32_t dy = -g; dy <= g; ++dy) {
        const int32_t sy = y + dy;
        if (sy < 0 || sy >= plane.height || !plane.rowUsed[size_t(sy)]) continue;
        orGrown(plane.row(sy), plane.words, reach[size_t(dy + g)], plane.tailMask(), out);
    }
}

} // namespace Voxmill
