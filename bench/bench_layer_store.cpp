// Walks a layer store the way the stages do: fills it upwards through a
// window, then walks it down again, touching the layer at the trailing edge
// of the window. A disk slow to create files makes the default of 20000
// layers take a minute or more; pass fewer. Prints per phase the time, the
// layers the IO thread moved per second and the peak memory, next to the
// memory the window's islands take.
//
// usage: bench_layer_store [layers=20000] [window=200]

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <QTemporaryDir>
#include <QThread>

#include "slicer/LayerStore.h"

using namespace Voxmill;

namespace {

// 10 islands of 1250-point circles: about 100 KB in a layer file.
constexpr int islandsPerLayer = 10;
constexpr int pointsPerIsland = 1250;

Layer sampleLayer(int32_t n) {
    Layer layer;
    layer.thickness = 200;
    LayerPart part;
    part.islands.resize(islandsPerLayer);
    for (int i = 0; i < islandsPerLayer; ++i) {
        Path circle(pointsPerIsland);
        for (int k = 0; k < pointsPerIsland; ++k) {
            double a = 2 * 3.141592653589793 * k / pointsPerIsland;
            circle[size_t(k)] =
                IntPoint(int64_t(i * 300000 + 100000 * std::cos(a)), int64_t(n + 100000 * std::sin(a)));
        }
        part.box = boxUnion(part.box, part.islands[size_t(i)].slots.set(slotArea, Region({circle})).box);
    }
    layer.parts.push_back(std::move(part));
    return layer;
}

double peakMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

struct Phase {
    const char* name;
    std::function<void()> run;
};

} // namespace

int main(int argc, char** argv) {
    const int32_t layers = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int32_t window = argc > 2 ? std::atoi(argv[2]) : 200;
    if (layers < 1 || window < 1) {
        std::fprintf(stderr, "usage: bench_layer_store [layers] [window]\n");
        return 1;
    }
    QTemporaryDir dir;
    std::atomic<int64_t> moved{0};
    LayerStore store(dir.path(), [&](int32_t, bool) { ++moved; });
    store.initLayers(layers);

    const Layer sample = sampleLayer(0);
    const double windowMb = double(window) * islandsPerLayer * pointsPerIsland * sizeof(IntPoint) / (1 << 20);
    std::printf("layers %d, window %d, islands %.0f KB per layer on disk, window's points %.1f MB\n", layers,
                window, islandsPerLayer * (9 * 4 + 16 + 4 + pointsPerIsland * 8.0) / 1024, windowMb);
    std::printf("start: peak %.1f MB\n", peakMb());

    int64_t checksum = 0;
    const Phase phases[] = {
        // All layers start resident; the empty ones go out first.
        {"evict empty",
         [&] {
             store.setWindow(0, 1);
             while (moved < layers - 1) QThread::msleep(1);
         }},
        // Like the stages: the layer worked on sits at the trailing edge of
        // the window, so the IO thread loads ahead and the walk waits only
        // when the IO thread falls a whole window behind.
        {"fill up",
         [&] {
             for (int32_t i = 0; i < layers; ++i) {
                 store.setWindow(i, i + window);
                 store.layer(i) = sample;
             }
         }},
        {"walk down",
         [&] {
             for (int32_t i = layers - 1; i >= 0; --i) {
                 store.setWindow(i - window + 1, i + 1);
                 checksum += int64_t(store.layer(i).parts[0].islands.size());
             }
         }},
    };
    for (const Phase& phase : phases) {
        const int64_t movedBefore = moved;
        const auto start = std::chrono::steady_clock::now();
        phase.run();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int64_t count = moved - movedBefore;
        std::printf("%-12s %7.2f s, %7lld layers moved, %8.0f layers/s, peak %.1f MB\n", phase.name, seconds,
                    (long long)count, double(count) / seconds, peakMb());
    }
    std::printf("checksum %lld\n", (long long)checksum);
    return 0;
}
