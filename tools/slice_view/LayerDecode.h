#pragma once
// A layer file decoded into a plane by the rules and with the messages of
// decodeLayerImage (output/LayerImageFile.h), with buffers kept from file to
// file. The bitmap is inflated a band of rows at a time (RowInflate.h) and
// only its rows with pixels are copied; an empty row is cleared only where
// the plane held pixels.

#include <cstdint>
#include <vector>

#include <QByteArray>

#include "tools/slice_view/BitPlane.h"
#include "tools/slice_view/RowInflate.h"

namespace Voxmill {

class LayerDecoder {
public:
    // Throws the fault without the file's name: a short file, a bad magic, an
    // implausible size, a payload that does not inflate to exactly its stated
    // size, set padding bits. A plane of another size is sized anew; on a
    // fault it holds part of the file.
    void decode(const QByteArray& file, BitPlane& plane);

private:
    void inflateOuter(const uint8_t* data, uint32_t size, uint32_t want);

    std::vector<uint8_t> inner_; // the outer payload inflated, one byte more
    RowInflater rows_;
};

} // namespace Voxmill
