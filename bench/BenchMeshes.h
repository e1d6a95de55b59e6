#pragma once
// Generated test meshes for the benchmarks, and a binary STL writer so that
// the program itself can be run on them.

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "model/TriMesh.h"

namespace Voxmill::Bench {

class MeshBuilder {
public:
    uint32_t vertex(double xMm, double yMm, double zMm) {
        vertices_.push_back(MeshVertex{int32_t(std::lround(xMm * 1e4)), int32_t(std::lround(yMm * 1e4)),
                                       int32_t(std::lround(zMm * 1e4))});
        return uint32_t(vertices_.size() - 1);
    }
    void face(uint32_t a, uint32_t b, uint32_t c) {
        MeshFace f;
        f.v = {{a, b, c}};
        faces_.push_back(f);
    }
    // An axis-aligned box, faces counter-clockwise seen from outside.
    void box(double x0, double y0, double z0, double x1, double y1, double z1) {
        uint32_t v[8];
        for (int i = 0; i < 8; ++i) v[i] = vertex(i & 1 ? x1 : x0, i & 2 ? y1 : y0, i & 4 ? z1 : z0);
        const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                 {1, 3, 7, 5}, {3, 2, 6, 7}, {2, 0, 4, 6}};
        for (const auto& q : quads) {
            face(v[q[0]], v[q[1]], v[q[2]]);
            face(v[q[0]], v[q[2]], v[q[3]]);
        }
    }
    std::shared_ptr<TriMesh> mesh() {
        return std::make_shared<TriMesh>(vertices_, std::make_shared<const TriMeshIdx>(faces_));
    }

private:
    std::vector<MeshVertex> vertices_;
    std::vector<MeshFace> faces_;
};

// 40 x 40 square pins of 0.5 mm at a 1 mm pitch, heightMm tall.
inline std::shared_ptr<TriMesh> pinField(double heightMm) {
    MeshBuilder b;
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 40; ++j) b.box(i - 20.0, j - 20.0, 0, i - 19.5, j - 19.5, heightMm);
    return b.mesh();
}

// A closed wavy vase: a surface of revolution with ripples around and along
// it, around x rings quads, 2 * around * rings triangles.
inline std::shared_ptr<TriMesh> wavyVase(int around, int rings, double heightMm) {
    const double pi = 3.14159265358979323846;
    MeshBuilder b;
    for (int k = 0; k < rings; ++k) {
        const double z = heightMm * k / (rings - 1);
        for (int j = 0; j < around; ++j) {
            const double phi = 2 * pi * j / around;
            const double r = 20 + 1.5 * std::sin(12 * phi + z / 4) + 3 * std::sin(z / 6);
            b.vertex(r * std::cos(phi), r * std::sin(phi), z);
        }
    }
    const uint32_t bottom = b.vertex(0, 0, 0), top = b.vertex(0, 0, heightMm);
    auto at = [around](int k, int j) { return uint32_t(k * around + (j % around)); };
    for (int k = 0; k + 1 < rings; ++k)
        for (int j = 0; j < around; ++j) {
            b.face(at(k, j), at(k, j + 1), at(k + 1, j + 1));
            b.face(at(k, j), at(k + 1, j + 1), at(k + 1, j));
        }
    for (int j = 0; j < around; ++j) {
        b.face(bottom, at(0, j + 1), at(0, j));
        b.face(top, at(rings - 1, j), at(rings - 1, j + 1));
    }
    return b.mesh();
}

// The mesh as a binary STL file (millimetres), for the program to read back.
inline void writeBinaryStl(const TriMesh& mesh, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    char header[80] = "Voxmill benchmark mesh";
    std::fwrite(header, 1, 80, f);
    const uint32_t count = uint32_t(mesh.faces().size());
    std::fwrite(&count, 4, 1, f);
    for (const MeshFace& face : mesh.faces()) {
        float rec[12] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            const MeshVertex& v = mesh.vertices[face.v[size_t(k)]];
            rec[3 + 3 * k] = float(v.x / 1e4);
            rec[4 + 3 * k] = float(v.y / 1e4);
            rec[5 + 3 * k] = float(v.z / 1e4);
        }
        std::fwrite(rec, 4, 12, f);
        const uint16_t attr = 0;
        std::fwrite(&attr, 2, 1, f);
    }
    std::fclose(f);
}

} // namespace Voxmill::Bench
