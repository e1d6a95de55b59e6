#include "output/BitmapMemo.h"

#include <cstring>

#include "base/WordHash.h"

namespace Voxmill {

namespace {

constexpr uint32_t none = UINT32_MAX;
// Per writer: at most this many distinct rows (about 3 MB at the default
// width; a 100 mm post lattice brings some 600 per bitmap) and bitmaps; past
// either the memo starts over. Layers that repeat whole are found before
// this, by what they draw; this finds the bitmaps drawn alike from other
// geometry, and more rows cost more memory than they find.
constexpr size_t maxRows = 4096;
constexpr size_t maxEntries = 64;
// A bitmap bringing more distinct new rows than this is not kept.
constexpr size_t maxNewRows = 1024;

// Rows are compared in full on a match.
size_t hashBytes(const void* p, size_t n) {
    const uint64_t h = mixBytes(0x9e3779b97f4a7c15ull ^ n, p, n);
    return size_t(h ^ (h >> 32));
}

} // namespace

uint32_t BitmapMemo::rowIndex(std::string_view row, size_t hash) const {
    const auto range = rowsByHash_.equal_range(hash);
    for (auto it = range.first; it != range.second; ++it)
        if (std::memcmp(rowBytes_.data() + size_t(it->second) * rowSize_, row.data(), rowSize_) == 0)
            return it->second;
    return none;
}

// Rows not in the dictionary get indices past its end, one per distinct new
// row (a lattice bitmap has thousands of rows but a few hundred distinct):
// no kept entry holds those, and keep() adds the rows under the same indices.
bool BitmapMemo::indexRows(const QImage& bits, RowSpan band) {
    indices_.clear();
    hashes_.clear();
    newRows_.clear();
    newByHash_.clear();
    const size_t bytes = size_t(bits.bytesPerLine());
    if (bytes != rowSize_) clear();
    rowSize_ = bytes;
    const uint32_t known = uint32_t(rowBytes_.size() / std::max<size_t>(rowSize_, 1));
    for (int32_t y = band.first; y < band.end; ++y) {
        const uint8_t* row = bits.constScanLine(y);
        const size_t h = hashBytes(row, bytes);
        uint32_t k = rowIndex(std::string_view(reinterpret_cast<const char*>(row), bytes), h);
        if (k == none) {
            const auto range = newByHash_.equal_range(h);
            for (auto it = range.first; it != range.second && k == none; ++it)
                if (std::memcmp(bits.constScanLine(newRows_[it->second]), row, bytes) == 0)
                    k = known + it->second;
        }
        if (k == none) {
            if (newRows_.size() >= maxNewRows) return false;
            k = known + uint32_t(newRows_.size());
            newByHash_.emplace(h, uint32_t(newRows_.size()));
            newRows_.push_back(y);
            hashes_.push_back(h);
        }
        indices_.push_back(k);
    }
    return newRows_.empty();
}

size_t BitmapMemo::rowsHash(const std::vector<uint32_t>& rows) {
    return hashBytes(reinterpret_cast<const uint8_t*>(rows.data()), rows.size() * sizeof(uint32_t));
}

const std::vector<uint8_t>* BitmapMemo::find(const QImage& bits, RowSpan band, uint32_t& innerSize) {
    if (!indexRows(bits, band)) return nullptr;
    const auto range = entries_.equal_range(rowsHash(indices_));
    for (auto it = range.first; it != range.second; ++it) {
        const Entry& e = it->second;
        if (e.size == bits.size() && e.band == band && e.rows == indices_) {
            innerSize = e.innerSize;
            return &e.outer;
        }
    }
    return nullptr;
}

void BitmapMemo::keep(const QImage& bits, RowSpan band, uint32_t innerSize, const uint8_t* outer,
                      size_t outerSize) {
    // indices_ belong to this bitmap only when find() just looked at it
    // through to its last row.
    if (indices_.size() != size_t(band.end - band.first) || size_t(bits.bytesPerLine()) != rowSize_) return;
    if (rowBytes_.size() / std::max<size_t>(rowSize_, 1) + newRows_.size() > maxRows ||
        entries_.size() >= maxEntries) {
        clear();
        indexRows(bits, band);
        if (indices_.size() != size_t(band.end - band.first)) return;
    }
    for (size_t n = 0; n < newRows_.size(); ++n) {
        const uint8_t* row = bits.constScanLine(newRows_[n]);
        rowsByHash_.emplace(hashes_[n], uint32_t(rowBytes_.size() / rowSize_));
        rowBytes_.insert(rowBytes_.end(), row, row + rowSize_);
    }
    newRows_.clear();
    Entry e{bits.size(), band, indices_, innerSize, std::vector<uint8_t>(outer, outer + outerSize)};
    entries_.emplace(rowsHash(e.rows), std::move(e));
}

void BitmapMemo::clear() {
    rowBytes_.clear();
    rowsByHash_.clear();
    entries_.clear();
}

} // namespace Voxmill
