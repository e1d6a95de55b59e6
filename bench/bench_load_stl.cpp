// Loads a generated binary STL of about a million triangles and prints the
// seconds per million triangles of each loading step, and the peak memory.

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include "model/MeshReaders.h"

using namespace Voxmill;

namespace {

// A torus of nu x nv quads, two triangles each, wound outwards. Every grid
// point is computed once, so triangles that share a corner carry the same
// floats and weld.
void writeTorus(const QString& path, int nu, int nv) {
    const float big = 40.0f, small = 15.0f, twoPi = 6.2831853f;
    std::vector<float> grid(size_t(nu) * nv * 3);
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            const float u = twoPi * float(i) / float(nu), v = twoPi * float(j) / float(nv);
            float* p = &grid[(size_t(i) * nv + j) * 3];
            p[0] = (big + small * std::cos(v)) * std::cos(u);
            p[1] = (big + small * std::cos(v)) * std::sin(u);
            p[2] = small * std::sin(v) + small;
        }
    const uint32_t count = uint32_t(2 * nu * nv);
    std::vector<char> bytes(84 + size_t(count) * 50, 0);
    std::memcpy(&bytes[80], &count, 4); // the host is little-endian like the format
    char* rec = &bytes[84];
    auto corner = [&](int i, int j) { return &grid[(size_t(i % nu) * nv + size_t(j % nv)) * 3]; };
    auto put = [&](const float* a, const float* b, const float* c) {
        std::memcpy(rec + 12, a, 12);
        std::memcpy(rec + 24, b, 12);
        std::memcpy(rec + 36, c, 12);
        rec += 50;
    };
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            put(corner(i, j), corner(i + 1, j), corner(i + 1, j + 1));
            put(corner(i, j), corner(i + 1, j + 1), corner(i, j + 1));
        }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main() {
    QTemporaryDir dir;
    const QString path = dir.filePath("torus.stl");
    writeTorus(path, 1000, 500);

    auto t0 = std::chrono::steady_clock::now();
    std::vector<MeshVertex> vertices = readStlSoup(path);
    const double parse = secondsSince(t0);
    const double millions = double(vertices.size() / 3) / 1e6;

    t0 = std::chrono::steady_clock::now();
    std::vector<MeshFace> faces = weldSoup(vertices);
    const double weld = secondsSince(t0);

    t0 = std::chrono::steady_clock::now();
    auto index = std::make_shared<const TriMeshIdx>(std::move(faces));
    const double neighbours = secondsSince(t0);

    t0 = std::chrono::steady_clock::now();
    TriMesh mesh(std::move(vertices), index);
    const double box = secondsSince(t0);

    size_t open = 0;
    for (const MeshFace& f : mesh.faces())
        for (int32_t g : f.adj) open += g == NoNeighbour;

    // A broken file that runs one edge over and over: 200000 copies of one
    // facet, half of them reversed.
    std::vector<MeshFace> copies(200000);
    for (size_t i = 0; i < copies.size(); ++i)
        copies[i].v = i % 2 ? std::array<uint32_t, 3>{{1, 0, 3}} : std::array<uint32_t, 3>{{0, 1, 2}};
    t0 = std::chrono::steady_clock::now();
    TriMeshIdx repeated(std::move(copies));
    const double repeatedEdges = secondsSince(t0);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("triangles: %zu, vertices: %zu, open edges: %zu\n", mesh.faces().size(), mesh.vertices.size(),
                open);
    std::printf("parse:      %.3f s per million triangles\n", parse / millions);
    std::printf("weld:       %.3f s per million triangles\n", weld / millions);
    std::printf("neighbours: %.3f s per million triangles\n", neighbours / millions);
    std::printf("box:        %.3f s per million triangles\n", box / millions);
    std::printf("total:      %.3f s per million triangles\n", (parse + weld + neighbours + box) / millions);
    std::printf("neighbours of 200000 facets on one edge: %.3f s\n", repeatedEdges);
    std::printf("peak memory: %.1f MB (file %.1f MB)\n", double(usage.ru_maxrss) / 1024.0,
                double(84 + mesh.faces().size() * 50) / 1e6);
    return 0;
}
