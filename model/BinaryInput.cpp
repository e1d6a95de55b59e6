#include "model/BinaryInput.h"

#include <vector>

namespace Voxmill {

BinaryInput::BinaryInput(std::istream& in) : in_(in) {
    in_.exceptions(std::ios::failbit | std::ios::badbit);
    in_.seekg(0, std::ios::end);
    size_ = int64_t(in_.tellg());
    in_.seekg(0);
}

void BinaryInput::seek(int64_t offset) {
    if (offset < 0) fail();
    in_.seekg(offset);
    pos_ = offset;
}

void BinaryInput::read(char* dst, size_t n) {
    require(n, 1);
    in_.read(dst, std::streamsize(n));
    pos_ += int64_t(n);
}

void BinaryInput::require(uint64_t count, uint64_t recordBytes) {
    const uint64_t left = pos_ < size_ ? uint64_t(size_ - pos_) : 0;
    // Division rather than a product, which could wrap.
    if (recordBytes != 0 && count > left / recordBytes) fail();
}

std::string BinaryInput::line(size_t maxChars) {
    std::vector<char> buf(maxChars);
    in_.getline(buf.data(), std::streamsize(maxChars));
    pos_ += in_.gcount();
    return std::string(buf.data());
}

uint8_t BinaryInput::u8() {
    char c;
    read(&c, 1);
    return uint8_t(c);
}

uint32_t BinaryInput::u32() {
    unsigned char b[4];
    read(reinterpret_cast<char*>(b), sizeof b);
    return loadU32(b);
}

int64_t BinaryInput::i64() {
    unsigned char b[8];
    read(reinterpret_cast<char*>(b), sizeof b);
    return int64_t(loadU64(b));
}

float BinaryInput::f32() {
    unsigned char b[4];
    read(reinterpret_cast<char*>(b), sizeof b);
    return loadF32(b);
}

} // namespace Voxmill
