// Welding a triangle soup into distinct vertices and faces.

#include <limits>

#include "model/TriMesh.h"

namespace Voxmill {

namespace {

// The vertex key's hash: boost-style combining of the sign-extended coordinates.
inline uint64_t vertexHash(const MeshVertex& v) {
    uint64_t h = uint64_t(int64_t(v.x));
    h ^= uint64_t(int64_t(v.y)) + 2654435769u + (h << 6) + (h >> 2);
    h ^= uint64_t(int64_t(v.z)) + 2654435769u + (h << 6) + (h >> 2);
    return h;
}

// Map from vertex to its distinct index, kept at a load factor of at most 1.
// The keys are not stored here: distinct vertex k lives in keys[k], the front
// of the soup being rewritten. Chains are index arrays instead of nodes, so a
// million-triangle soup costs two flat arrays rather than half a million
// allocations.
class VertexIndexMap {
public:
    static constexpr uint32_t none = std::numeric_limits<uint32_t>::max();

    VertexIndexMap(size_t reserve, const MeshVertex* keys) : keys_(keys) {
        resize(reserve);
        next_.reserve(reserve);
    }

    uint32_t find(const MeshVertex& v, uint64_t hash) const {
        for (uint32_t k = heads_[bucketOf(hash)]; k != none; k = next_[k])
            if (keys_[k] == v) return k;
        return none;
    }

    // Adds keys[k] with k = size().
    void insertNext(uint64_t hash) {
        const uint32_t k = uint32_t(next_.size());
        if (next_.size() + 1 > heads_.size()) rehash(heads_.size() * 2);
        uint32_t& head = heads_[bucketOf(hash)];
        next_.push_back(head);
        head = k;
    }

private:
    // Fibonacci hashing spreads the combined hash over a power-of-two table.
    size_t bucketOf(uint64_t hash) const { return size_t((hash * 0x9E3779B97F4A7C15ull) >> shift_); }

    void resize(size_t wanted) {
        int bits = 1;
        while ((size_t(1) << bits) < wanted) ++bits;
        shift_ = 64 - bits;
        heads_.assign(size_t(1) << bits, none);
    }

    void rehash(size_t wanted) {
        resize(wanted);
        for (uint32_t k = 0; k < next_.size(); ++k) {
            uint32_t& head = heads_[bucketOf(vertexHash(keys_[k]))];
            next_[k] = head;
            head = k;
        }
    }

    const MeshVertex* keys_;
    std::vector<uint32_t> heads_;
    std::vector<uint32_t> next_;
    int shift_ = 63;
};

} // namespace

std::vector<MeshFace> weldSoup(std::vector<MeshVertex>& soup) {
    const size_t faceCount = soup.size() / 3;
    std::vector<MeshFace> faces(faceCount);
    VertexIndexMap map(soup.size() / 5, soup.data());
    uint32_t distinct = 0;
    // Distinct vertex k is written to soup[k]; k never passes the position being
    // read, so the soup is rewritten in place.
    for (size_t i = 0; i < faceCount * 3; ++i) {
        const MeshVertex v = soup[i];
        const uint64_t hash = vertexHash(v);
        uint32_t k = map.find(v, hash);
        if (k == VertexIndexMap::none) {
            k = distinct++;
            soup[k] = v;
            map.insertNext(hash);
        }
        faces[i / 3].v[i % 3] = k;
    }
    soup.resize(distinct);
    soup.shrink_to_fit();
    return faces;
}

} // namespace Voxmill
