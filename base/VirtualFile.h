#pragma once
// The file layer every file of the program goes through: an abstract file,
// its disk implementation over QFile, and a stream buffer that lets standard
// streams read and write through it.

#include <cstdint>
#include <fstream>
#include <memory>
#include <streambuf>
#include <string>

#include <QFile>
#include <QString>

namespace Voxmill {

// 1 = read only, 2 = write only (created or truncated), anything else = append.
using OpenMode = int32_t;
constexpr OpenMode openRead = 1;
constexpr OpenMode openWrite = 2;
constexpr OpenMode openAppend = 3;

class IVirtualFile {
public:
    virtual ~IVirtualFile() = default;
    // Returns true on success; throws std::runtime_error with errorText() on failure.
    virtual bool open(OpenMode mode) = 0;
    virtual void close() = 0;
    virtual bool flush() = 0;
    virtual std::streambuf* streamBuf() = 0;
    // What went wrong last, naming the file: "<path>: <platform text>".
    virtual std::string errorText() const = 0;
};

class VirtualFileStreamBuf;

class VirtualFile : public IVirtualFile {
public:
    VirtualFile();
    ~VirtualFile() override;
    VirtualFile(const VirtualFile&) = delete;
    VirtualFile& operator=(const VirtualFile&) = delete;

    std::streambuf* streamBuf() override;
    std::string errorText() const override { return "input/output error"; }
    // Bytes read, 0 at the end of the file, -1 on error.
    virtual int64_t read(char* dst, int32_t maxCount) = 0;
    // Bytes written, -1 on error.
    virtual int64_t write(const char* src, int32_t count) = 0;
    // whence: 0 from the start, 1 from the current position, 2 from the end.
    // Returns 0 on success, -1 on failure (position unchanged).
    virtual int32_t seek(int64_t offset, int32_t whence) = 0;
    virtual int64_t tell() = 0;

private:
    VirtualFileStreamBuf* buf_;
};

// QFile keeps its own write buffer: a write error may only show when it is
// flushed, so writers close through FStream::close(), which checks the flush.
class DiskFile : public VirtualFile {
public:
    explicit DiskFile(const QString& path);
    ~DiskFile() override;

    // A directory is refused in every mode, with the same text on every platform.
    bool open(OpenMode mode) override;
    void close() override;
    bool flush() override;
    std::string errorText() const override;
    int64_t read(char* dst, int32_t maxCount) override;
    int64_t write(const char* src, int32_t count) override;
    int32_t seek(int64_t offset, int32_t whence) override;
    int64_t tell() override;
    // The platform's text for the last failed operation.
    QString errorString() const { return file_.errorString(); }

private:
    std::string describe(const QString& problem) const;

    QFile file_;
};

// Get area of 4096 bytes refilled by one read each; no put area, so every
// write reaches the file at once.
//
// Positions are those of the stream, not of the file: a seek relative to the
// current position counts from the next unread byte, and asking the position
// (a seek by 0 from the current one) neither moves the file nor drops the
// buffered block. Any other successful seek drops the block; a failed seek
// changes nothing.
//
// A failed read throws std::runtime_error with the file's error text, which
// the stream turns into its bad state (or rethrows when armed for it), so a
// read error is never taken for the end of the file.
class VirtualFileStreamBuf : public std::streambuf {
public:
    static constexpr int bufferSize = 4096;
    explicit VirtualFileStreamBuf(VirtualFile* file) : file_(file) {}

protected:
    int_type underflow() override;
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

private:
    VirtualFile* file_;
    char buffer_[bufferSize];
};

// A standard stream over a file it owns. The stream's own file buffer is never
// used: is_open and close below act on the owned file.
class FStream : public std::basic_fstream<char> {
public:
    FStream() = default;
    FStream(const QString& path, OpenMode mode) { open(path, mode); }

    // Throws std::runtime_error "<path>: <platform text>" when the file cannot
    // be opened; the stream then keeps the file it had, if any.
    void open(const QString& path, OpenMode mode);
    // Attaches an already created file (tests hand in counting or failing files).
    void attach(std::unique_ptr<IVirtualFile> file);

    bool is_open() const { return open_; }
    // Flushes and closes the owned file; a failed flush (data that never
    // reached the disk) sets the bad state, closing a stream that is not open
    // the fail state, each throwing when armed. Writers call it: the
    // destructor closes too, but has nobody to tell of a failure.
    void close();
    // The owned file's error text, for messages after a stream failure.
    std::string errorText() const;

private:
    std::unique_ptr<IVirtualFile> file_;
    bool open_ = false;
};

// The local 8-bit form of a platform string, for messages.
std::string toLocal8(const QString& s);

} // namespace Voxmill
