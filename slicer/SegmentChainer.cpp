#include "slicer/SegmentChainer.h"

#include <algorithm>

namespace Voxmill {

namespace {

inline IntPoint startOf(const Segment& s) { return IntPoint(s.x1, s.y1); }
inline IntPoint endOf(const Segment& s) { return IntPoint(s.x2, s.y2); }
inline bool continues(const Segment& from, const Segment& to) { return from.x2 == to.x1 && from.y2 == to.y1; }

// Appends p unless it repeats the point before it.
inline void appendPoint(Path& path, const IntPoint& p) {
    if (path.empty() || path.back() != p) path.push_back(p);
}

} // namespace

void SegmentChainer::chain(const LayerCuts& cuts, const std::vector<MeshFace>& faces, Paths& out) {
    out.clear();
    cuts_ = &cuts;
    taken_.assign(cuts.segments.size(), 0);
    openSegments_.clear();
    open_.clear();
    const int32_t count = int32_t(cuts.segments.size());
    for (int32_t s = 0; s < count; ++s)
        if (!taken_[size_t(s)]) followNeighbours(s, faces, out);
    joinOpenChains(out);
    cuts_ = nullptr;
}

// Grows a chain from segment first across face neighbours until it comes back
// to first (a contour) or nothing continues it (an open chain).
void SegmentChainer::followNeighbours(int32_t first, const std::vector<MeshFace>& faces, Paths& out) {
    const std::vector<Segment>& segs = cuts_->segments;
    chain_.clear();
    chain_.push_back(first);
    for (;;) {
        const int32_t c = chain_.back();
        taken_[size_t(c)] = 1;
        int32_t next = -1;
        for (int32_t g : faces[size_t(cuts_->faces[size_t(c)])].adj) {
            const int32_t j = segmentOfFace(g);
            if (j < 0 || !continues(segs[size_t(c)], segs[size_t(j)])) continue;
            if (!taken_[size_t(j)]) {
                next = j;
                break;
            }
            // A chain of fewer than 3 points is not a contour: look further.
            if (j == first && emitClosed(out)) {
                ++stats_.closedChains;
                return;
            }
        }
        if (next < 0) break;
        chain_.push_back(next);
    }
    const int32_t begin = int32_t(openSegments_.size());
    openSegments_.insert(openSegments_.end(), chain_.begin(), chain_.end());
    open_.push_back(OpenChain{begin, int32_t(openSegments_.size()), false});
}

// The face list is ascending, so a face's segment is found by binary search;
// a face without a segment in this layer (or NoNeighbour) gives -1.
int32_t SegmentChainer::segmentOfFace(int32_t face) const {
    const std::vector<int32_t>& f = cuts_->faces;
    auto it = std::lower_bound(f.begin(), f.end(), face);
    return it != f.end() && *it == face ? int32_t(it - f.begin()) : -1;
}

bool SegmentChainer::emitClosed(Paths& out) const {
    const std::vector<Segment>& segs = cuts_->segments;
    Path path;
    path.reserve(chain_.size() + 1);
    path.push_back(startOf(segs[size_t(chain_.front())]));
    for (int32_t s : chain_) appendPoint(path, endOf(segs[size_t(s)]));
    if (path.size() < 3) return false;
    out.push_back(std::move(path));
    return true;
}

IntPoint SegmentChainer::chainStart(int32_t c) const {
    return startOf(cuts_->segments[size_t(openSegments_[size_t(open_[size_t(c)].begin)])]);
}

IntPoint SegmentChainer::chainEnd(int32_t c) const {
    return endOf(cuts_->segments[size_t(openSegments_[size_t(open_[size_t(c)].end - 1)])]);
}

// Joins the open chains end to end. Each unused chain i collects, in front and
// behind, the first later chain whose end point meets its current ends, until
// its front meets its back; a chain that never closes is dropped with all it
// collected.
void SegmentChainer::joinOpenChains(Paths& out) {
    const int32_t count = int32_t(open_.size());
    for (int32_t i = 0; i < count; ++i) {
        if (open_[size_t(i)].used) continue;
        open_[size_t(i)].used = true;
        front_.clear();
        back_.clear();
        IntPoint front = chainStart(i);
        IntPoint back = chainEnd(i);
        bool closed = front == back;
        while (!closed && attach(i, front, back) >= 0) closed = front == back;
        if (closed) {
            if (emitJoined(i, front, out)) ++stats_.joinedContours;
        } else {
            stats_.droppedChains += int64_t(1 + front_.size() + back_.size());
        }
    }
}

// Attaches the first unused chain after i that meets the front or the back,
// tested in this order: its end at the front, its start at the front
// (reversed), its start at the back, its end at the back (reversed). Returns
// the chain attached, or -1.
int32_t SegmentChainer::attach(int32_t i, IntPoint& front, IntPoint& back) {
    const int32_t count = int32_t(open_.size());
    for (int32_t j = i + 1; j < count; ++j) {
        if (open_[size_t(j)].used) continue;
        const IntPoint start = chainStart(j);
        const IntPoint end = chainEnd(j);
        if (front == end) {
            front_.push_back(ChainRef{j, false});
            front = start;
        } else if (front == start) {
            front_.push_back(ChainRef{j, true});
            front = end;
        } else if (back == start) {
            back_.push_back(ChainRef{j, false});
            back = end;
        } else if (back == end) {
            back_.push_back(ChainRef{j, true});
            back = start;
        } else {
            continue;
        }
        open_[size_t(j)].used = true;
        return j;
    }
    return -1;
}

// The joined contour starts at the front point and runs through the chains in
// order: front chains from the outermost in, chain i, then the back chains.
bool SegmentChainer::emitJoined(int32_t i, const IntPoint& front, Paths& out) const {
    const std::vector<Segment>& segs = cuts_->segments;
    Path path;
    path.push_back(front);
    auto follow = [&](const ChainRef& ref) {
        const OpenChain& c = open_[size_t(ref.chain)];
        if (!ref.reversed) {
            for (int32_t k = c.begin; k < c.end; ++k)
                appendPoint(path, endOf(segs[size_t(openSegments_[size_t(k)])]));
        } else {
            for (int32_t k = c.end - 1; k >= c.begin; --k)
                appendPoint(path, startOf(segs[size_t(openSegments_[size_t(k)])]));
        }
    };
    for (auto it = front_.rbegin(); it != front_.rend(); ++it) follow(*it);
    follow(ChainRef{i, false});
    for (const ChainRef& ref : back_) follow(ref);
    if (path.size() < 3) return false;
    out.push_back(std::move(path));
    return true;
}

} // namespace Voxmill
