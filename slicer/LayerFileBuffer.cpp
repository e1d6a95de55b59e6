#include "slicer/LayerFileBuffer.h"

#include <cstring>
#include <stdexcept>

#include <QCryptographicHash>
#include <QtEndian>

#include "base/VirtualFile.h"

namespace Voxmill {

namespace {

QByteArray md5(const char* bytes, size_t n) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    // addData takes an int count: feed large buffers in pieces.
    constexpr size_t piece = size_t(1) << 30;
    for (size_t done = 0; done < n; done += piece) hash.addData(bytes + done, int(std::min(piece, n - done)));
    return hash.result();
}

// Arms a stream to throw on fail and bad states, and disarms it before the
// stream is destroyed: detaching the buffer at destruction sets the bad state,
// which must not throw then, least of all while another error unwinds.
class ArmedStream {
public:
    explicit ArmedStream(FStream& s) : s_(s) { s_.exceptions(std::ios::failbit | std::ios::badbit); }
    ~ArmedStream() { s_.exceptions(std::ios::goodbit); }
    ArmedStream(const ArmedStream&) = delete;
    ArmedStream& operator=(const ArmedStream&) = delete;

private:
    FStream& s_;
};

} // namespace

void LayerFileBuffer::clear() {
    data_.clear();
    readPos_ = 0;
}

char* LayerFileBuffer::grow(size_t n) {
    size_t old = data_.size();
    data_.resize(old + n);
    return data_.data() + old;
}

void LayerFileBuffer::appendU32(uint32_t v) { qToLittleEndian(v, grow(4)); }

void LayerFileBuffer::appendI32(int32_t v) { qToLittleEndian(v, grow(4)); }

void LayerFileBuffer::require(size_t n) const {
    if (n > remaining()) throw std::runtime_error("load buffer out of range.");
}

const char* LayerFileBuffer::take(size_t n) {
    require(n);
    const char* at = data_.data() + readPos_;
    readPos_ += n;
    return at;
}

uint32_t LayerFileBuffer::readU32() { return qFromLittleEndian<uint32_t>(take(4)); }

int32_t LayerFileBuffer::readI32() { return qFromLittleEndian<int32_t>(take(4)); }

void LayerFileBuffer::saveChecked(const QString& path) {
    FStream out(path, openWrite);
    if (!data_.empty()) {
        QByteArray digest = md5(data_.data(), data_.size());
        out.write(digest.constData(), std::streamsize(layerDigestSize));
        out.write(data_.data(), std::streamsize(data_.size()));
    }
    // A short write must not pass for a stored layer. A small file sits in
    // the file's buffer until it is closed, so a full disk may show only
    // there; the message names the file and the reason either way.
    if (out.good()) out.close();
    if (!out.good()) throw std::runtime_error(out.errorText());
}

void LayerFileBuffer::loadChecked(const QString& path) {
    FStream in(path, openRead);
    clear();
    try {
        ArmedStream armed(in);
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        in.seekg(0, std::ios::beg);
        if (size <= std::streamoff(layerDigestSize)) return;
        data_.resize(size_t(size));
        in.read(data_.data(), size);
    } catch (const std::ios_base::failure&) {
        // The stream's own text names neither the file nor the cause.
        clear();
        throw std::runtime_error(toLocal8(path) + ": cannot read the layer file");
    }
    QByteArray digest = md5(data_.data() + layerDigestSize, data_.size() - layerDigestSize);
    if (std::memcmp(digest.constData(), data_.data(), layerDigestSize) != 0)
        throw std::runtime_error("md5 check error. " + toLocal8(path));
    readPos_ = layerDigestSize;
}

} // namespace Voxmill
