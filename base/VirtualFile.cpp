#include "base/VirtualFile.h"

#include <algorithm>
#include <stdexcept>

#include <QFileInfo>

namespace Voxmill {

std::string toLocal8(const QString& s) { return s.toLocal8Bit().toStdString(); }

VirtualFile::VirtualFile() : buf_(new VirtualFileStreamBuf(this)) {}

VirtualFile::~VirtualFile() { delete buf_; }

std::streambuf* VirtualFile::streamBuf() { return buf_; }

DiskFile::DiskFile(const QString& path) : file_(path) {}

DiskFile::~DiskFile() { file_.close(); }

bool DiskFile::open(OpenMode mode) {
    // Checked here rather than left to the platform: some refuse a directory
    // with an unrelated text, some open it and fail on the first read.
    if (!file_.fileName().isEmpty() && QFileInfo(file_.fileName()).isDir())
        throw std::runtime_error(describe(QStringLiteral("is a directory, not a file")));
    QIODevice::OpenMode qtMode = mode == openRead    ? QIODevice::ReadOnly
                                 : mode == openWrite ? QIODevice::WriteOnly | QIODevice::Truncate
                                                     : QIODevice::Append;
    if (!file_.open(qtMode)) throw std::runtime_error(errorText());
    return true;
}

void DiskFile::close() { file_.close(); }

bool DiskFile::flush() { return file_.flush(); }

std::string DiskFile::errorText() const { return describe(file_.errorString()); }

std::string DiskFile::describe(const QString& problem) const {
    const QString& path = file_.fileName();
    return toLocal8(path.isEmpty() ? problem : path + QStringLiteral(": ") + problem);
}

int64_t DiskFile::read(char* dst, int32_t maxCount) { return file_.read(dst, maxCount); }

int64_t DiskFile::write(const char* src, int32_t count) { return file_.write(src, count); }

int32_t DiskFile::seek(int64_t offset, int32_t whence) {
    int64_t target;
    switch (whence) {
    case 0:
        target = offset;
        break;
    case 1:
        target = file_.pos() + offset;
        break;
    case 2:
        target = file_.size() + offset;
        break;
    default:
        return -1;
    }
    if (target < 0) return -1;
    return file_.seek(target) ? 0 : -1;
}

int64_t DiskFile::tell() { return file_.pos(); }

VirtualFileStreamBuf::int_type VirtualFileStreamBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    int64_t n = file_->read(buffer_, bufferSize);
    setg(buffer_, buffer_, buffer_ + std::max<int64_t>(n, 0));
    if (n < 0) throw std::runtime_error(file_->errorText());
    if (n == 0) return traits_type::eof();
    return traits_type::to_int_type(buffer_[0]);
}

VirtualFileStreamBuf::int_type VirtualFileStreamBuf::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    char c = traits_type::to_char_type(ch);
    return file_->write(&c, 1) == 1 ? ch : traits_type::eof();
}

std::streamsize VirtualFileStreamBuf::xsputn(const char* s, std::streamsize n) {
    // Blocks above 2 GiB go in 32-bit pieces; a short piece ends the write.
    std::streamsize done = 0;
    while (done < n) {
        int32_t piece = static_cast<int32_t>(std::min<std::streamsize>(n - done, INT32_MAX));
        int64_t w = file_->write(s + done, piece);
        if (w <= 0) break;
        done += w;
        if (w < piece) break;
    }
    return done;
}

VirtualFileStreamBuf::pos_type VirtualFileStreamBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                                             std::ios_base::openmode) {
    // The file position is past the buffered block; the stream's position is
    // that minus the bytes not read yet.
    const off_type unread = egptr() - gptr();
    if (dir == std::ios_base::cur && off == 0) {
        int64_t at = file_->tell();
        return at < 0 ? pos_type(off_type(-1)) : pos_type(at - unread);
    }
    if (dir == std::ios_base::cur) off -= unread;
    int32_t whence = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? 1 : 2;
    if (file_->seek(off, whence) != 0) return pos_type(off_type(-1));
    setg(buffer_, buffer_, buffer_);
    return pos_type(file_->tell());
}

VirtualFileStreamBuf::pos_type VirtualFileStreamBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

void FStream::open(const QString& path, OpenMode mode) {
    auto file = std::make_unique<DiskFile>(path);
    file->open(mode);
    attach(std::move(file));
}

void FStream::attach(std::unique_ptr<IVirtualFile> file) {
    std::basic_ios<char>::rdbuf(file->streamBuf());
    file_ = std::move(file);
    open_ = true;
    clear();
}

void FStream::close() {
    if (!open_) {
        setstate(std::ios_base::failbit);
        return;
    }
    open_ = false;
    bool flushed = file_->flush();
    file_->close();
    if (!flushed) setstate(std::ios_base::badbit);
}

std::string FStream::errorText() const { return file_ ? file_->errorText() : std::string("no file open"); }

} // namespace Voxmill
