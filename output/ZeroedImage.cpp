#include "output/ZeroedImage.h"

#include <sys/mman.h>

#include <new>

namespace Voxmill {

namespace {

struct Mapping {
    void* start;
    size_t bytes;
};

void unmap(void* info) {
    auto* m = static_cast<Mapping*>(info);
    munmap(m->start, m->bytes);
    delete m;
}

// QImage's own stride: whole 32-bit words per row.
size_t strideOf(int width, QImage::Format format) {
    const size_t bits = size_t(width) * size_t(QImage::toPixelFormat(format).bitsPerPixel());
    return (bits + 31) / 32 * 4;
}

} // namespace

QImage zeroedImage(int width, int height, QImage::Format format) {
    const size_t stride = strideOf(width, format);
    const size_t bytes = stride * size_t(height);
    if (bytes == 0) return QImage(width, height, format);
    void* start = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) throw std::bad_alloc();
    auto* m = new Mapping{start, bytes};
    return QImage(static_cast<uchar*>(start), width, height, int(stride), format, unmap, m);
}

} // namespace Voxmill
