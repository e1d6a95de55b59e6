#include <gtest/gtest.h>

#include <random>

#include <zlib.h>

#include "tools/slice_view/Inflate.h"

using namespace Voxmill;

namespace {

std::vector<uint8_t> deflated(const std::vector<uint8_t>& data, int level, int strategy) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy);
    std::vector<uint8_t> out(deflateBound(&z, uLong(data.size())));
    z.next_in = const_cast<uint8_t*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Rows of a bitmap: mostly empty, some solid, some noisy, some repeating the row above.
std::vector<uint8_t> bitmapLike(std::mt19937& rng, size_t rows, size_t stride) {
    std::vector<uint8_t> b(rows * stride, 0);
    for (size_t y = 0; y < rows; ++y) {
        uint8_t* row = b.data() + y * stride;
        switch (rng() % 4) {
        case 0:
            break;
        case 1:
            std::fill(row + rng() % stride / 2, row + stride / 2 + rng() % (stride / 2), 0xFF);
            break;
        case 2:
            for (size_t i = 0; i < stride; ++i) row[i] = uint8_t(rng() % 3 ? 0 : rng());
            break;
        default:
            if (y > 0) std::copy(row - stride, row, row);
        }
    }
    return b;
}

std::string faultOf(const std::vector<uint8_t>& z, size_t want) {
    std::vector<uint8_t> out(want + 1);
    try {
        inflateExact(z.data(), z.size(), out.data(), want, "spoilt");
        return "";
    } catch (const std::runtime_error& e) {
        return e.what();
    }
}

} // namespace

// Every block kind zlib writes (stored, fixed and dynamic codes, runs of one byte and matches far back)
// inflates to the bytes deflated.
TEST(Inflate, AgreesWithZlibOnEveryBlockKind) {
    std::mt19937 rng(27);
    std::vector<std::vector<uint8_t>> inputs = {{}, {7}, bitmapLike(rng, 300, 760), bitmapLike(rng, 40, 12)};
    std::vector<uint8_t> noise(70000);
    for (uint8_t& b : noise) b = uint8_t(rng());
    inputs.push_back(noise);
    const std::pair<int, int> modes[] = {{0, Z_DEFAULT_STRATEGY},
                                         {1, Z_DEFAULT_STRATEGY},
                                         {6, Z_DEFAULT_STRATEGY},
                                         {9, Z_DEFAULT_STRATEGY},
                                         {6, Z_FIXED},
                                         {6, Z_RLE},
                                         {6, Z_HUFFMAN_ONLY}};
    for (const std::vector<uint8_t>& data : inputs)
        for (const auto& [level, strategy] : modes) {
            SCOPED_TRACE(testing::Message()
                         << data.size() << " bytes, level " << level << ", strategy " << strategy);
            const std::vector<uint8_t> z = deflated(data, level, strategy);
            std::vector<uint8_t> out(data.size() + 1, 0xAA);
            inflateExact(z.data(), z.size(), out.data(), data.size(), "spoilt");
            EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
            EXPECT_EQ(out.back(), 0xAA) << "wrote past the end";
        }
}

// A stream cut anywhere, with a byte more, with any byte changed, or of another size than stated
// fails with the caller's message; zlib's uncompress must agree on every changed byte.
TEST(Inflate, RefusesEveryStreamZlibRefuses) {
    std::mt19937 rng(5);
    const std::vector<uint8_t> data = bitmapLike(rng, 30, 40);
    const std::vector<uint8_t> z = deflated(data, 6, Z_DEFAULT_STRATEGY);
    ASSERT_EQ(faultOf(z, data.size()), "");
    for (size_t n = 0; n < z.size(); ++n)
        EXPECT_EQ(faultOf(std::vector<uint8_t>(z.begin(), z.begin() + long(n)), data.size()), "spoilt") << n;
    std::vector<uint8_t> longer = z;
    longer.push_back(0);
    EXPECT_EQ(faultOf(longer, data.size()), "spoilt");
    EXPECT_EQ(faultOf(z, data.size() - 1), "spoilt");
    EXPECT_EQ(faultOf(z, data.size() + 1), "spoilt");
    for (size_t i = 0; i < z.size(); ++i)
        for (const uint8_t flip : {0x01, 0x10, 0x80}) {
            std::vector<uint8_t> spoilt = z;
            spoilt[i] ^= flip;
            std::vector<uint8_t> out(data.size());
            uLongf outLen = uLongf(out.size());
            uLong inLen = uLong(spoilt.size());
            const bool zlibReads = uncompress2(out.data(), &outLen, spoilt.data(), &inLen) == Z_OK &&
                                   outLen == data.size() && inLen == spoilt.size();
            EXPECT_EQ(faultOf(spoilt, data.size()).empty(), zlibReads) << "byte " << i << " ^ " << int(flip);
        }
}
