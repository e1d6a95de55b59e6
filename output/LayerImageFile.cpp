#include "output/LayerImageFile.h"

#include <chrono>
#include <cstring>
#include <stdexcept>

#include <zlib.h>

#include "output/OutputFile.h"
#include "output/ZeroedImage.h"

namespace Voxmill {

namespace {

// The high bits (value >= 128) of eight grey bytes gathered into one byte,
// the first pixel in bit 0. The multiplier moves the high bit of byte i to
// bit 56 + i; no two partial products meet, so nothing carries.
inline uint8_t gather8(const uchar* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if (v == 0) return 0;
    return uint8_t(((v & 0x8080808080808080ULL) * 0x0002040810204081ULL) >> 56);
}

void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

uint32_t getU32(const char* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(p[i])) << (8 * i);
    return v;
}

int64_t nsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - t).count();
}

// Deflate never packs more than 1032 bytes into one (a 258-byte match in two
// bits), so a header that claims more than that of its payload is refused
// before anything of the claimed size is allocated.
size_t inflateBound(size_t size) { return size * 1032 + 64; }

// Inflates exactly want bytes out of exactly size bytes, or throws.
std::vector<uint8_t> inflateExact(const uint8_t* data, size_t size, size_t want, const char* what) {
    const std::string fault = std::string(what) + " does not inflate to its stated size.";
    if (want > inflateBound(size)) throw std::runtime_error(fault);
    std::vector<uint8_t> out(want + 1); // one byte more shows a stream that yields too much
    uLongf outLen = uLongf(out.size());
    uLong inLen = uLong(size);
    const int rc = uncompress2(out.data(), &outLen, data, &inLen);
    if (rc != Z_OK || outLen != want || inLen != size) throw std::runtime_error(fault);
    out.resize(want);
    return out;
}

void checkPadding(const LayerBitmap& b) {
    const uint32_t padBits = uint32_t(b.stride) * 8 - b.width;
    if (padBits == 0) return;
    for (uint32_t y = 0; y < b.height; ++y) {
        const uint8_t* row = b.bits.data() + size_t(y) * size_t(b.stride);
        for (uint32_t x = b.width; x < uint32_t(b.stride) * 8; ++x)
            if ((row[x / 8] >> (x % 8)) & 1) throw std::runtime_error("padding bits are set.");
    }
}

// Eight bytes at a time and without an early exit: most rows of a plate are
// empty and are read whole anyway (a byte loop is not vectorised at -O2).
bool rowIsZero(const uint8_t* row, size_t bytes) {
    uint64_t any = 0;
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t w;
        std::memcpy(&w, row + i, 8);
        any |= w;
    }
    for (; i < bytes; ++i) any |= row[i];
    return any == 0;
}

// The rows of a packed image from its first non-zero row to its last.
RowSpan nonZeroBand(const QImage& bits) {
    const size_t bytes = size_t(bits.bytesPerLine());
    int32_t first = 0, end = bits.height();
    while (first < end && rowIsZero(bits.constScanLine(first), bytes)) ++first;
    while (end > first && rowIsZero(bits.constScanLine(end - 1), bytes)) --end;
    return {first, end};
}

const uint8_t* bandStart(const QImage& bits, RowSpan band) {
    return bits.constBits() + size_t(band.first) * size_t(bits.bytesPerLine());
}

size_t bandBytes(const QImage& bits, RowSpan band) {
    return size_t(band.end - band.first) * size_t(bits.bytesPerLine());
}

} // namespace

void clearRows(QImage& image, RowSpan span) {
    for (int32_t y = std::max(span.first, 0); y < std::min(span.end, image.height()); ++y)
        std::memset(image.scanLine(y), 0, size_t(image.bytesPerLine()));
}

void packBits(const QImage& gray, QImage& bits, RowSpan span, RowSpan dirty) {
    const int32_t w = gray.width(), h = gray.height();
    if (bits.size() != gray.size() || bits.format() != QImage::Format_MonoLSB) {
        bits = zeroedImage(w, h, QImage::Format_MonoLSB);
    } else {
        clearRows(bits, dirty);
        clearRows(bits, span);
    }
    const int32_t fullBytes = w / 8;
    for (int32_t y = std::max(span.first, 0); y < std::min(span.end, h); ++y) {
        const uchar* src = gray.constScanLine(y);
        uchar* dst = bits.scanLine(y);
        for (int32_t i = 0; i < fullBytes; ++i) dst[i] = gather8(src + 8 * i);
        for (int32_t x = fullBytes * 8; x < w; ++x)
            if (src[x] >= 128) dst[x / 8] |= uchar(1u << (x % 8));
    }
}

size_t compressOnce(const uint8_t* data, size_t size, ScratchBytes& out) {
    uLongf len = compressBound(uLong(size));
    if (out.size() < len) out.resize(len);
    if (compress2(out.data(), &len, data, uLong(size), Z_DEFAULT_COMPRESSION) != Z_OK)
        throw std::runtime_error("compress bitmap error.");
    return len;
}

// An empty bitmap has no band: nothing to compare (and memcmp must not be
// handed the null data of an empty record).
bool LayerImageWriter::repeatsLast(const QImage& bits, RowSpan band) const {
    if (!lastValid_ || lastSize_ != bits.size() || !(lastBand_ == band)) return false;
    const size_t bytes = bandBytes(bits, band);
    return bytes == 0 || std::memcmp(lastRows_.data(), bandStart(bits, band), bytes) == 0;
}

void LayerImageWriter::keepLast(const QImage& bits, RowSpan band) {
    lastSize_ = bits.size();
    lastBand_ = band;
    lastRows_.assign(bandStart(bits, band), bandStart(bits, band) + bandBytes(bits, band));
    lastValid_ = true;
}

void LayerImageWriter::compress(const QImage& bits, CompressedBitmap& out) {
    const auto t0 = std::chrono::steady_clock::now();
    const RowSpan band = nonZeroBand(bits);
    if (!repeatsLast(bits, band)) {
        lastValid_ = false; // a failure below must not leave a stale match
        uint32_t innerSize = 0;
        if (const std::vector<uint8_t>* kept = memo_.find(bits, band, innerSize)) {
            innerLen_ = innerSize;
            outerLen_ = kept->size();
            if (outer_.size() < outerLen_) outer_.resize(outerLen_);
            std::memcpy(outer_.data(), kept->data(), outerLen_);
        } else {
            const uint8_t* data = bits.constBits();
            innerLen_ = compressOnce(data, size_t(bits.sizeInBytes()), inner_);
            outerLen_ = compressOnce(inner_.data(), innerLen_, outer_);
            memo_.keep(bits, band, uint32_t(innerLen_), outer_.data(), outerLen_);
        }
        keepLast(bits, band);
    }
    out.width = bits.width();
    out.height = bits.height();
    out.innerSize = uint32_t(innerLen_);
    out.outer.assign(outer_.data(), outer_.data() + outerLen_);
    times_.compressNs = nsSince(t0);
}

void LayerImageWriter::write(const QString& path, const QImage& bits) {
    compress(bits, scratch_);
    const auto t0 = std::chrono::steady_clock::now();
    writeLayerImageFile(path, scratch_);
    times_.writeNs = nsSince(t0);
}

void writeLayerImageFile(const QString& path, const CompressedBitmap& c) {
    uint8_t header[layerImageHeaderSize];
    std::memcpy(header, "slic", 4);
    putU32(header + 4, uint32_t(c.width));
    putU32(header + 8, uint32_t(c.height));
    putU32(header + 12, uint32_t(c.outer.size()));
    putU32(header + 16, c.innerSize);
    OutputFile file(path, openWrite);
    file.write(header, sizeof header);
    file.write(c.outer.data(), c.outer.size());
    file.finish();
}

int64_t LayerBitmap::countSet() const {
    int64_t n = 0;
    for (uint8_t b : bits) n += __builtin_popcount(b);
    return n;
}

LayerBitmap decodeLayerImageHeader(const QByteArray& file) {
    if (file.size() < layerImageHeaderSize) throw std::runtime_error("file shorter than its header.");
    const char* p = file.constData();
    if (std::memcmp(p, "slic", 4) != 0) throw std::runtime_error("bad magic.");
    LayerBitmap b;
    b.width = getU32(p + 4);
    b.height = getU32(p + 8);
    b.outerSize = getU32(p + 12);
    b.innerSize = getU32(p + 16);
    if (int64_t(file.size()) != layerImageHeaderSize + int64_t(b.outerSize))
        throw std::runtime_error("file length does not match the outer size.");
    if (b.width == 0 || b.height == 0 || b.width > maxLayerImageWidth || b.height > maxLayerImageHeight)
        throw std::runtime_error("implausible image size.");
    b.stride = layerImageStride(int32_t(b.width));
    return b;
}

LayerBitmap decodeLayerImage(const QByteArray& file) {
    LayerBitmap b = decodeLayerImageHeader(file);
    const auto* payload = reinterpret_cast<const uint8_t*>(file.constData() + layerImageHeaderSize);
    const std::vector<uint8_t> inner = inflateExact(payload, b.outerSize, b.innerSize, "outer payload");
    b.bits = inflateExact(inner.data(), inner.size(), size_t(b.stride) * b.height, "inner payload");
    checkPadding(b);
    return b;
}

QByteArray readLayerImageBytes(const QString& path) {
    DiskFile file(path);
    file.open(openRead);
    QByteArray bytes;
    char chunk[65536];
    for (int64_t n; (n = file.read(chunk, sizeof chunk)) != 0;) {
        if (n < 0) throw std::runtime_error(toLocal8(file.errorString()));
        bytes.append(chunk, int(n));
    }
    return bytes;
}

LayerBitmap readLayerImageFile(const QString& path) { return decodeLayerImage(readLayerImageBytes(path)); }

} // namespace Voxmill
