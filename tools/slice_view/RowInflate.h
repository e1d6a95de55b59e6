#pragma once
// A zlib stream of bitmap rows inflated a band of rows at a time into one
// buffer kept from stream to stream, as strictly as one-call uncompress with
// an exact size: the stream must yield exactly its rows, end right after
// them with all its bytes used, and carry their check value.
//
// A layer bitmap is mostly empty rows. zlib copies a run of zeros byte by
// byte, each byte read back from the one just written, and that copy is most
// of the time spent reading a job. Around it, nothing is allocated per
// stream, a band stays in the cache while its rows are used, and the check
// value is summed here, where a block of zeros is added by its length alone.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <zlib.h>

namespace Voxmill {

// Deflate never packs more than 1032 bytes into one (a 258-byte match in two
// bits): a stated size above this is refused before anything is inflated.
inline uint64_t inflateLimit(uint64_t size) { return size * 1032 + 64; }

inline uint64_t loadU64(const uint8_t* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// True when the size bytes are all zero. Four words at a time into four ORs
// that do not wait for each other, with no early exit: the bytes looked at
// are a row or a block, mostly zero, so there is little to gain by stopping.
inline bool allZero(const uint8_t* data, size_t size) {
    uint64_t a = 0, b = 0, c = 0, d = 0;
    size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        a |= loadU64(data + i);
        b |= loadU64(data + i + 8);
        c |= loadU64(data + i + 16);
        d |= loadU64(data + i + 24);
    }
    for (; i < size; ++i) a |= data[i];
    return (a | b | c | d) == 0;
}

// The Adler-32 of a byte sequence, added to piece by piece.
class ZeroSkippingAdler {
public:
    // Adds size bytes; true when they are all zero.
    bool add(const uint8_t* data, size_t size);
    uint32_t value();

private:
    void sumBytes(const uint8_t* data, size_t size);
    void addZeros();
    uLong sum_ = 1;
    uint64_t zeros_ = 0; // added but not yet summed
};

class RowInflater {
public:
    RowInflater();
    ~RowInflater();
    RowInflater(const RowInflater&) = delete;
    RowInflater& operator=(const RowInflater&) = delete;

    // Starts on size bytes that must be a zlib stream of rows (at least one)
    // rows of stride bytes; any fault throws fault. The bytes and the fault
    // must stay while rows are read.
    void start(const uint8_t* data, size_t size, int32_t stride, int32_t rows, const char* fault);
    // The next band of rows, at rows(); returns how many, 0 after the last.
    // The last band is returned only once the stream is known to end there.
    int32_t next();
    const uint8_t* rows() const { return band_.data(); }
    // Whether row i of the band is all zero, found while summing it.
    bool rowEmpty(int32_t i) const { return empty_[size_t(i)] != 0; }

private:
    void fail() const;
    void finish();

    std::unique_ptr<z_stream> zs_;
    std::vector<uint8_t> band_, empty_;
    ZeroSkippingAdler sum_;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    int32_t stride_ = 0, left_ = 0, bandRows_ = 0;
    bool ended_ = false;
    const char* fault_ = "";
};

} // namespace Voxmill
