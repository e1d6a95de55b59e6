#include <gtest/gtest.h>

#include <random>

#include "output/LayerImageFile.h"
#include "output/OutputTestUtil.h"
#include "tools/slice_view/LayerDecode.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// Rows empty, sparse and full at random; no bit past the width.
QByteArray randomBitmap(std::mt19937& rng, int32_t width, int32_t height) {
    const int32_t stride = layerImageStride(width);
    std::string bits(size_t(stride * height), '\0');
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t kind = rng() % 4;
        for (int32_t x = 0; x < width && kind > 0; ++x)
            if (kind == 3 || rng() % (kind == 1 ? 97 : 3) == 0)
                bits[size_t(y * stride + x / 8)] |= char(1 << (x % 8));
    }
    return QByteArray::fromStdString(bits);
}

} // namespace

// slice_view's decoder, which inflates a band of rows at a time and sums the check value itself,
// against the program's: the same fault for every malformed file, the same plane for every good one,
// also into a plane that held another layer. Widths whose rows end in half a word, images of several
// bands and a last band cut short.
TEST(LayerDecoder, AgreesWithTheProgramsDecoder) {
    std::mt19937 rng(27);
    LayerDecoder decoder;
    BitPlane plane;
    for (const auto& [width, height] :
         {std::pair<int32_t, int32_t>{20, 3}, {6081, 100}, {6081, 100}, {130, 7}}) {
        const QByteArray bitmap = randomBitmap(rng, width, height), inner = zlibOf(bitmap);
        QByteArray badSum = inner, padded = bitmap;
        badSum[badSum.size() - 1] = char(badSum.back() ^ 1);
        padded[layerImageStride(width) - 1] = char(0x80); // the last bit of row 0
        const std::pair<const char*, QByteArray> files[] = {
            {"good", layerFileOfInner(width, height, inner)},
            {"check value", layerFileOfInner(width, height, badSum)},
            {"a byte after the stream", layerFileOfInner(width, height, inner + QByteArray(1, 0))},
            {"stream cut", layerFileOfInner(width, height, inner.left(inner.size() - 5))},
            {"a row short", layerFileOfInner(width, height, zlibOf(bitmap.left(bitmap.size() - 4)))},
            {"a byte long", layerFileOfInner(width, height, zlibOf(bitmap + QByteArray(1, 0)))},
            {"padding bit", layerFileOfInner(width, height, zlibOf(padded))},
            {"padding bit and check value",
             layerFileOfInner(width, height, zlibOf(padded).chopped(1) + '\0')},
            {"outer check value", layerFileOfInner(width, height, inner).chopped(1) + '\1'},
        };
        for (const auto& [what, file] : files) {
            SCOPED_TRACE(testing::Message() << width << " x " << height << ": " << what);
            LayerBitmap expected;
            const std::string fault = errorOf([&] { expected = decodeLayerImage(file); });
            EXPECT_EQ(errorOf([&] { decoder.decode(file, plane); }), fault);
            EXPECT_EQ(fault.empty(), std::string(what) == "good");
            if (!fault.empty()) continue;
            BitPlane want;
            unpack(expected, want);
            EXPECT_EQ(plane.bits, want.bits);
            EXPECT_EQ(plane.rowUsed, want.rowUsed);
        }
    }
}
