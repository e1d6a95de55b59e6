#include "tools/slice_view/Inflate.h"

#include <cstring>
#include <stdexcept>

#include <zlib.h>

namespace Voxmill {

namespace {

struct Fault {}; // thrown inside, turned into the caller's message at the top

// Bits from the least significant end, as deflate packs them.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    // The next n <= 32 bits; past the end of the input they read as 0 and
    // taking them fails.
    uint32_t peek(int n) {
        if (count_ < n) refill();
        return uint32_t(buf_ & ((1ULL << n) - 1));
    }
    void drop(int n) {
        if (n > count_) throw Fault();
        buf_ >>= n;
        count_ -= n;
    }
    uint32_t take(int n) {
        const uint32_t v = peek(n);
        drop(n);
        return v;
    }
    void alignToByte() { drop(count_ % 8); }
    bool atEnd() const { return count_ == 0 && p_ == end_; }

private:
    void refill() {
        while (count_ <= 56 && p_ < end_) {
            buf_ |= uint64_t(*p_++) << count_;
            count_ += 8;
        }
    }
    const uint8_t *p_, *end_;
    uint64_t buf_ = 0;
    int count_ = 0;
};

constexpr int maxBits = 15, fastBits = 10;

// A canonical Huffman code: codes of up to fastBits bits are looked up in
// one step, longer ones are decoded bit by bit from their counts.
class Huffman {
public:
    // lengths[i] of symbol i; 0 is no code. Over-subscribed sets fail; an
    // incomplete set only when allowIncomplete and it is a single code of one bit.
    void build(const uint8_t* lengths, int symbols, bool allowIncomplete) {
        std::memset(count_, 0, sizeof count_);
        for (int s = 0; s < symbols; ++s) ++count_[lengths[s]];
        count_[0] = 0;
        int left = 1, longest = 0;
        for (int len = 1; len <= maxBits; ++len) {
            left = left * 2 - count_[len];
            if (left < 0) throw Fault();
            if (count_[len]) longest = len;
        }
        if (left > 0 && !(allowIncomplete && longest <= 1)) throw Fault();
        int offset[maxBits + 2] = {0, 0};
        for (int len = 1; len <= maxBits; ++len) offset[len + 1] = offset[len] + count_[len];
        for (int s = 0; s < symbols; ++s)
            if (lengths[s]) symbol_[offset[lengths[s]]++] = uint16_t(s);
        fillFast();
    }

    int decode(BitReader& in) const {
        const uint16_t e = fast_[in.peek(fastBits)];
        if (e) {
            in.drop(e >> 9);
            return e & 511;
        }
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= maxBits; ++len) {
            code |= int(in.take(1));
            const int n = count_[len];
            if (code - n < first) return symbol_[index + (code - first)];
            index += n;
            first = (first + n) << 1;
            code <<= 1;
        }
        throw Fault();
    }

private:
    // Entries: length << 9 | symbol, 0 where the code is longer or absent.
    void fillFast() {
        std::memset(fast_, 0, sizeof fast_);
        int code = 0, index = 0;
        for (int len = 1; len <= fastBits; ++len) {
            for (int i = 0; i < count_[len]; ++i, ++code, ++index) {
                int reversed = 0; // deflate sends a code's bits from its most significant
                for (int b = 0; b < len; ++b) reversed |= ((code >> b) & 1) << (len - 1 - b);
                for (int fill = reversed; fill < (1 << fastBits); fill += 1 << len)
                    fast_[fill] = uint16_t(len << 9 | symbol_[index]);
            }
            code <<= 1;
        }
    }

    int count_[maxBits + 1];
    uint16_t symbol_[288];
    uint16_t fast_[1 << fastBits];
};

constexpr uint16_t lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t distBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                   33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t distExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                   6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The Adler-32 sum of the output, brought up to date lazily: bytes as
// written are summed by zlib in one call, runs of one byte in one step.
class Adler {
public:
    void upTo(const uint8_t* out, size_t pos) {
        if (pos > done_) sum_ = uint32_t(adler32(sum_, out + done_, uInt(pos - done_)));
        done_ = pos;
    }
    // k bytes of value v at pos, after upTo(pos).
    void run(uint8_t v, size_t k) {
        constexpr uint64_t mod = 65521;
        const uint64_t a = sum_ & 0xFFFF, b = sum_ >> 16;
        const uint64_t nb = (b + k * a + uint64_t(v) * k * (k + 1) / 2) % mod;
        sum_ = uint32_t(nb << 16 | (a + k * v) % mod);
        done_ += k;
    }
    uint32_t sum() const { return sum_; }

private:
    uint32_t sum_ = 1;
    size_t done_ = 0;
};

class Inflater {
public:
    Inflater(const uint8_t* data, size_t size, uint8_t* out, size_t want)
        : in_(data, size), out_(out), want_(want) {}

    void run() {
        header();
        for (bool last = false; !last;) {
            last = in_.take(1);
            switch (in_.take(2)) {
            case 0:
                stored();
                break;
            case 1:
                fixedTables();
                codes();
                break;
            case 2:
                dynamicTables();
                codes();
                break;
            default:
                throw Fault();
            }
        }
        trailer();
    }

private:
    void header() {
        const uint32_t cmf = in_.take(8), flg = in_.take(8);
        if ((cmf * 256 + flg) % 31 != 0 || (cmf & 15) != 8 || (cmf >> 4) > 7 || (flg & 32)) throw Fault();
    }

    void trailer() {
        in_.alignToByte();
        uint32_t stated = 0;
        for (int i = 0; i < 4; ++i) stated = stated << 8 | in_.take(8);
        adler_.upTo(out_, pos_);
        if (pos_ != want_ || stated != adler_.sum() || !in_.atEnd()) throw Fault();
    }

    void stored() {
        in_.alignToByte();
        const uint32_t len = in_.take(16), nlen = in_.take(16);
        if (len != (~nlen & 0xFFFF) || len > want_ - pos_) throw Fault();
        for (uint32_t i = 0; i < len; ++i) out_[pos_++] = uint8_t(in_.take(8));
    }

    void fixedTables() {
        // 288 and 32 codes, complete; symbols 286, 287 and distances 30, 31 are refused when met
        uint8_t lengths[288 + 32];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 112);
        std::memset(lengths + 256, 7, 24);
        std::memset(lengths + 280, 8, 8);
        std::memset(lengths + 288, 5, 32);
        lit_.build(lengths, 288, false);
        dist_.build(lengths + 288, 32, false);
    }

    void dynamicTables() {
        const int nlit = int(in_.take(5)) + 257, ndist = int(in_.take(5)) + 1, ncode = int(in_.take(4)) + 4;
        if (nlit > 286 || ndist > 30) throw Fault();
        static constexpr uint8_t order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                              11, 4,  12, 3, 13, 2, 14, 1, 15};
        uint8_t lengths[286 + 30] = {};
        for (int i = 0; i < ncode; ++i) lengths[order[i]] = uint8_t(in_.take(3));
        Huffman codeLengths;
        codeLengths.build(lengths, 19, false);
        std::memset(lengths, 0, sizeof lengths);
        for (int i = 0; i < nlit + ndist;) {
            const int s = codeLengths.decode(in_);
            int repeat = 1, value = s;
            if (s == 16) {
                if (i == 0) throw Fault();
                value = lengths[i - 1];
                repeat = 3 + int(in_.take(2));
            } else if (s == 17) {
                value = 0;
                repeat = 3 + int(in_.take(3));
            } else if (s == 18) {
                value = 0;
                repeat = 11 + int(in_.take(7));
            }
            if (i + repeat > nlit + ndist) throw Fault();
            while (repeat--) lengths[i++] = uint8_t(value);
        }
        if (lengths[256] == 0) throw Fault(); // no end of block
        lit_.build(lengths, nlit, true);
        dist_.build(lengths + nlit, ndist, true);
    }

    void codes() {
        for (;;) {
            const int s = lit_.decode(in_);
            if (s < 256) {
                if (pos_ == want_) throw Fault();
                out_[pos_++] = uint8_t(s);
            } else if (s == 256) {
                return;
            } else {
                if (s > 285) throw Fault();
                const size_t len = lengthBase[s - 257] + in_.take(lengthExtra[s - 257]);
                const int d = dist_.decode(in_);
                if (d > 29) throw Fault();
                copy(distBase[d] + in_.take(distExtra[d]), len);
            }
        }
    }

    void copy(size_t dist, size_t len) {
        if (dist > pos_ || len > want_ - pos_) throw Fault();
        uint8_t* o = out_ + pos_;
        if (dist == 1) { // a run of the byte before: the empty and solid rows of a bitmap
            adler_.upTo(out_, pos_);
            std::memset(o, o[-1], len);
            adler_.run(o[-1], len);
        } else if (dist >= len) {
            std::memcpy(o, o - dist, len);
        } else {
            for (size_t i = 0; i < len; ++i) o[i] = o[i - dist];
        }
        pos_ += len;
    }

    BitReader in_;
    uint8_t* out_;
    size_t want_, pos_ = 0;
    Huffman lit_, dist_;
    Adler adler_;
};

} // namespace

void inflateExact(const uint8_t* data, size_t size, uint8_t* out, size_t want, const std::string& fault) {
    try {
        Inflater(data, size, out, want).run();
    } catch (const Fault&) {
        throw std::runtime_error(fault);
    }
}

} // namespace Voxmill
