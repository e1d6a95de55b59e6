#include "tools/slice_view/LayerDecode.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "output/LayerImageFile.h"

namespace Voxmill {

namespace {

// Empties row y of the plane, which takes no time when it held nothing.
void clearRow(int32_t y, BitPlane& plane) {
    uint8_t& used = plane.rowUsed[size_t(y)];
    if (used) std::fill(plane.row(y), plane.row(y) + plane.words, 0);
    used = 0;
}

// Row y of the plane from stride bytes of bitmap, not all zero; true when a
// bit past the width is set.
bool putRow(const uint8_t* src, int32_t stride, int32_t y, BitPlane& plane) {
    uint64_t* dst = plane.row(y);
    uint8_t& used = plane.rowUsed[size_t(y)];
    dst[plane.words - 1] = 0; // a stride of an odd number of 32-bit words leaves half a word
    std::memcpy(dst, src, size_t(stride));
    used = 1;
    return (dst[plane.words - 1] & ~plane.tailMask()) != 0;
}

} // namespace

// Exactly want bytes out of exactly size, or a fault; the byte more shows a
// stream that yields too much.
void LayerDecoder::inflateOuter(const uint8_t* data, uint32_t size, uint32_t want) {
    const char* fault = "outer payload does not inflate to its stated size.";
    if (want > inflateLimit(size)) throw std::runtime_error(fault);
    inner_.resize(size_t(want) + 1);
    uLongf outLen = uLongf(inner_.size());
    uLong inLen = uLong(size);
    const int rc = uncompress2(inner_.data(), &outLen, data, &inLen);
    if (rc != Z_OK || outLen != want || inLen != size) throw std::runtime_error(fault);
}

// A set padding bit is told only once the stream has proved whole, as the
// program's decoder tells it.
void LayerDecoder::decode(const QByteArray& file, BitPlane& plane) {
    const LayerBitmap h = decodeLayerImageHeader(file);
    const auto* payload = reinterpret_cast<const uint8_t*>(file.constData() + layerImageHeaderSize);
    inflateOuter(payload, h.outerSize, h.innerSize);
    rows_.start(inner_.data(), h.innerSize, h.stride, int32_t(h.height),
                "inner payload does not inflate to its stated size.");
    if (plane.width != int32_t(h.width) || plane.height != int32_t(h.height))
        plane.reset(int32_t(h.width), int32_t(h.height));
    bool padding = false;
    int32_t y = 0;
    for (int32_t n; (n = rows_.next()) > 0;)
        for (int32_t i = 0; i < n; ++i, ++y) {
            if (rows_.rowEmpty(i))
                clearRow(y, plane);
            else
                padding |= putRow(rows_.rows() + size_t(i) * size_t(h.stride), h.stride, y, plane);
        }
    if (padding) throw std::runtime_error("padding bits are set.");
}

} // namespace Voxmill
