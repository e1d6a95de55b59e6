#pragma once
// A layer file decoded into a plane by the rules and with the messages of
// decodeLayerImage (output/LayerImageFile.h).

#include <QByteArray>

#include "tools/slice_view/BitPlane.h"

namespace Voxmill {

class LayerDecoder {
public:
    // Throws the fault without the file's name: a short file, a bad magic, an
    // implausible size, a payload that does not inflate to exactly its stated
    // size, set padding bits.
    void decode(const QByteArray& file, BitPlane& plane);
};

} // namespace Voxmill
