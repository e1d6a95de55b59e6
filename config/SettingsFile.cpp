#include "config/SettingsFile.h"

#include <charconv>
#include <cstring>
#include <ios>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>

#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include "base/VirtualFile.h"

namespace Voxmill {

namespace {

using boost::property_tree::ptree;
using boost::property_tree::ini_parser::ini_parser_error;

bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

// Skips a run of decimal digits from i; returns how many there were.
size_t skipDigits(const std::string& s, size_t& i) {
    size_t start = i;
    while (i < s.size() && isDigit(s[i])) ++i;
    return i - start;
}

// The whole text is one decimal number: [+-] digits [. digits] [e [+-] digits],
// with at least one digit before or after the point. No blanks, no nan, inf
// or hexadecimal forms, which the library conversions would let through.
bool isDecimalNumber(const std::string& s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = skipDigits(s, i);
    if (i < s.size() && s[i] == '.') {
        ++i;
        digits += skipDigits(s, i);
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (skipDigits(s, i) == 0) return false;
    }
    return i == s.size();
}

// Locale-independent and correctly rounded; a number beyond the float range
// does not convert.
bool parseFloat(const std::string& s, float& out) {
    if (!isDecimalNumber(s)) return false;
    // from_chars takes no leading "+".
    const char* first = s.data() + (s[0] == '+' ? 1 : 0);
    float v;
    auto r = std::from_chars(first, s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    out = v;
    return true;
}

// [+-] decimal digits, within 32 bits.
bool parseInt(const std::string& s, int32_t& out) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (!isDigit(s[i])) return false;
        v = v * 10 + (s[i] - '0');
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) return false;
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<int32_t>::max()) return false;
    out = static_cast<int32_t>(v);
    return true;
}

// The value begins with the word, lower case.
bool parseBool(const std::string& s, bool& out) {
    if (s.compare(0, 4, "true") == 0)
        out = true;
    else if (s.compare(0, 5, "false") == 0)
        out = false;
    else
        return false;
    return true;
}

// "a,b,c": every element an int, no blanks, no empty element. Any fault
// rejects the whole list.
bool parseIntList(const std::string& s, std::vector<int32_t>& out) {
    std::vector<int32_t> list;
    size_t start = 0;
    for (;;) {
        size_t comma = s.find(',', start);
        size_t end = comma == std::string::npos ? s.size() : comma;
        int32_t v;
        if (!parseInt(s.substr(start, end - start), v)) return false;
        list.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    out = std::move(list);
    return true;
}

// Stores each key's value when present and convertible; the field keeps its
// default otherwise.
struct ApplyVisitor {
    const ptree& tree;

    const std::string* text(const char* section, const char* name) const {
        auto sec = tree.find(section);
        if (sec == tree.not_found()) return nullptr;
        auto key = sec->second.find(name);
        if (key == sec->second.not_found()) return nullptr;
        return &key->second.data();
    }

    void operator()(const FloatKey& k, float& v) const {
        if (auto t = text(k.section, k.name)) parseFloat(*t, v);
    }
    void operator()(const IntKey& k, int32_t& v) const {
        if (auto t = text(k.section, k.name)) parseInt(*t, v);
    }
    void operator()(const BoolKey& k, bool& v) const {
        if (auto t = text(k.section, k.name)) parseBool(*t, v);
    }
    void operator()(const FillKey& k, FillType& v) const {
        if (auto t = text(k.section, k.name)) fillTypeFromWord(*t, v);
    }
    void operator()(const IntListKey& k, std::vector<int32_t>& v) const {
        if (auto t = text(k.section, k.name)) parseIntList(*t, v);
    }
};

// The whole stream as text. Only the bad state is armed: the end of the text
// is no error, but a read error escapes with the file's own message. A
// settings file saved by some Windows editors starts with a UTF-8 byte order
// mark, which would otherwise spoil its first line.
std::string readAll(std::istream& in) {
    in.exceptions(std::ios_base::badbit);
    std::string text;
    char block[4096];
    while (in.read(block, sizeof block) || in.gcount() > 0) text.append(block, size_t(in.gcount()));
    static const char bom[] = "\xEF\xBB\xBF";
    if (text.compare(0, 3, bom) == 0) text.erase(0, 3);
    return text;
}

// Parses everything before anything is applied, so a syntax error leaves c
// as it was.
void readSettingsNamed(std::istream& in, const std::string& fileName, SliceConfig& c) {
    std::istringstream text(readAll(in));
    ptree tree;
    try {
        boost::property_tree::ini_parser::read_ini(text, tree);
    } catch (const ini_parser_error& e) {
        throw ini_parser_error(e.message(), fileName, e.line());
    }
    c.resetToDefaults();
    visitSettings(c, ApplyVisitor{tree});
    c.normalise();
}

// "[section]" before the first key of every section, with an empty line
// between sections, then "key = value" lines.
class TextVisitor {
public:
    TextVisitor() { out_.imbue(std::locale::classic()); }
    std::string text() const { return out_.str(); }

    // Floats in the default notation with 6 significant digits.
    void operator()(const FloatKey& k, float v) { line(k.section, k.name) << v << '\n'; }
    void operator()(const IntKey& k, int32_t v) { line(k.section, k.name) << v << '\n'; }
    void operator()(const BoolKey& k, bool v) { line(k.section, k.name) << (v ? "true" : "false") << '\n'; }
    void operator()(const FillKey& k, FillType v) { line(k.section, k.name) << fillTypeWord(v) << '\n'; }
    void operator()(const IntListKey& k, const std::vector<int32_t>& v) {
        std::ostream& out = line(k.section, k.name);
        for (size_t i = 0; i < v.size(); ++i) out << (i ? "," : "") << v[i];
        out << '\n';
    }

private:
    std::ostream& line(const char* section, const char* name) {
        if (!section_ || std::strcmp(section_, section) != 0) {
            if (section_) out_ << '\n';
            out_ << '[' << section << "]\n";
            section_ = section;
        }
        return out_ << name << " = ";
    }

    std::ostringstream out_;
    const char* section_ = nullptr;
};

} // namespace

void readSettings(const QString& path, SliceConfig& c) {
    FStream in(path, openRead);
    readSettingsNamed(in, toLocal8(path), c);
}

void readSettings(std::istream& in, SliceConfig& c) { readSettingsNamed(in, std::string(), c); }

void writeSettings(const QString& path, const SliceConfig& c) {
    SliceConfig normalised = c;
    normalised.normalise();
    TextVisitor text;
    visitSettings(static_cast<const SliceConfig&>(normalised), text);
    const std::string bytes = text.text();

    FStream out(path, openWrite);
    out.exceptions(std::ios_base::badbit | std::ios_base::failbit);
    try {
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
    } catch (const std::ios_base::failure&) {
        throw std::runtime_error(out.errorText());
    }
}

} // namespace Voxmill
