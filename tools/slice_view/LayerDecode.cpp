#include "tools/slice_view/LayerDecode.h"

#include "output/LayerImageFile.h"

namespace Voxmill {

void LayerDecoder::decode(const QByteArray& file, BitPlane& plane) { unpack(decodeLayerImage(file), plane); }

} // namespace Voxmill
