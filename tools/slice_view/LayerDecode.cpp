#include "tools/slice_view/LayerDecode.h"

#include <stdexcept>

#include "output/LayerImageFile.h"
#include "tools/slice_view/Inflate.h"

namespace Voxmill {

namespace {

// Sized without zeroing what it held: the inflater writes every byte.
void inflateInto(const uint8_t* data, size_t size, std::vector<uint8_t>& out, uint64_t want,
                 const char* what) {
    const std::string fault = std::string(what) + " does not inflate to its stated size.";
    if (want > inflateLimit(size)) throw std::runtime_error(fault);
    out.resize(size_t(want));
    inflateExact(data, size, out.data(), out.size(), fault);
}

} // namespace

void LayerDecoder::decode(const QByteArray& file, BitPlane& plane) {
    const LayerBitmap h = decodeLayerImageHeader(file);
    const auto* payload = reinterpret_cast<const uint8_t*>(file.constData() + layerImageHeaderSize);
    inflateInto(payload, h.outerSize, inner_, h.innerSize, "outer payload");
    inflateInto(inner_.data(), inner_.size(), bitmap_, uint64_t(h.stride) * h.height, "inner payload");
    unpack(bitmap_.data(), h.stride, int32_t(h.width), int32_t(h.height), plane);
}

} // namespace Voxmill
