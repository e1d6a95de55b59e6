#pragma once
// An in-memory file for tests: counts and records every read, and can be told
// to fail reads or writes.

#include <string>
#include <vector>

#include "base/VirtualFile.h"

namespace Voxmill {

class MemoryFile : public VirtualFile {
public:
    explicit MemoryFile(std::string data = {}) : data_(std::move(data)) {}

    bool open(OpenMode) override { return true; }
    void close() override {}
    bool flush() override { return true; }
    std::string errorText() const override { return "memory: failed"; }

    int64_t read(char* dst, int32_t maxCount) override {
        if (pos_ >= failReadsFrom) return -1;
        const int64_t n = std::max<int64_t>(0, std::min<int64_t>(maxCount, int64_t(data_.size()) - pos_));
        data_.copy(dst, size_t(n), size_t(pos_));
        pos_ += n;
        reads.push_back(n);
        return n;
    }
    int64_t write(const char* src, int32_t count) override {
        if (failWrites) return -1;
        if (pos_ > int64_t(data_.size())) data_.resize(size_t(pos_));
        data_.replace(size_t(pos_), size_t(count), src, size_t(count));
        pos_ += count;
        return count;
    }
    int32_t seek(int64_t offset, int32_t whence) override {
        const int64_t base = whence == 0 ? 0 : whence == 1 ? pos_ : whence == 2 ? int64_t(data_.size()) : -1;
        if (base < 0 || base + offset < 0) return -1;
        pos_ = base + offset;
        return 0;
    }
    int64_t tell() override { return pos_; }
    const std::string& data() const { return data_; }

    std::vector<int64_t> reads;        // the result of every read, in order
    int64_t failReadsFrom = INT64_MAX; // reads at or past this position fail
    bool failWrites = false;

private:
    std::string data_;
    int64_t pos_ = 0;
};

// Bytes 0, 1, ..., 250, 0, 1, ...: no block of the file looks like another
// at a different offset, so a misplaced read shows.
inline std::string patternBytes(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = char(i % 251);
    return s;
}

} // namespace Voxmill
