// Face neighbours from directed edges.

#include <limits>

#include "model/TriMesh.h"

namespace Voxmill {

namespace {

// Multimap from a directed edge (a, b) to the faces that ran it and are still
// unpaired, hashed by a + b. Records of one edge stay in the order they were
// made, so the earliest one is paired first. Since (a, b) and (b, a) hash
// alike, the walk that looks for the reversed edge ends at the chain's tail,
// where a new record goes. Freed records are reused, so memory follows the
// number of open edges rather than the number of faces.
class DirectedEdgeMap {
public:
    explicit DirectedEdgeMap(size_t faceCount) {
        int bits = 1;
        while ((size_t(1) << bits) < faceCount) ++bits;
        shift_ = 64 - bits;
        heads_.assign(size_t(1) << bits, none);
    }

    // Removes and returns the face of the earliest record of (b, a); when there
    // is none, records (a, b) for face f and returns -1.
    int32_t pairOrRecord(uint32_t a, uint32_t b, int32_t f) {
        uint32_t& head = heads_[bucketOf(a + b)];
        uint32_t prev = none;
        for (uint32_t r = head; r != none; prev = r, r = records_[r].next) {
            const Record& rec = records_[r];
            if (rec.a != b || rec.b != a) continue;
            const int32_t g = rec.face;
            (prev == none ? head : records_[prev].next) = rec.next;
            records_[r].next = free_;
            free_ = r;
            return g;
        }
        const uint32_t r = allocate({a, b, f, none});
        (prev == none ? head : records_[prev].next) = r;
        return -1;
    }

private:
    static constexpr uint32_t none = std::numeric_limits<uint32_t>::max();
    struct Record {
        uint32_t a, b;
        int32_t face;
        uint32_t next;
    };

    size_t bucketOf(uint32_t hash) const { return size_t((hash * 0x9E3779B97F4A7C15ull) >> shift_); }

    // Note: may move records_, so callers take references only afterwards.
    uint32_t allocate(const Record& rec) {
        if (free_ == none) {
            records_.push_back(rec);
            return uint32_t(records_.size() - 1);
        }
        const uint32_t r = free_;
        free_ = records_[r].next;
        records_[r] = rec;
        return r;
    }

    std::vector<uint32_t> heads_;
    std::vector<Record> records_;
    uint32_t free_ = none;
    int shift_ = 63;
};

// The first free slot, or the last one when all three are taken.
inline void addNeighbour(MeshFace& face, int32_t g) {
    for (int32_t& slot : face.adj) {
        if (slot == NoNeighbour) {
            slot = g;
            return;
        }
    }
    face.adj[2] = g;
}

} // namespace

TriMeshIdx::TriMeshIdx(std::vector<MeshFace> faces) : faces_(std::move(faces)) { computeNeighbours(); }

void TriMeshIdx::computeNeighbours() {
    DirectedEdgeMap edges(faces_.size());
    for (size_t i = 0; i < faces_.size(); ++i) {
        const int32_t f = int32_t(i);
        faces_[i].adj = {NoNeighbour, NoNeighbour, NoNeighbour};
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = faces_[i].v[k];
            const uint32_t b = faces_[i].v[(k + 1) % 3];
            const int32_t g = edges.pairOrRecord(a, b, f);
            if (g < 0) continue;
            addNeighbour(faces_[i], g);
            addNeighbour(faces_[size_t(g)], f);
        }
    }
}

} // namespace Voxmill
