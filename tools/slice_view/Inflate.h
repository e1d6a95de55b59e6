#pragma once
// Inflation of a zlib stream (RFC 1950 around RFC 1951) into a buffer of
// known size, as strict as zlib's uncompress and faster on layer bitmaps:
// their empty and solid rows are runs of one byte, matches at distance 1,
// which zlib copies byte by byte and this writes with memset, adding the run
// to the Adler-32 sum in one step. A read of the default grid spends most of
// its time here.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Voxmill {

// Inflates data[0, size) into out[0, want). The stream must have a valid
// header without a preset dictionary, yield exactly want bytes, end with
// their Adler-32 sum and be followed by nothing; otherwise throws
// std::runtime_error(fault). Never reads or writes outside the two buffers.
void inflateExact(const uint8_t* data, size_t size, uint8_t* out, size_t want, const std::string& fault);

// The most a stream of size bytes can inflate to (a deflate symbol of one
// bit at best yields 258 bytes), so a stated size beyond it is refused before
// anything is allocated.
inline uint64_t inflateLimit(size_t size) { return uint64_t(size) * 1032 + 1024; }

} // namespace Voxmill
