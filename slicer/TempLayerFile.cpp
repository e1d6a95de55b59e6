#include "slicer/TempLayerFile.h"

#include <QtEndian>

namespace Voxmill {

namespace {

constexpr size_t countSize = 4;
constexpr size_t boxSize = 16;
constexpr size_t pointSize = 8;

// Points go as 32-bit pairs: coordinates of the job stay within that range.
void storePath(const Path& path, LayerFileBuffer& buf) {
    char* at = buf.grow(countSize + pointSize * path.size());
    qToLittleEndian(uint32_t(path.size()), at);
    at += countSize;
    for (const IntPoint& q : path) {
        qToLittleEndian(int32_t(q.X), at);
        qToLittleEndian(int32_t(q.Y), at + 4);
        at += pointSize;
    }
}

void storeIsland(const Island& island, LayerFileBuffer& buf) {
    for (int32_t slot = 0; slot < storedSlotCount; ++slot) {
        auto it = island.slots.find(slot);
        if (it == island.slots.end() || it->second.paths.empty()) {
            buf.appendU32(0);
            continue;
        }
        const Region& region = it->second;
        buf.appendU32(uint32_t(region.paths.size()));
        buf.appendI32(region.box.minX);
        buf.appendI32(region.box.minY);
        buf.appendI32(region.box.maxX);
        buf.appendI32(region.box.maxY);
        for (const Path& path : region.paths) storePath(path, buf);
    }
}

void loadPath(Path& path, LayerFileBuffer& buf) {
    const uint32_t count = buf.readU32();
    const char* at = buf.take(size_t(count) * pointSize);
    path.resize(count);
    for (IntPoint& q : path) {
        q.X = qFromLittleEndian<int32_t>(at);
        q.Y = qFromLittleEndian<int32_t>(at + 4);
        at += pointSize;
    }
}

void loadIsland(Island& island, LayerFileBuffer& buf) {
    for (int32_t slot = 0; slot < storedSlotCount; ++slot) {
        const uint32_t count = buf.readU32();
        if (count == 0) continue;
        // Every path needs at least its count: refuse counts the file cannot hold.
        buf.require(boxSize + size_t(count) * countSize);
        Region region;
        region.box.minX = buf.readI32();
        region.box.minY = buf.readI32();
        region.box.maxX = buf.readI32();
        region.box.maxY = buf.readI32();
        region.paths.resize(count);
        for (Path& path : region.paths) loadPath(path, buf);
        island.slots.set(slot, std::move(region));
    }
}

} // namespace

void storeLayerIslands(Layer& layer, LayerFileBuffer& buf) {
    buf.clear();
    for (LayerPart& part : layer.parts) {
        buf.appendU32(uint32_t(part.islands.size()));
        for (const Island& island : part.islands) storeIsland(island, buf);
        std::vector<Island>().swap(part.islands);
    }
}

void loadLayerIslands(Layer& layer, LayerFileBuffer& buf) {
    for (LayerPart& part : layer.parts) {
        const uint32_t count = buf.readU32();
        buf.require(size_t(count) * storedSlotCount * countSize);
        part.islands = std::vector<Island>(count);
        for (Island& island : part.islands) loadIsland(island, buf);
    }
}

} // namespace Voxmill
