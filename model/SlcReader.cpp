// SLC contour stacks.

#include <stdexcept>
#include <string>
#include <vector>

#include <boost/algorithm/string/split.hpp>

#include "base/VirtualFile.h"
#include "model/BinaryInput.h"
#include "model/MeshReaders.h"

namespace Voxmill {

namespace {

constexpr uint32_t endOfLayers = 0xFFFFFFFFu;

std::vector<std::string> headerWords(const std::string& line) {
    // Only spaces are trimmed: a carriage return stays part of the last word.
    const size_t first = line.find_first_not_of(' ');
    const std::string text =
        first == std::string::npos ? "" : line.substr(first, line.find_last_not_of(' ') - first + 1);
    std::vector<std::string> words;
    boost::split(words, text, [](char c) { return c == ' '; });
    return words;
}

// Checks the header keys; returns true when the unit is inches.
bool checkHeader(const std::string& line) {
    const std::vector<std::string> words = headerWords(line);
    if (words.size() < 2) throw std::runtime_error("invalid slc header!");
    bool inches = false;
    // Every word but the last is a possible key, values included.
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        const std::string& key = words[i];
        const std::string& value = words[i + 1];
        if (key == "-SLCVER" && value != "2.0") throw std::runtime_error("invalid slc SLCVER!");
        if (key == "-UNIT") {
            if (value != "MM" && value != "INCH") throw std::runtime_error("invalid slc UNIT!");
            inches = value == "INCH";
        }
        if (key == "-TYPE" && value != "PART" && value != "SUPPORT")
            throw std::runtime_error("invalid slc TYPE!");
    }
    return inches;
}

void readSamplingTable(BinaryInput& in, SlcData& slc) {
    if (in.u8() != 1) throw std::runtime_error("unsupported slc Sampling Table Size!");
    slc.minZ = in.f32();
    slc.layerThickness = in.f32();
    if (in.f32() != 0.0f) throw std::runtime_error("unsupported slc Line Width Compensation!");
    in.f32(); // reserved
}

SlcContour readBoundary(BinaryInput& in) {
    const uint32_t points = in.u32();
    if (in.u32() != 0) throw std::runtime_error("unsupported slc Number of Gaps!");
    SlcContour contour;
    if (points == 0) return contour;
    in.require(points, 8); // before the contour is sized by the count
    contour.resize(points);
    in.records(points, 8, [&](const unsigned char* p, size_t i) {
        contour[i] = {loadF32(p), loadF32(p + 4)};
    });
    return contour;
}

// Layers until the end marker, appended one by one as they are read.
void readLayers(BinaryInput& in, SlcData& slc) {
    for (;;) {
        in.f32(); // the layer's z; heights follow from the position
        const uint32_t boundaries = in.u32();
        if (boundaries == endOfLayers) return;
        in.require(boundaries, 8); // each holds at least its two counts
        SlcLayer layer;
        for (uint32_t b = 0; b < boundaries; ++b) layer.push_back(readBoundary(in));
        slc.layers.push_back(std::move(layer));
    }
}

void inchesToMm(SlcData& slc) {
    const float mmPerInch = 25.4f;
    slc.minZ *= mmPerInch;
    slc.layerThickness *= mmPerInch;
    for (SlcLayer& layer : slc.layers)
        for (SlcContour& contour : layer)
            for (SlcPoint& p : contour) p = {p.x * mmPerInch, p.y * mmPerInch};
}

} // namespace

SlcData readSlc(const QString& path) {
    FStream stream(path, openRead);
    BinaryInput in(stream);
    const std::string header = in.line(2046);
    if (in.u8() != 26) throw std::runtime_error("invalid slc header termination!");
    const bool inches = checkHeader(header);
    char reserved[256];
    in.read(reserved, sizeof reserved);

    SlcData slc;
    readSamplingTable(in, slc);
    readLayers(in, slc);
    if (inches) inchesToMm(slc);
    return slc;
}

} // namespace Voxmill
