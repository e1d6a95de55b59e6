#pragma once
// 8-connected regions of set pixels, found row by row over runs of pixels:
// a run joins every run of the row above that touches it, diagonals included.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Voxmill {

struct PixelIsland {
    int64_t pixels = 0;
    double sumX = 0, sumY = 0; // of the pixels' columns and rows
    double centreX() const { return sumX / double(pixels); }
    double centreY() const { return sumY / double(pixels); }
};

class IslandFinder {
public:
    // Forgets every row added.
    void clear();
    // Adds the set pixels of row y; rows come in increasing y, rows left out
    // are empty.
    void addRow(int32_t y, const uint64_t* row, int32_t words);
    // The islands of the rows added, in the order of their first run.
    std::vector<PixelIsland> islands();

private:
    struct Run {
        int32_t x0, x1, y;
        uint32_t parent;
    };
    uint32_t root(uint32_t i);
    void join(uint32_t a, uint32_t b);

    std::vector<Run> runs_;
    size_t rowAbove_ = 0, rowStart_ = 0; // runs of the last row added: [rowAbove_, rowStart_)
    int32_t lastY_ = -2;
};

} // namespace Voxmill
