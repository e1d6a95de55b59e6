#pragma once
// The bytes of one layer file, built in memory and written whole behind an
// MD5 digest of everything after it; read back whole and checked before use.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QString>

namespace Voxmill {

constexpr size_t layerDigestSize = 16;

class LayerFileBuffer {
public:
    // Empties the bytes and rewinds the read position.
    void clear();
    void appendU32(uint32_t v);
    void appendI32(int32_t v);
    // Grows the bytes by n and returns where the caller writes them.
    char* grow(size_t n);

    // Read at the read position and move past; "load buffer out of range."
    // when too few bytes remain.
    uint32_t readU32();
    int32_t readI32();
    // Throws "load buffer out of range." unless n bytes remain; lets a reader
    // check a count before it allocates for it.
    void require(size_t n) const;
    // require(n), then moves past the n bytes and returns where they start.
    const char* take(size_t n);
    size_t remaining() const { return data_.size() - readPos_; }

    // Creates or truncates the file; unless empty, writes the digest then the bytes.
    void saveChecked(const QString& path);
    // Reads the whole file; a file above the digest size must match its digest
    // ("md5 check error. " and the path otherwise) and reading starts after it.
    // A shorter file leaves the buffer empty.
    void loadChecked(const QString& path);

private:
    std::vector<char> data_;
    size_t readPos_ = 0;
};

} // namespace Voxmill
