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

void BitPlane::clear() {
    for (int32_t y = 0; y < height; ++y)
        if (rowUsed[size_t(y)]) std::fill(row(y), row(y) + words, 0);
    std::fill(rowUsed.begin(), rowUsed.end(), 0);
}

// Only the used rows: most rows of a layer are empty.
int64_t BitPlane::count() const {
    int64_t n = 0;
    for (int32_t y = 0; y < height; ++y)
        if (rowUsed[size_t(y)]) n += rowCount(row(y), words);
    return n;
}

// Most words of a row with pixels are empty still, and without a popcount
// instruction in the target a word's count is a call: empty words are passed.
int64_t rowCount(const uint64_t* row, int32_t words) {
    int64_t n = 0;
    for (int32_t i = 0; i < words; ++i)
        if (row[i]) n += __builtin_popcountll(row[i]);
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
        const uint8_t held = out.rowUsed[i]; // an empty row is cleared only where out held pixels
        out.rowUsed[i] = a.rowUsed[i] | b.rowUsed[i];
        uint64_t* o = out.row(y);
        if (!out.rowUsed[i]) {
            if (held) std::fill(o, o + a.words, 0);
            continue;
        }
        const uint64_t *ra = a.row(y), *rb = b.row(y);
        for (int32_t k = 0; k < a.words; ++k) o[k] = ra[k] | rb[k];
    }
}

// Run by run, over the words from which a pixel reaches the span: a row
// holds a few runs and many empty words, which forEachRun passes over whole.
// A run cut at the ends of those words still reaches the span as it would
// whole.
void grownRow(const BitPlane& plane, const Reach& reach, int32_t y, WordSpan span, uint64_t* out) {
    const int32_t g = int32_t(reach.size() / 2);
    const int32_t far = *std::max_element(reach.begin(), reach.end());
    const int32_t from = std::max(0, span.first * 64 - far) / 64;
    const int32_t to = std::min(plane.words - 1, ((span.last + 1) * 64 + far - 1) / 64);
    std::fill(out, out + plane.words, 0);
    for (int32_t dy = -g; dy <= g; ++dy) {
        const int32_t sy = y + dy;
        if (sy < 0 || sy >= plane.height || !plane.rowUsed[size_t(sy)]) continue;
        const int32_t w = reach[size_t(dy + g)];
        forEachRun(plane.row(sy) + from, to - from + 1, [&](int32_t x0, int32_t x1) {
            setRun(out, std::max(0, from * 64 + x0 - w), std::min(plane.width - 1, from * 64 + x1 + w));
        });
    }
}

} // namespace Voxmill
