#pragma once
// The layer image file the printer reads ("slice_m<N>", "slice_s<N>"):
//
//   offset 0   "slic"
//   offset 4   width W in pixels            (all integers u32 little-endian)
//   offset 8   height H in pixels
//   offset 12  outer size: payload bytes after the header
//   offset 16  inner size: payload bytes after one inflation
//   offset 20  zlib(zlib(bitmap)), outer size bytes; nothing after it
//
// The bitmap is H rows of S = ((W + 31) / 32) * 4 bytes, image row 0 first;
// pixel x is bit (x % 8) of byte x / 8, least significant bit first; a set
// bit is material. Bits past the width are 0. QImage::Format_MonoLSB has
// exactly this layout, so a packed image is written as it lies in memory.

#include <cstdint>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QString>

#include "output/BitmapMemo.h"
#include "output/Poly2Img.h"
#include "output/ScratchBytes.h"

namespace Voxmill {

constexpr int32_t layerImageHeaderSize = 20;

inline int32_t layerImageStride(int32_t width) { return int32_t((int64_t(width) + 31) / 32 * 4); }

// Zeroes the rows of span (clamped to the image).
void clearRows(QImage& image, RowSpan span);

// Clears bits (created as Format_MonoLSB of the same size when it does not
// match) and sets bit x of row y wherever gray's pixel is 128 or more. Only
// the rows of span are read: gray is known to be 0 outside them. Rows of bits
// outside dirty and span are known to be 0 already and are left untouched.
void packBits(const QImage& gray, QImage& bits, RowSpan span, RowSpan dirty);
inline void packBits(const QImage& gray, QImage& bits) {
    packBits(gray, bits, {0, gray.height()}, {0, gray.height()});
}

// One-call zlib compression at level 6 into out (grown to compressBound when
// smaller); returns the compressed length. Throws "compress bitmap error."
// when zlib does not succeed.
size_t compressOnce(const uint8_t* data, size_t size, ScratchBytes& out);

// A packed bitmap compressed twice: the payload of one layer file.
struct CompressedBitmap {
    int32_t width = 0, height = 0;
    uint32_t innerSize = 0;     // bytes after one inflation
    std::vector<uint8_t> outer; // the payload, exactly
};

// Writes the header and the payload as the layer file at path.
void writeLayerImageFile(const QString& path, const CompressedBitmap& c);

// Compresses packed images twice. The buffers are kept between calls so a
// job allocates them once. A bitmap equal to the previous one is not
// compressed again: deflate is deterministic, so its bytes are those already
// at hand (empty support layers and prismatic models repeat their bitmaps
// for hundreds of layers; deflating 4 MB of zeros alone takes about 20 ms).
// The previous bitmap is kept as its band of non-zero rows only, so a small
// part on a large plate keeps little. Bitmaps further back are found again by the
// memo (a support lattice repeats with its notches' period).
class LayerImageWriter {
public:
    // Time spent in the last call, split for the benchmark.
    struct Times {
        int64_t compressNs = 0, writeNs = 0;
    };
    void compress(const QImage& bits, CompressedBitmap& out);
    // compress, then writeLayerImageFile.
    void write(const QString& path, const QImage& bits);
    const Times& lastTimes() const { return times_; }

private:
    bool repeatsLast(const QImage& bits, RowSpan band) const;
    void keepLast(const QImage& bits, RowSpan band);

    ScratchBytes inner_, outer_;
    size_t innerLen_ = 0, outerLen_ = 0;
    // The bitmap outer_ holds: its size, its non-zero rows and their bytes;
    // lastValid_ is false until a bitmap was compressed, and after a failure.
    QSize lastSize_;
    RowSpan lastBand_{0, 0};
    std::vector<uint8_t> lastRows_;
    bool lastValid_ = false;
    BitmapMemo memo_;          // bitmaps further back
    CompressedBitmap scratch_; // for write()
    Times times_;
};

// A layer file read the way the printer reads it, and checked strictly.
struct LayerBitmap {
    uint32_t width = 0, height = 0, outerSize = 0, innerSize = 0;
    int32_t stride = 0;
    std::vector<uint8_t> bits; // stride * height bytes
    bool pixel(int32_t x, int32_t y) const { return (bits[size_t(y) * stride + x / 8] >> (x % 8)) & 1; }
    int64_t countSet() const;
};

// The largest image the settings allow: poly2img.pixelX 51200 and two
// margins of 10240 by poly2img.pixelY 51200. A larger header is corrupt.
constexpr uint32_t maxLayerImageWidth = 51200 + 2 * 10240, maxLayerImageHeight = 51200;

// The header fields of a file (bits left empty), checked: magic, a file
// length of exactly the header and the outer size, and an image size from 1
// to the largest above. Throws std::runtime_error naming the fault.
LayerBitmap decodeLayerImageHeader(const QByteArray& file);
// The whole file, checked as above and further: a payload that does not
// inflate to exactly the stated sizes, or padding bits that are set, throw.
// Nothing larger than the payload could inflate to is allocated, whatever
// the header claims.
LayerBitmap decodeLayerImage(const QByteArray& file);
// The bytes of a file; throws "<path>: <reason>" when it cannot be read.
QByteArray readLayerImageBytes(const QString& path);
LayerBitmap readLayerImageFile(const QString& path);

} // namespace Voxmill
