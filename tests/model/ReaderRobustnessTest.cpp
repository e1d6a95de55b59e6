// Every reader, given valid files cut short or with bytes spoiled, either
// reads them or rejects them with a message: no crash, no sanitizer report,
// and no allocation sized by a count the file does not back. Layer files go
// through every command of slice_view.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <new>
#include <numeric>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "config/SettingsFile.h"
#include "model/MeshReaders.h"
#include "model/ModelFiles.h"
#include "model/ProjectReader.h"
#include "output/LayerImageFile.h"
#include "tools/slice_view/Commands.h"

using namespace Voxmill;
using namespace VoxmillTest;

namespace {

struct Sample {
    std::string name, bytes;
    std::function<void(const QString&)> read;
};

void readVkp(const QString& path) {
    SliceConfig c;
    readProjectSettings(path, c);
    ProjectLoadCache cache;
    LoadedModels models;
    readProjectModels(path, cache, models);
}

// A 256 x 256 layer file holding a block and a frame, or nothing.
std::string layerFile(bool shapes) {
    QImage gray(256, 256, QImage::Format_Grayscale8), bits;
    gray.fill(0);
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x) {
            const int32_t ring = std::max(std::abs(x - 170), std::abs(y - 120));
            if (shapes && ((x > 20 && x < 90 && y > 30 && y < 80) || (ring > 30 && ring < 40)))
                gray.scanLine(y)[x] = 255;
        }
    packBits(gray, bits);
    QTemporaryDir dir;
    LayerImageWriter().write(dir.filePath("layer"), bits);
    QFile f(dir.filePath("layer"));
    f.open(QIODevice::ReadOnly);
    return f.readAll().toStdString();
}

// Every slice_view command on a two-layer job whose upper model image is the file at path, and on
// that file alone.
void readLayerWithEveryCommand(const QString& path) {
    static FILE* sink = std::fopen("/dev/null", "w");
    const QString job = QFileInfo(path).dir().filePath("layerjob"), clean = job + "-clean";
    if (!QFile::exists(clean + "/slice_s1")) { // made once for every variant
        SliceConfig c;
        c.poly2img.pixelX = c.poly2img.pixelY = 256;
        for (const QString& dir : {job, clean}) {
            QDir().mkpath(dir);
            writeSettings(dir + "/config", c);
            for (const char* name : {"/slice_m0", "/slice_s0", "/slice_m1", "/slice_s1"})
                writeFile(dir + name, layerFile(name[7] == 'm'));
        }
    }
    QFile::remove(job + "/slice_m1");
    QFile::copy(path, job + "/slice_m1");
    const QString png = job + "/out.png";
    infoCommand(path, sink);
    csvCommand(job, QString(), sink);
    pngCommand(job + "/slice_m1", png, false);
    pngCommand(job + "/slice_m1", png, true);
    checkCommand(job, sink);
    diffCommand(clean, job, QString(), sink);
    statsCommand(job, sink);
    sideCommand(job, png, true);
}

// Files of every format, then the small shared models when present.
std::vector<Sample> samples() {
    const std::vector<VoxmillTest::Layer> layers = {
        {{{0, 0}, {1, 0}, {1, 1}}, {{2, 2}, {3, 2}, {3, 3}, {2, 2}}}, {}, {{{0, 0}, {1, 1}}}};
    SlcFile slc;
    slc.layers = layers;
    std::vector<uint32_t> indices(36);
    std::iota(indices.begin(), indices.end(), 0u);
    VkpFile vkp;
    vkp.settings = "[precision]\nlayerHeight = 0.05\n[infill]\nenable = false\n";
    vkp.models = {{0, corners(cube(3)), {indices.begin(), indices.end()}, 0, 0, {}},
                  {1, {}, {}, 0.2f, 0.1f, layers}};
    vkp.refs = {{0}, {1}, {0}};
    vkp.refs[2].m[3] = 5;
    auto stl = [](const QString& p) { readStl(p); };
    std::vector<Sample> out = {
        {"binary stl", binaryStl(cube(5)), stl},
        {"ascii stl", asciiStl(cube(5)), stl},
        {"slc", slc.bytes(), [](const QString& p) { readSlc(p); }},
        {"zdm", zdmFile(corners(cube(2)), indices), [](const QString& p) { readZdm(p); }},
        {"vkp", vkp.bytes(), readVkp},
        {"layer file", layerFile(true), readLayerWithEveryCommand},
    };
    const QDir root(QStringLiteral(VOXMILL_SHARED_MODELS));
    for (const char* name : {"real/binary_header_solid.stl", "real/two_solids_ascii.stl",
                             "real/calibration_cube_20mm.stl", "analytic/t_overhang.stl"}) {
        QFile f(root.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray b = f.readAll();
        out.push_back({name, std::string(b.constData(), size_t(b.size())), stl});
    }
    return out;
}

// Cuts and spoiled bytes: every position for small files, a spread of about
// 600 for larger ones.
std::vector<std::string> mutations(const std::string& bytes) {
    std::vector<std::string> out;
    const size_t n = bytes.size();
    const size_t step = std::max<size_t>(1, n / 600);
    for (size_t len = 0; len < n; len += step) out.push_back(bytes.substr(0, len));
    for (size_t at = 0; at < n; at += step)
        for (unsigned char mask : {0xFF, 0x80, 0x01}) {
            std::string s = bytes;
            s[at] = char(s[at] ^ mask);
            out.push_back(s);
        }
    return out;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool limitAddressSpace = false; // the sanitizer's shadow memory needs its own room
#else
constexpr bool limitAddressSpace = true;
#endif

long addressSpaceBytes() {
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        pages = std::fscanf(f, "%ld", &pages) == 1 ? pages : 0;
        std::fclose(f);
    }
    return pages * sysconf(_SC_PAGESIZE);
}

// Reads every mutation in a child whose address space is capped at what reading
// the valid file left plus 32 MiB and 64 times the file's size; its exit status
// is 0 when every mutation was read or rejected with a message.
int runMutationsInChild(const Sample& s, const QString& path) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid != 0) {
        int status = -1;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    writeFile(path, s.bytes);
    s.read(path);
    if (limitAddressSpace) {
        const rlim_t cap = rlim_t(addressSpaceBytes()) + (32u << 20) + 64 * s.bytes.size();
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
    }
    int bad = 0;
    int count = 0;
    for (const std::string& m : mutations(s.bytes)) {
        // A fresh name each time: truncating a file still being written waits for it.
        const QString variant = path + QString::number(++count);
        writeFile(variant, m);
        try {
            s.read(variant);
        } catch (const std::exception& e) {
            const bool alloc = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
            if (alloc || e.what()[0] == '\0') {
                std::fprintf(stderr, "%s, %zu-byte variant: %s\n", s.name.c_str(), m.size(),
                             alloc ? "allocation failed" : "empty message");
                bad = 1;
            }
        }
        QFile::remove(variant);
    }
    std::fflush(nullptr);
    _exit(bad);
}

} // namespace

TEST(ReaderRobustness, CutAndSpoiledFilesAreReadOrRejectedWithAMessage) {
    QTemporaryDir dir;
    for (const Sample& s : samples()) {
        // The valid file itself reads.
        const QString path = dir.filePath("valid");
        writeFile(path, s.bytes);
        ASSERT_NO_THROW(s.read(path)) << s.name;
        EXPECT_EQ(runMutationsInChild(s, dir.filePath("variant")), 0) << s.name;
    }
}
