#include "slicer/ClipMemo.h"

#include <cstring>

#include "base/WordHash.h"

namespace Voxmill {

namespace {

// At most this many points kept, inputs and results together (16 MB): a
// 100 mm plate's lattice cycle takes about half of it.
constexpr size_t maxPoints = size_t(1) << 20;

enum Op : int64_t { opDifference, opIntersection, opUnion, opOffsetSharpClean };

size_t countPoints(const Paths& a) {
    size_t n = 0;
    for (const Path& p : a) n += p.size();
    return n;
}

// Every path length and coordinate; a match is then compared point for point.
uint64_t hashPaths(uint64_t h, const Paths& a) {
    h = mixWord(h, a.size());
    for (const Path& p : a) h = mixBytes(mixWord(h, p.size()), p.data(), p.size() * sizeof(IntPoint));
    return h;
}

} // namespace

Paths ClipMemo::difference(const Paths& a, const Paths& b) {
    return recall({opDifference, 0, 0, 0}, a, b, [&] { return differencePaths(a, b); });
}

Paths ClipMemo::intersection(const Paths& a, const Paths& b) {
    return recall({opIntersection, 0, 0, 0}, a, b, [&] { return intersectPaths(a, b); });
}

Paths ClipMemo::unite(const Paths& a, const Paths& b) {
    return recall({opUnion, 0, 0, 0}, a, b, [&] { return unionPaths(a, b); });
}

Paths ClipMemo::offsetSharpClean(const Paths& a, int32_t delta, int32_t tolerance, double minArea) {
    int64_t areaBits = 0;
    std::memcpy(&areaBits, &minArea, sizeof areaBits);
    return recall({opOffsetSharpClean, delta, tolerance, areaBits}, a, Paths(), [&] {
        Paths out = offsetPathsSharp(a, delta);
        cleanPaths(out, tolerance, minArea);
        return out;
    });
}

Paths ClipMemo::recall(const Params& params, const Paths& a, const Paths& b,
                       const std::function<Paths()>& make) {
    uint64_t h = 0x9e3779b97f4a7c15ull;
    for (int64_t p : params) h = mixWord(h, uint64_t(p));
    h = hashPaths(hashPaths(h, a), b);
    const auto range = byHash_.equal_range(size_t(h));
    for (auto it = range.first; it != range.second; ++it) {
        const Entry& e = *it->second;
        if (e.params == params && e.a == a && e.b == b) {
            ++hits_;
            return e.result;
        }
    }
    Paths result = make();
    const size_t points = countPoints(a) + countPoints(b) + countPoints(result);
    if (points > maxPoints / 4) return result; // a whole model's outline: not worth the room
    while (points_ + points > maxPoints) dropOldest();
    entries_.push_back({size_t(h), params, a, b, result, points});
    byHash_.emplace(size_t(h), std::prev(entries_.end()));
    points_ += points;
    return result;
}

void ClipMemo::dropOldest() {
    const auto oldest = entries_.begin();
    const auto range = byHash_.equal_range(oldest->hash);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == oldest) {
            byHash_.erase(it);
            break;
        }
    points_ -= oldest->points;
    entries_.pop_front();
}

} // namespace Voxmill
