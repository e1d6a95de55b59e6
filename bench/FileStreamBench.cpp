// Throughput of reading and writing through FStream over DiskFile: block
// reads, byte-wise reads, position queries between reads and small writes.
// Prints MiB/s per pattern and the peak resident size.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "base/VirtualFile.h"

using namespace Voxmill;

namespace {

constexpr size_t fileSize = 64u << 20;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void report(const char* what, size_t bytes, double s) {
    std::printf("%-34s %8.1f MiB/s  (%.3f s)\n", what, double(bytes) / double(1 << 20) / s, s);
}

void writeBlocks(const QString& path) {
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = char(i * 7);
    auto t = std::chrono::steady_clock::now();
    FStream out(path, openWrite);
    out.exceptions(std::ios::badbit | std::ios::failbit);
    for (size_t done = 0; done < fileSize; done += block.size())
        out.write(block.data(), std::streamsize(block.size()));
    out.close();
    report("write, 1 MiB blocks", fileSize, seconds(t));
}

void writeSmall(const QString& path) {
    const size_t bytes = 16u << 20;
    auto t = std::chrono::steady_clock::now();
    FStream out(path, openWrite);
    for (size_t done = 0; done < bytes; done += 8) out.write("12345678", 8);
    out.close();
    report("write, 8-byte pieces", bytes, seconds(t));
}

void readBlocks(const QString& path) {
    std::vector<char> block(1 << 20);
    auto t = std::chrono::steady_clock::now();
    FStream in(path, openRead);
    size_t total = 0;
    while (in.read(block.data(), std::streamsize(block.size())) || in.gcount() > 0)
        total += size_t(in.gcount());
    report("read, 1 MiB blocks", total, seconds(t));
}

void readBytes(const QString& path) {
    auto t = std::chrono::steady_clock::now();
    FStream in(path, openRead);
    size_t total = 0;
    unsigned sum = 0;
    for (int ch; (ch = in.get()) != EOF;) {
        sum += unsigned(ch);
        ++total;
    }
    report("read, byte by byte", total, seconds(t));
    if (sum == 1) std::printf("\n"); // keeps the loop
}

void readWithPositions(const QString& path) {
    char piece[100];
    auto t = std::chrono::steady_clock::now();
    FStream in(path, openRead);
    size_t total = 0;
    std::streamoff last = 0;
    while (in.read(piece, sizeof piece)) {
        total += sizeof piece;
        last = in.tellg();
    }
    report("read 100 bytes, then tellg", total, seconds(t));
    if (last != std::streamoff(total)) std::printf("position mismatch: %lld\n", (long long)last);
}

} // namespace

int main() {
    QTemporaryDir dir;
    QString big = dir.filePath("big.bin");
    std::printf("file of %zu MiB\n", fileSize >> 20);
    writeBlocks(big);
    writeSmall(dir.filePath("small.bin"));
    readBlocks(big);
    readBytes(big);
    readWithPositions(big);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident size %ld KiB\n", usage.ru_maxrss);
    return 0;
}
