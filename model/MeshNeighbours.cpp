// Face neighbours from directed edges.

#include <limits>

#include "model/TriMesh.h"

namespace Voxmill {

namespace {

// Multimap from a directed edge (a, b) to the faces that ran it and are still
// unpaired, hashed by a + b. Each distinct edge has one node in its bucket's
// chain, holding its faces first to last, so the earliest is paired first and
// a chain stays short even when a broken file runs one edge thousands of times.
// Since (a, b) and (b, a) hash alike, one walk finds both. Freed nodes and
// queue entries are reused, so memory follows the number of open edges
// rather than the number of faces.
class DirectedEdgeMap {
public:
    explicit DirectedEdgeMap(size_t faceCount) {
        int bits = 1;
        while ((size_t(1) << bits) < faceCount) ++bits;
        shift_ = 64 - bits;
        heads_.assign(size_t(1) << bits, none);
    }

    // Removes and returns the earliest face recorded for (b, a); when there is
    // none, records (a, b) for face f and returns -1.
    int32_t pairOrRecord(uint32_t a, uint32_t b, int32_t f) {
        uint32_t& head = heads_[bucketOf(a + b)];
        uint32_t prev = none, same = none;
        for (uint32_t e = head; e != none; prev = e, e = edges_[e].next) {
            if (edges_[e].a == b && edges_[e].b == a)
                return takeFirst(e, prev == none ? head : edges_[prev].next);
            if (edges_[e].a == a && edges_[e].b == b) same = e;
        }
        if (same == none) {
            same = allocate(edges_, freeEdge_, {a, b, none, none, none});
            (prev == none ? head : edges_[prev].next) = same;
        }
        const uint32_t w = allocate(waiting_, freeWaiting_, {f, none});
        Edge& edge = edges_[same];
        (edge.first == none ? edge.first : waiting_[edge.last].next) = w;
        edge.last = w;
        return -1;
    }

private:
    static constexpr uint32_t none = std::numeric_limits<uint32_t>::max();
    struct Edge {
        uint32_t a, b;
        uint32_t first, last; // queue of waiting faces
        uint32_t next;        // chain of the bucket
    };
    struct Waiting {
        int32_t face;
        uint32_t next;
    };

    size_t bucketOf(uint32_t hash) const { return size_t((hash * 0x9E3779B97F4A7C15ull) >> shift_); }

    // Pops edge e's earliest face; an edge without faces leaves the chain
    // (link is the chain's pointer to e).
    int32_t takeFirst(uint32_t e, uint32_t& link) {
        Edge& edge = edges_[e];
        const uint32_t w = edge.first;
        const int32_t face = waiting_[w].face;
        edge.first = waiting_[w].next;
        release(waiting_, freeWaiting_, w);
        if (edge.first == none) {
            link = edge.next;
            release(edges_, freeEdge_, e);
        }
        return face;
    }

    // Pools with a free list threaded through next. allocate may move the
    // pool, so callers take references only afterwards.
    template <class T> static uint32_t allocate(std::vector<T>& pool, uint32_t& free, const T& item) {
        if (free == none) {
            pool.push_back(item);
            return uint32_t(pool.size() - 1);
        }
        const uint32_t i = free;
        free = pool[i].next;
        pool[i] = item;
        return i;
    }
    template <class T> static void release(std::vector<T>& pool, uint32_t& free, uint32_t i) {
        pool[i].next = free;
        free = i;
    }

    std::vector<uint32_t> heads_;
    std::vector<Edge> edges_;
    std::vector<Waiting> waiting_;
    uint32_t freeEdge_ = none, freeWaiting_ = none;
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
