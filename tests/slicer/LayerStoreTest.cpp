#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "base/Log.h"
#include "slicer/LayerStore.h"
#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// Layer n holds one model part with one island of an n-sized square.
Layer sampleLayer(int32_t n) {
    Layer layer;
    layer.thickness = 200 + n;
    layer.parts.resize(1);
    layer.parts[0].islands.resize(1);
    layer.parts[0].box = layer.parts[0].islands[0].slots.set(0, Region({square(n, -n, 1000 + n)})).box;
    return layer;
}

std::vector<IoEvent> moves(bool loaded, std::initializer_list<int32_t> layers) {
    std::vector<IoEvent> out;
    for (int32_t n : layers) out.emplace_back(n, loaded);
    return out;
}

} // namespace

// Types, part boxes and extreme coordinates are the stress test's; here what
// eviction drops: slots outside 0..8, empty slot regions and links.
TEST(LayerStore, OnlySlotsZeroToEightWithPathsSurvive) {
    QTemporaryDir dir;
    IoRecorder io;
    LayerStore store(dir.path(), io.observer());
    store.initLayers(3);
    LayerPart part;
    part.islands.resize(2);
    Island& island = part.islands[0];
    island.slots.set(0, Region({square(0, 0, 10)}));
    island.slots.set(3, Region(Paths{}));            // an empty slot region
    island.slots.set(4, Region({Path{}, {{1, 2}}})); // paths without points still count
    Region stored({square(2, 2, 2)});
    stored.box = IntBox{1, 2, 3, 4}; // the stored box, not a recomputed one
    island.slots.set(8, stored);
    island.slots.set(9, Region({square(5, 5, 5)}));
    island.slots.set(-1, Region({square(6, 6, 6)}));
    island.links.push_back({2, 0, 1});
    island.linksKnown = true;
    store.layer(1).parts = {part};

    store.setWindow(0, 1);
    io.waitFor(0, 2);
    store.setWindow(0, 3);
    const Layer& back = store.layer(1);
    ASSERT_EQ(back.parts.size(), 1u);
    ASSERT_EQ(back.parts[0].islands.size(), 2u);
    const Island& first = back.parts[0].islands[0];
    std::vector<int32_t> slots;
    for (const auto& slot : first.slots) slots.push_back(slot.first);
    EXPECT_EQ(slots, (std::vector<int32_t>{0, 4, 8}));
    EXPECT_TRUE(first.links.empty());
    EXPECT_FALSE(first.linksKnown);
    EXPECT_EQ(first.slots.at(4).paths, (Paths{Path{}, {{1, 2}}}));
    EXPECT_EQ(first.slots.at(8).box, stored.box);
    EXPECT_TRUE(back.parts[0].islands[1].slots.empty());
}

// A byte flipped after the digest stops the IO thread with the md5 message in
// the log; the next layer call fails, even for a resident layer.
TEST(LayerStore, DamagedFileStopsTheIOThread) {
    QTemporaryDir dir;
    IoRecorder io;
    LayerStore store(dir.path(), io.observer());
    store.initLayers(10);
    for (int32_t n = 0; n < 10; ++n) store.layer(n) = sampleLayer(n);
    store.setWindow(0, 3);
    io.waitFor(0, 7);
    const QString path = store.layerFilePath(5);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes[20] = char(bytes[20] ^ 0x10);
    file.seek(0);
    file.write(bytes);
    file.close();

    closeLog();
    ASSERT_TRUE(openLog(dir.path()));
    store.setWindow(0, 10);
    EXPECT_EQ(errorOf([&] { store.layer(5); }), "IO thread failed.");
    closeLog();
    EXPECT_EQ(errorOf([&] { store.layer(0); }), "IO thread failed.");
    EXPECT_EQ(io.waitFor(7, 2), moves(true, {3, 4}));
    QFile log(dir.filePath("output.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().toStdString(), "md5 check error. " + path.toStdString() + "\n");
    EXPECT_TRUE(QFile::exists(path));
}
