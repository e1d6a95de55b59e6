// STL in its ASCII and binary forms.

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "base/VirtualFile.h"
#include "model/LittleEndian.h"
#include "model/MeshReaders.h"

namespace Voxmill {

namespace {

[[noreturn]] void stlFailed() { throw std::runtime_error("read stl failed!"); }

// ---- ASCII ----

enum class line_t { text, skipped, end };

// One line of at most 1023 characters, newline removed. A longer line is
// skipped whole. The end of the file or a hard error ends the walk; the line
// that such a read delivers is not examined.
line_t nextLine(std::istream& in, char (&buf)[1024]) {
    in.getline(buf, sizeof buf);
    if (in.eof() || in.bad()) return line_t::end;
    if (in.fail()) {
        in.clear();
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        return line_t::skipped;
    }
    return line_t::text;
}

bool isVertexLine(const char* line) { return std::strstr(line, "vertex") != nullptr; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

const char* skipSpace(const char* s) {
    while (isSpace(*s)) ++s;
    return s;
}

// One number as "%f" reads it. Parsed without the C locale, which the platform
// library sets to the user's at start-up and which may want a decimal comma.
const char* parseNumber(const char* s, float& value) {
    s = skipSpace(s);
    if (*s == '+' && s[1] != '-') ++s;
    const char* end = s + std::strlen(s);
    std::from_chars_result r = std::from_chars(s, end, value);
    if (r.ec == std::errc::result_out_of_range) {
        // Tiny magnitudes become zero; huge ones infinity, which quantise
        // rejects as out of range.
        double wide = 0;
        r = std::from_chars(s, end, wide);
        const double limit = std::numeric_limits<float>::max();
        value = wide > limit ? HUGE_VALF : wide < -limit ? -HUGE_VALF : float(wide);
    }
    return r.ec == std::errc() ? r.ptr : nullptr;
}

// "%*s %f %f %f": skip the first word, then three numbers; all must convert.
bool parseVertexLine(const char* line, float (&xyz)[3]) {
    const char* s = skipSpace(line);
    if (*s == '\0') return false;
    while (*s != '\0' && !isSpace(*s)) ++s;
    for (float& c : xyz) {
        s = parseNumber(s, c);
        if (s == nullptr) return false;
    }
    return true;
}

size_t countVertexLines(std::istream& in) {
    in.clear();
    in.seekg(0);
    char buf[1024];
    size_t count = 0;
    for (line_t t; (t = nextLine(in, buf)) != line_t::end;)
        if (t == line_t::text && isVertexLine(buf)) ++count;
    return count;
}

std::vector<MeshVertex> readAsciiSoup(std::istream& in) {
    std::vector<MeshVertex> soup(countVertexLines(in));
    if (soup.empty()) return soup;
    in.clear();
    in.seekg(0);
    char buf[1024];
    size_t filled = 0;
    while (filled < soup.size()) {
        const line_t t = nextLine(in, buf);
        if (t == line_t::end) stlFailed();
        if (t == line_t::skipped || !isVertexLine(buf)) continue;
        float xyz[3];
        if (!parseVertexLine(buf, xyz)) stlFailed();
        soup[filled++] = {quantise(xyz[0]), quantise(xyz[1]), quantise(xyz[2])};
    }
    return soup;
}

// ---- binary ----

constexpr size_t headerBytes = 84;
constexpr size_t recordBytes = 50;

int64_t fileSize(std::istream& in) {
    in.clear();
    in.seekg(0, std::ios::end);
    const int64_t size = int64_t(in.tellg());
    if (in.fail() || size < 0) stlFailed();
    return size;
}

uint32_t readTriangleCount(std::istream& in) {
    in.clear();
    in.seekg(80);
    unsigned char b[4];
    in.read(reinterpret_cast<char*>(b), 4);
    if (in.fail()) stlFailed();
    return loadU32(b);
}

std::vector<MeshVertex> readBinarySoup(std::istream& in) {
    const int64_t size = fileSize(in);
    const uint32_t count = readTriangleCount(in);
    // A count the file does not back fails before anything is sized by it;
    // this also keeps three times the count within 32 bits.
    if (uint64_t(count) * recordBytes > uint64_t(size) - headerBytes) stlFailed();
    std::vector<MeshVertex> soup(size_t(count) * 3);
    constexpr size_t blockRecords = 1024;
    char block[blockRecords * recordBytes];
    for (size_t t = 0; t < count;) {
        const size_t n = std::min<size_t>(blockRecords, count - t);
        in.read(block, std::streamsize(n * recordBytes));
        if (in.fail()) stlFailed();
        // Skip each record's normal (12 bytes) and attribute count (2 bytes).
        for (size_t r = 0; r < n; ++r, ++t) {
            const unsigned char* p = reinterpret_cast<const unsigned char*>(block) + r * recordBytes + 12;
            for (size_t c = 0; c < 3; ++c, p += 12)
                soup[3 * t + c] = {quantise(loadF32(p)), quantise(loadF32(p + 4)), quantise(loadF32(p + 8))};
        }
    }
    return soup;
}

// The file is ASCII when its first 256 bytes hold no zero byte.
bool isAscii(std::istream& in) {
    in.clear();
    in.seekg(0);
    char head[256];
    in.read(head, sizeof head);
    if (!in.good()) stlFailed();
    return std::memchr(head, 0, sizeof head) == nullptr;
}

} // namespace

std::vector<MeshVertex> readStlSoup(const QString& path) {
    // The stream is not armed: every read is checked by hand.
    FStream in(path, openRead);
    return isAscii(in) ? readAsciiSoup(in) : readBinarySoup(in);
}

std::unique_ptr<TriMesh> readStl(const QString& path) {
    std::vector<MeshVertex> vertices = readStlSoup(path);
    std::shared_ptr<const TriMeshIdx> index = TriMeshIdx::fromSoup(vertices);
    return std::make_unique<TriMesh>(std::move(vertices), std::move(index));
}

} // namespace Voxmill
