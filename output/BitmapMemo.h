#pragma once
// The compressed payloads of recent packed bitmaps, found again by content.
// A post lattice repeats its layers with the notches' period, a dozen layers
// apart, and deflating one lattice layer costs tens of milliseconds while
// its rows are few distinct ones: every bitmap is kept as indices into a
// dictionary of distinct rows, so a layer met again is known by comparing
// rows, exactly, and its payload is reused (deflate is deterministic).
// Bitmaps of many distinct rows (a model's curved outlines) are not kept.

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QImage>

#include "output/Poly2Img.h"

namespace Voxmill {

class BitmapMemo {
public:
    // The payload kept for a bitmap equal to bits (band: its non-zero rows).
    const std::vector<uint8_t>* find(const QImage& bits, RowSpan band, uint32_t& innerSize);
    // Keeps the payload of bits when its rows fit the dictionary.
    void keep(const QImage& bits, RowSpan band, uint32_t innerSize, const uint8_t* outer, size_t outerSize);

private:
    struct Entry {
        QSize size;
        RowSpan band;
        std::vector<uint32_t> rows;
        uint32_t innerSize = 0;
        std::vector<uint8_t> outer;
    };
    // The row's index in the dictionary, or none.
    uint32_t rowIndex(std::string_view row, size_t hash) const;
    // The dictionary indices of the band's rows; false when one is not there.
    bool indexRows(const QImage& bits, RowSpan band);
    static size_t rowsHash(const std::vector<uint32_t>& rows);
    void clear();

    std::vector<uint8_t> rowBytes_; // the distinct rows, end to end
    size_t rowSize_ = 0;
    std::unordered_multimap<size_t, uint32_t> rowsByHash_;
    std::unordered_multimap<size_t, Entry> entries_;
    std::vector<uint32_t> indices_; // scratch: the current bitmap's rows
    std::vector<int32_t> newRows_;  // the first of each distinct new row
    std::vector<size_t> hashes_;    // and their hashes
    std::unordered_multimap<size_t, uint32_t> newByHash_;
};

} // namespace Voxmill
