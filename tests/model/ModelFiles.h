#pragma once
// Builders of small model files for the reader tests, and what a reader call
// ended with.

#include <array>
#include <cstdint>
#include <cstring>
#include <ios>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <QFile>
#include <QString>

namespace VoxmillTest {

// Little-endian bytes appended in file order.
struct Bytes {
    std::string data;
    Bytes& le(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) data.push_back(char(v >> (8 * i)));
        return *this;
    }
    Bytes& u8(uint8_t v) { return le(v, 1); }
    Bytes& u32(uint32_t v) { return le(v, 4); } // int32 values too, as two's complement
    Bytes& f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return le(bits, 4);
    }
    Bytes& text(const std::string& s) { return data += s, *this; }
    Bytes& zeros(size_t n) { return data.append(n, '\0'), *this; }
    size_t size() const { return data.size(); }
};

// Overwrites n little-endian bytes of s at `at`.
inline std::string patched(std::string s, size_t at, uint64_t v, int n = 4) {
    for (int i = 0; i < n; ++i) s[at + i] = char(v >> (8 * i));
    return s;
}

inline void writeFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        throw std::runtime_error("cannot write test file");
}

// Stands for the standard stream failure in an expected-error column.
const std::string streamFailure = "<stream failure>";

// "" when f returns, streamFailure for a stream failure, else the message.
template <class F> std::string errorOf(F&& f) {
    try {
        f();
        return "";
    } catch (const std::ios_base::failure&) {
        return streamFailure;
    } catch (const std::exception& e) {
        return e.what();
    }
}

using Triangle = std::array<float, 9>; // three corners, x y z each, mm
using Point3 = std::array<float, 3>;

// An axis-aligned box, corners in mm: 12 outward-wound triangles sharing 8 corners.
inline std::vector<Triangle> box(float x0, float y0, float z0, float x1, float y1, float z1) {
    const float c[8][3] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                           {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}};
    const int f[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                          {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    std::vector<Triangle> tris(12);
    for (int t = 0; t < 12; ++t)
        for (int k = 0; k < 9; ++k) tris[t][k] = c[f[t][k / 3]][k % 3];
    return tris;
}

// A cube of side s at the origin.
inline std::vector<Triangle> cube(float s) { return box(0, 0, 0, s, s, s); }

// The corners of the triangles in order, one per index 0, 1, 2, ...
inline std::vector<Point3> corners(const std::vector<Triangle>& tris) {
    std::vector<Point3> out;
    for (const Triangle& t : tris)
        for (int k = 0; k < 3; ++k) out.push_back({t[3 * k], t[3 * k + 1], t[3 * k + 2]});
    return out;
}

inline std::string binaryStl(const std::vector<Triangle>& tris) {
    Bytes b;
    b.text("voxmill test").zeros(68).u32(uint32_t(tris.size()));
    for (const Triangle& t : tris) {
        b.f32(0).f32(0).f32(1);
        for (float c : t) b.f32(c);
        b.u8(0).u8(0);
    }
    return b.data;
}

inline std::string asciiStl(const std::vector<Triangle>& tris) {
    std::string s = "solid test\n";
    for (const Triangle& t : tris) {
        s += "  facet normal 0 0 1\n    outer loop\n";
        for (int k = 0; k < 9; ++k)
            s += (k % 3 ? " " : "      vertex ") + std::to_string(t[k]) + (k % 3 == 2 ? "\n" : "");
        s += "    endloop\n  endfacet\n";
    }
    return s + "endsolid test\n";
}

using Contour = std::vector<std::array<float, 2>>;
using Layer = std::vector<Contour>;

// An SLC file; the fields are the parts a test may want to spoil.
struct SlcFile {
    std::string header = "-SLCVER 2.0 -UNIT MM -TYPE PART";
    uint8_t termination = 26, tableSize = 1;
    float minZ = 0.1f, thickness = 0.05f, lineWidthCompensation = 0;
    std::vector<Layer> layers;
    uint32_t gaps = 0;
    bool endMarker = true;

    std::string bytes() const {
        Bytes b;
        b.text(header).u8('\n').u8(termination).zeros(256).u8(tableSize);
        b.f32(minZ).f32(thickness).f32(lineWidthCompensation).f32(0);
        float z = minZ;
        for (const Layer& layer : layers) {
            b.f32(z).u32(uint32_t(layer.size()));
            for (const Contour& c : layer) {
                b.u32(uint32_t(c.size())).u32(gaps);
                for (const auto& p : c) b.f32(p[0]).f32(p[1]);
            }
            z += thickness;
        }
        if (endMarker) b.f32(z).u32(0xFFFFFFFFu);
        return b.data;
    }
};

// A zdm file with the given vertices (mm) and raw index list.
inline std::string zdmFile(const std::vector<Point3>& vertices, const std::vector<uint32_t>& indices,
                           const std::string& magic = std::string("#Brindlewax100\0\0", 16)) {
    Bytes b;
    b.text(magic.substr(0, 16)).u32(uint32_t(vertices.size())).u32(uint32_t(indices.size()));
    for (const auto& v : vertices) b.f32(v[0]).f32(v[1]).f32(v[2]);
    for (uint32_t i : indices) b.u32(i);
    return b.data;
}

// A vkp project: header, settings text, reference table, model table, then
// the model blocks, in that order.
struct VkpModel {
    uint32_t type = 0; // 0 mesh, 1 SLC, anything else is written as the bare type
    std::vector<Point3> vertices;
    std::vector<int32_t> indices;
    float minZ = 0, thickness = 0;
    std::vector<Layer> layers;
};

struct VkpRef {
    int32_t modelId = 0;
    uint32_t refType = 0;
    std::array<float, 16> m{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
};

struct VkpFile {
    std::string magic = "vkp2.", settings;
    std::vector<VkpRef> refs;
    std::vector<VkpModel> models;
    // Where bytes() put the counts: "refs", "models", and per model i
    // "i.vertices", "i.indices", "i.layers", "i.contours" (first layer) and
    // "i.points" (its first contour); "i.block" is where the model table
    // holds the offset of model i's block.
    std::map<std::string, size_t> fieldAt;

    std::string bytes() {
        Bytes b;
        b.text(magic).zeros(84 - magic.size()).text(settings);
        b.data = patched(patched(b.data, 40, 84, 8), 48, settings.size(), 8);
        b.data = patched(b.data, 68, fieldAt["refs"] = b.size(), 8);
        b.u32(uint32_t(refs.size()));
        for (const VkpRef& r : refs) {
            b.u32(uint32_t(r.modelId)).u32(r.refType);
            for (float c : r.m) b.f32(c);
        }
        b.data = patched(b.data, 76, fieldAt["models"] = b.size(), 8);
        b.u32(uint32_t(models.size())).zeros(8 * models.size());
        for (size_t i = 0; i < models.size(); ++i) {
            const size_t at = fieldAt[std::to_string(i) + ".block"] = fieldAt["models"] + 4 + 8 * i;
            b.data = patched(b.data, at, b.size(), 8);
            block(b, models[i], std::to_string(i) + ".");
        }
        return b.data;
    }

private:
    void block(Bytes& b, const VkpModel& m, const std::string& key) {
        b.u32(m.type);
        if (m.type == 0) {
            fieldAt[key + "vertices"] = b.size();
            fieldAt[key + "indices"] = b.size() + 4;
            b.u32(uint32_t(m.vertices.size())).u32(uint32_t(m.indices.size())).zeros(16);
            for (const auto& v : m.vertices) b.f32(v[0]).f32(v[1]).f32(v[2]);
            for (int32_t i : m.indices) b.u32(uint32_t(i));
        } else if (m.type == 1) {
            fieldAt[key + "layers"] = b.size() + 8;
            b.f32(m.minZ).f32(m.thickness).u32(uint32_t(m.layers.size()));
            b.le(b.size() + 8, 8); // the layers follow at once
            for (size_t l = 0; l < m.layers.size(); ++l) {
                if (l == 0) fieldAt[key + "contours"] = b.size();
                b.u32(uint32_t(m.layers[l].size()));
                for (size_t c = 0; c < m.layers[l].size(); ++c) {
                    if (l == 0 && c == 0) fieldAt[key + "points"] = b.size();
                    b.u32(uint32_t(m.layers[l][c].size()));
                    for (const auto& p : m.layers[l][c]) b.f32(p[0]).f32(p[1]);
                }
            }
        }
    }
};

} // namespace VoxmillTest
