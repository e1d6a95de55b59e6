#pragma once
// One entry per input the program accepts: hand it arbitrary bytes, it must
// either read them or throw std::exception, never crash. Shared by the
// libFuzzer targets and the corpus replay test.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

#include <QCoreApplication>
#include <QDir>

#include "config/SettingsFile.h"
#include "model/MeshReaders.h"
#include "model/ProjectReader.h"
#include "output/LayerImageFile.h"
#include "tools/slice_view/LayerCheck.h"
#include "tools/slice_view/LayerDecode.h"

namespace VoxmillFuzz {

// The readers take paths, so the bytes go through one scratch file per process.
inline QString scratchFile(const char* suffix) {
    static const QString base =
        QDir::tempPath() + QStringLiteral("/voxmill-fuzz-%1").arg(QCoreApplication::applicationPid());
    return base + QString::fromLatin1(suffix);
}

inline void writeBytes(const QString& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f) return;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

inline QString writeScratch(const uint8_t* data, size_t size, const char* suffix) {
    QString path = scratchFile(suffix);
    writeBytes(path, data, size);
    return path;
}

// False when read threw.
template <class Read> bool guarded(Read&& read) {
    try {
        read();
        return true;
    } catch (const std::exception&) {
        // rejected with a message: that is the expected outcome for bad input
        return false;
    }
}

inline void fuzzStl(const uint8_t* data, size_t size) {
    QString path = writeScratch(data, size, ".stl");
    guarded([&] { Voxmill::readStl(path); });
}

inline void fuzzSlc(const uint8_t* data, size_t size) {
    QString path = writeScratch(data, size, ".slc");
    guarded([&] { Voxmill::readSlc(path); });
}

inline void fuzzZdm(const uint8_t* data, size_t size) {
    QString path = writeScratch(data, size, ".zdm");
    guarded([&] { Voxmill::readZdm(path); });
}

inline void fuzzVkp(const uint8_t* data, size_t size) {
    QString path = writeScratch(data, size, ".vkp");
    guarded([&] {
        Voxmill::SliceConfig settings;
        Voxmill::readProjectSettings(path, settings);
    });
    guarded([&] {
        Voxmill::ProjectLoadCache cache;
        Voxmill::LoadedModels models;
        Voxmill::readProjectModels(path, cache, models);
    });
}

inline void fuzzIni(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    guarded([&] {
        Voxmill::SliceConfig settings;
        Voxmill::readSettings(in, settings);
    });
}

// The fault of a decoder, empty when it decodes.
template <class Decode> std::string faultOf(Decode&& decode) {
    try {
        decode();
        return std::string();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
}

// A layer file: decoded strictly, by the program's decoder and by slice_view's,
// which must agree fault for fault and pixel for pixel; then, when it decodes,
// checked as the layer above an empty one (everything unsupported), as model
// and support at once (every support pixel too close) and as the layer above
// itself.
inline void fuzzLayer(const uint8_t* data, size_t size) {
    const QByteArray file(reinterpret_cast<const char*>(data), int(size));
    Voxmill::LayerBitmap b;
    Voxmill::BitPlane plane, fast;
    const std::string fault = faultOf([&] { b = Voxmill::decodeLayerImage(file); });
    if (fault != faultOf([&] { Voxmill::LayerDecoder().decode(file, fast); })) std::abort();
    if (!fault.empty()) return;
    Voxmill::unpack(b, plane);
    if (plane.bits != fast.bits || plane.rowUsed != fast.rowUsed) std::abort();
    if (uint64_t(b.width) * b.height > (uint64_t(1) << 24)) return; // the check holds a few such images
    guarded([&] {
        Voxmill::BitPlane empty;
        empty.reset(plane.width, plane.height);
        Voxmill::JobGeometry g;
        g.width = plane.width;
        g.height = plane.height;
        g.margin = g.width > 4 ? 2 : 0;
        g.printWidth = g.width - 2 * g.margin;
        g.gap = int32_t(size % 4);
        Voxmill::LayerChecker checker(g);
        checker.next(empty, empty);
        checker.next(plane, plane);
        checker.next(plane, empty);
    });
}

} // namespace VoxmillFuzz
