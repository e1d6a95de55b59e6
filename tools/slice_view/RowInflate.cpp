#include "tools/slice_view/RowInflate.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace Voxmill {

namespace {

// About as many bytes as the first-level cache holds: zlib writes a band,
// then its rows are summed and copied out while they are still there.
constexpr int32_t bandBytes = 1 << 15;
// A block of zeros shorter than this is summed with the bytes around it.
constexpr size_t zeroBlock = 256;

uint32_t bigEndianU32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

} // namespace

// Blocks of zeros are counted; the bytes between them are summed by zlib.
bool ZeroSkippingAdler::add(const uint8_t* data, size_t size) {
    bool zero = true;
    size_t from = 0; // the first byte neither summed nor counted
    for (size_t at = 0; at < size; at += zeroBlock) {
        const size_t n = std::min(zeroBlock, size - at);
        if (!allZero(data + at, n)) {
            zero = false;
            continue;
        }
        sumBytes(data + from, at - from);
        zeros_ += n;
        from = at + n;
    }
    sumBytes(data + from, size - from);
    return zero;
}

void ZeroSkippingAdler::sumBytes(const uint8_t* data, size_t size) {
    if (size == 0) return;
    addZeros();
    sum_ = adler32_z(sum_, data, size);
}

// The sum of n zero bytes alone is 1 in its low half and n in its high half
// (modulo 65521); zlib combines it with the sum so far.
void ZeroSkippingAdler::addZeros() {
    if (zeros_ == 0) return;
    sum_ = adler32_combine(sum_, uLong(zeros_ % 65521) << 16 | 1, z_off_t(zeros_));
    zeros_ = 0;
}

uint32_t ZeroSkippingAdler::value() {
    addZeros();
    return uint32_t(sum_);
}

RowInflater::RowInflater() : zs_(new z_stream{}) {
    if (inflateInit(zs_.get()) != Z_OK) throw std::bad_alloc();
}

RowInflater::~RowInflater() { inflateEnd(zs_.get()); }

void RowInflater::fail() const { throw std::runtime_error(fault_); }

void RowInflater::start(const uint8_t* data, size_t size, int32_t stride, int32_t rows, const char* fault) {
    fault_ = fault;
    if (uint64_t(stride) * uint64_t(rows) > inflateLimit(size)) fail();
    inflateReset(zs_.get());
    inflateValidate(zs_.get(), 0); // summed by sum_ instead, and compared in finish()
    zs_->next_in = const_cast<Bytef*>(data);
    zs_->avail_in = uInt(size);
    data_ = data;
    size_ = size;
    stride_ = stride;
    left_ = rows;
    bandRows_ = std::max(1, bandBytes / stride);
    band_.resize(size_t(bandRows_) * size_t(stride));
    empty_.resize(size_t(bandRows_));
    sum_ = ZeroSkippingAdler();
    ended_ = false;
}

int32_t RowInflater::next() {
    if (left_ == 0) return 0;
    const int32_t n = std::min(left_, bandRows_);
    const uInt bytes = uInt(n) * uInt(stride_);
    zs_->next_out = band_.data();
    zs_->avail_out = bytes;
    // With all the input at hand, inflate returns only with the band full,
    // at the end of the stream or on a fault.
    const int rc = inflate(zs_.get(), Z_NO_FLUSH);
    if (zs_->avail_out != 0 || (rc != Z_OK && rc != Z_STREAM_END)) fail();
    ended_ = rc == Z_STREAM_END;
    for (int32_t i = 0; i < n; ++i)
        empty_[size_t(i)] = sum_.add(band_.data() + size_t(i) * size_t(stride_), size_t(stride_));
    left_ -= n;
    if (left_ == 0) finish();
    return n;
}

// The stream must end with the last row: not one byte more, no byte of the
// input left, and its check value (its last four bytes) that of the rows.
void RowInflater::finish() {
    if (!ended_) {
        uint8_t extra;
        zs_->next_out = &extra;
        zs_->avail_out = 1;
        if (inflate(zs_.get(), Z_NO_FLUSH) != Z_STREAM_END || zs_->avail_out != 1) fail();
    }
    if (zs_->avail_in != 0 || size_ < 4 || bigEndianU32(data_ + size_ - 4) != sum_.value()) fail();
}

} // namespace Voxmill
