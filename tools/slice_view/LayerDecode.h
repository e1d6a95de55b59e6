#pragma once
// A layer file decoded into a plane by the rules and with the messages of
// decodeLayerImage (output/LayerImageFile.h), through the inflater of
// Inflate.h. Its buffers are kept from file to file.

#include <cstdint>
#include <vector>

#include <QByteArray>

#include "tools/slice_view/BitPlane.h"

namespace Voxmill {

class LayerDecoder {
public:
    // Throws the fault without the file's name: a short file, a bad magic, an
    // implausible size, a payload that does not inflate to exactly its stated
    // size, set padding bits.
    void decode(const QByteArray& file, BitPlane& plane);

private:
    std::vector<uint8_t> inner_, bitmap_;
};

} // namespace Voxmill
