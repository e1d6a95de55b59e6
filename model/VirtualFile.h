#pragma once
// The file layer every file of the program goes through: an abstract file,
// its disk implementation over QFile, and a stream buffer that lets standard
// streams read and write through it.

#include <cstdint>
#include <fstream>
#include <memory>
#include <streambuf>

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
    // Returns true on success; throws std::runtime_error with the platform's text on failure.
    virtual bool open(OpenMode mode) = 0;
    virtual void close() = 0;
    virtual bool flush() = 0;
    virtual std::streambuf* streamBuf() = 0;
};

class VirtualFileStreamBuf;

class VirtualFile : public IVirtualFile {
public:
    VirtualFile();
    ~VirtualFile() override;
    VirtualFile(const VirtualFile&) = delete;
    VirtualFile& operator=(const VirtualFile&) = delete;

    std::streambuf* streamBuf() override;
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

class DiskFile : public VirtualFile {
public:
    explicit DiskFile(const QString& path);
    ~DiskFile() override;

    bool open(OpenMode mode) override;
    void close() override;
    bool flush() override;
    int64_t read(char* dst, int32_t maxCount) override;
    int64_t write(const char* src, int32_t count) override;
    int32_t seek(int64_t offset, int32_t whence) override;
    int64_t tell() override;

private:
    QFile file_;
};

// Get area of 4096 bytes refilled by one read each; no put area, so every
// write reaches the file at once. A seek drops whatever is buffered.
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

// A standard stream over a DiskFile it owns.
class FStream : public std::basic_fstream<char> {
public:
    FStream() = default;
    FStream(const QString& path, OpenMode mode) { open(path, mode); }
    ~FStream() override;

    // Throws std::runtime_error with the platform's text when the file cannot be opened.
    void open(const QString& path, OpenMode mode);
    // Attaches an already created file (tests hand in counting or failing files).
    void attach(std::unique_ptr<IVirtualFile> file);

private:
    std::unique_ptr<IVirtualFile> file_;
};

// The local 8-bit form of a platform string, for messages.
std::string toLocal8(const QString& s);

} // namespace Voxmill
