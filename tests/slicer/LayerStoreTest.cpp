#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/Log.h"
#include "slicer/LayerStore.h"
#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// Layer n holds one model part with one island of an n-sized square, or nothing.
Layer sampleLayer(int32_t n, bool empty = false) {
    Layer layer;
    layer.thickness = 200 + n;
    if (empty) return layer;
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

TEST(LayerStore, WindowMovesOneLayerAtATimeInOrder) {
    QTemporaryDir dir;
    IoRecorder io;
    LayerStore store(dir.path(), io.observer());
    store.initLayers(10);
    std::vector<Layer> kept;
    for (int32_t n = 0; n < 10; ++n) {
        kept.push_back(sampleLayer(n, n == 7));
        store.layer(n) = kept.back();
    }

    // Bottom first, then down from the top, one per cycle.
    store.setWindow(3, 5);
    EXPECT_EQ(io.waitFor(0, 8), moves(false, {0, 1, 2, 9, 8, 7, 6, 5}));
    EXPECT_EQ(errorOf([&] { store.layer(2); }), "invalid layer index.");
    EXPECT_EQ(errorOf([&] { store.layer(5); }), "invalid layer index.");
    EXPECT_TRUE(sameLayer(store.layer(3), kept[3]));
    EXPECT_EQ(QFileInfo(store.layerFilePath(7)).size(), 0);
    EXPECT_GT(QFileInfo(store.layerFilePath(6)).size(), 16);

    // Growing downwards reads 2, 1, 0; files read are gone.
    store.setWindow(0, 5);
    EXPECT_TRUE(sameLayer(store.layer(0), kept[0]));
    EXPECT_EQ(io.waitFor(8, 3), moves(true, {2, 1, 0}));
    for (int32_t n = 0; n < 10; ++n) EXPECT_EQ(QFile::exists(store.layerFilePath(n)), n >= 5) << n;

    // Growing upwards reads 5 to 9, the empty layer 7 among them.
    store.setWindow(0, 10);
    EXPECT_TRUE(sameLayer(store.layer(9), kept[9]));
    EXPECT_EQ(io.waitFor(11, 5), moves(true, {5, 6, 7, 8, 9}));
    for (int32_t n = 0; n < 10; ++n) EXPECT_TRUE(sameLayer(store.layer(n), kept[n])) << "layer " << n;
}

TEST(LayerStore, WindowIsClampedToTheLayers) {
    QTemporaryDir dir;
    LayerStore store(dir.path());
    EXPECT_EQ(errorOf([&] { store.layer(0); }), "invalid layer index.");
    store.initLayers(12);
    const struct {
        int32_t first, end;         // asked for
        int32_t wantFirst, wantEnd; // window that results
    } rows[] = {
        {-10, 20, 0, 12}, // both ends beyond the layers
        {8, 3, 8, 8},     // end before first: nothing wanted
        {11, 40, 11, 12}, // the top layer alone
    };
    for (const auto& row : rows) {
        store.setWindow(row.first, row.end);
        for (int32_t n = -1; n <= 12; ++n) {
            bool wanted = row.wantFirst <= n && n < row.wantEnd;
            EXPECT_EQ(errorOf([&] { store.layer(n); }), wanted ? "" : "invalid layer index.")
                << row.first << ", " << row.end << ": layer " << n;
        }
    }
}

TEST(LayerStore, OnlySlotsZeroToEightWithPathsSurvive) {
    QTemporaryDir dir;
    IoRecorder io;
    LayerStore store(dir.path(), io.observer());
    store.initLayers(3);
    LayerPart part;
    part.type = part_type_t::supportWall;
    part.box = IntBox{-7, -7, 7, 7}; // kept in memory as it is
    part.islands.resize(3);
    Island& island = part.islands[0];
    island.slots.set(0, Region({square(0, 0, 10)}));
    island.slots.set(3, Region(Paths{}));            // an empty slot region
    island.slots.set(4, Region({Path{}, {{1, 2}}})); // paths without points still count
    island.slots.set(8, Region({square(2, 2, 2)}));
    island.slots.set(9, Region({square(5, 5, 5)}));
    island.slots.set(-1, Region({square(6, 6, 6)}));
    island.links.push_back({&part.islands[1], 2});
    // Coordinates at the ends of the 32-bit range come back sign-extended.
    Region edge;
    edge.paths = {{{INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}, {-1, 0}}};
    edge.box = IntBox{1, 2, 3, 4}; // the stored box, not a recomputed one
    part.islands[2].slots.set(5, edge);
    store.layer(1).parts = {part, LayerPart{}};

    store.setWindow(0, 1);
    io.waitFor(0, 2);
    store.setWindow(0, 3);
    const Layer& back = store.layer(1);
    ASSERT_EQ(back.parts.size(), 2u);
    EXPECT_EQ(back.parts[0].type, part_type_t::supportWall);
    EXPECT_EQ(back.parts[0].box, (IntBox{-7, -7, 7, 7}));
    ASSERT_EQ(back.parts[0].islands.size(), 3u);
    const Island& first = back.parts[0].islands[0];
    std::vector<int32_t> slots;
    for (const auto& slot : first.slots) slots.push_back(slot.first);
    EXPECT_EQ(slots, (std::vector<int32_t>{0, 4, 8}));
    EXPECT_TRUE(first.links.empty());
    EXPECT_EQ(first.slots.at(4).paths, (Paths{Path{}, {{1, 2}}}));
    EXPECT_TRUE(back.parts[0].islands[1].slots.empty());
    EXPECT_EQ(back.parts[0].islands[2].slots.at(5).paths, edge.paths);
    EXPECT_EQ(back.parts[0].islands[2].slots.at(5).box, edge.box);
    EXPECT_TRUE(back.parts[1].islands.empty());
}

TEST(LayerStore, DamagedFileStopsTheIOThread) {
    const struct {
        const char* what;
        std::function<void(QFile& file)> apply;
        std::string log;
        bool logNamesFile; // the file's path follows the message
    } damages[] = {
        // one byte after the digest flipped
        {"flipped byte",
         [](QFile& f) {
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             QByteArray bytes = f.readAll();
             bytes[20] = char(bytes[20] ^ 0x10);
             f.seek(0);
             f.write(bytes);
         },
         "md5 check error. ",
         true},
        // cut to less than a digest: nothing to check, and the part finds no bytes
        {"cut short", [](QFile& f) { ASSERT_TRUE(f.resize(10)); }, "load buffer out of range.", false},
    };
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.what);
        QTemporaryDir dir;
        IoRecorder io;
        LayerStore store(dir.path(), io.observer());
        store.initLayers(10);
        for (int32_t n = 0; n < 10; ++n) store.layer(n) = sampleLayer(n);
        store.setWindow(0, 3);
        io.waitFor(0, 7);
        const QString path = store.layerFilePath(5);
        QFile file(path);
        damage.apply(file);
        file.close();

        closeLog();
        ASSERT_TRUE(openLog(dir.path()));
        store.setWindow(0, 10);
        EXPECT_EQ(errorOf([&] { store.layer(5); }), "IO thread failed.");
        closeLog();
        // Even resident layers are refused once the thread is gone.
        EXPECT_EQ(errorOf([&] { store.layer(0); }), "IO thread failed.");
        EXPECT_EQ(io.waitFor(7, 2), moves(true, {3, 4}));

        QFile log(dir.filePath("output.log"));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const std::string want = damage.log + (damage.logNamesFile ? path.toStdString() : "") + "\n";
        EXPECT_EQ(log.readAll().toStdString(), want);
        EXPECT_TRUE(QFile::exists(path));
    }
}
