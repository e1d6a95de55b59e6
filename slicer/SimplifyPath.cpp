// The contour simplifier: drops points that add less than the tolerance of
// area, or that sit too close to the last kept point.

#include "slicer/Geometry.h"

#include <algorithm>

namespace Voxmill {

namespace {

// Twice the area of the triangle a, b, c. The products are taken in 128 bits
// so that no pair of 32-bit-range points can overflow them.
double doubledArea(const IntPoint& a, const IntPoint& b, const IntPoint& c) {
    __int128 cross = __int128(b.X - a.X) * (c.Y - a.Y) - __int128(b.Y - a.Y) * (c.X - a.X);
    return double(cross < 0 ? -cross : cross);
}

double squaredDistance(const IntPoint& a, const IntPoint& b) {
    double dx = double(b.X - a.X), dy = double(b.Y - a.Y);
    return dx * dx + dy * dy;
}

// The walk over one closed path. prev is the last kept point, cur the
// candidate, next the first unflagged point after cur. Every step returns
// false once the walk has ended.
class SimplifyWalk {
public:
    SimplifyWalk(const Path& p, int32_t tolerance) : p_(p), n_(p.size()), removed_(p.size(), false) {
        // t * t in 32 bits (wrapping), then widened, as the tolerance has always been squared.
        areaTol_ = int32_t(uint32_t(tolerance) * uint32_t(tolerance));
        distTol_ = std::min<int64_t>(areaTol_ / 2, 10000);
        prev_ = n_ - 1;
        next_ = 1;
    }

    void run() {
        while (cur_ < n_) {
            if (!dropCollinear() || !dropClose() || !advanceNext()) return;
            prev_ = cur_;
            cur_ = prev_ + 1;
        }
    }

    bool anyRemoved() const { return removedCount_ > 0; }

    Path kept() const {
        Path out;
        out.reserve(n_ - removedCount_);
        for (size_t i = 0; i < n_; ++i)
            if (!removed_[i]) out.push_back(p_[i]);
        return out;
    }

private:
    // A run of points goes while the area it spans stays below the tolerance.
    bool dropCollinear() {
        double a = doubledArea(p_[prev_], p_[cur_], p_[next_]);
        while (double(areaTol_) > a) {
            if (!dropCur()) return false;
            a += doubledArea(p_[prev_], p_[cur_], p_[next_]);
        }
        return true;
    }

    bool dropClose() {
        while (squaredDistance(p_[prev_], p_[cur_]) < double(distTol_) ||
               squaredDistance(p_[prev_], p_[next_]) < double(areaTol_)) {
            if (!dropCur()) return false;
        }
        return true;
    }

    bool dropCur() {
        removed_[cur_] = true;
        ++removedCount_;
        if (++cur_ >= n_) return false;
        return advanceNext();
    }

    bool advanceNext() {
        do {
            next_ = (next_ + 1) % n_;
            if (next_ == prev_) return false;
        } while (removed_[next_]);
        return true;
    }

    const Path& p_;
    size_t n_;
    std::vector<bool> removed_;
    size_t removedCount_ = 0;
    int64_t areaTol_;
    int64_t distTol_;
    size_t prev_;
    size_t cur_ = 0;
    size_t next_;
};

} // namespace

void simplifyPath(Path& p, int32_t tolerance) {
    // A single point has no next point to walk to; it is no contour either.
    if (p.size() == 1) p.clear();
    if (p.empty()) return;
    SimplifyWalk walk(p, tolerance);
    walk.run();
    if (!walk.anyRemoved()) return;
    Path kept = walk.kept();
    if (kept.size() < 3) kept.clear();
    p.swap(kept);
}

} // namespace Voxmill
