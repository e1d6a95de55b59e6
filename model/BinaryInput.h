#pragma once
// Little-endian reads from a stream armed to throw on failure, knowing how
// many bytes the file holds. Counts and offsets read from a file are checked
// against that before anything is sized or sought by them; a check that fails
// raises the same stream failure as reading past the end would, so a file
// that declares more than it holds never makes the reader allocate for it.

#include <algorithm>
#include <cstdint>
#include <istream>
#include <string>

#include "model/LittleEndian.h"

namespace Voxmill {

class BinaryInput {
public:
    // Arms the stream for fail and bad states and measures the file.
    explicit BinaryInput(std::istream& in);

    int64_t size() const { return size_; }
    // An offset before the file fails. One past its end is taken, as a plain
    // file takes it; the next read there fails.
    void seek(int64_t offset);
    void read(char* dst, size_t n);
    // Fails unless count records of recordBytes bytes remain in the file.
    void require(uint64_t count, uint64_t recordBytes);
    // Characters up to the next line feed (removed); a line of maxChars or
    // more characters fails.
    std::string line(size_t maxChars);

    uint8_t u8();
    uint32_t u32();
    int32_t i32() { return int32_t(u32()); }
    int64_t i64();
    float f32();

    // Reads count records of recordBytes each, in chunks, and hands each
    // record's bytes with its number to decode. Checks the count first.
    template <class Decode> void records(size_t count, size_t recordBytes, Decode&& decode) {
        require(count, recordBytes);
        constexpr size_t chunkBytes = 1 << 16;
        unsigned char chunk[chunkBytes];
        const size_t perChunk = chunkBytes / recordBytes;
        for (size_t i = 0; i < count;) {
            const size_t n = std::min(perChunk, count - i);
            read(reinterpret_cast<char*>(chunk), n * recordBytes);
            for (size_t r = 0; r < n; ++r, ++i) decode(chunk + r * recordBytes, i);
        }
    }

private:
    // The stream is armed, so this throws the stream's own failure.
    void fail() { in_.setstate(std::ios::failbit); }

    std::istream& in_;
    int64_t size_ = 0;
    int64_t pos_ = 0;
};

} // namespace Voxmill
