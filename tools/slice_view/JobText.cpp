#include "tools/slice_view/JobText.h"

#include <locale>
#include <sstream>

#include <QFile>
#include <QRegularExpression>

namespace Voxmill {

namespace {

// The lines of a small text file; false when it cannot be read.
bool readLines(const QString& path, QStringList& lines) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    lines = QString::fromUtf8(f.readAll()).split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return true;
}

} // namespace

WaitTimes readWaitTimes(const QString& dir) {
    WaitTimes w;
    QStringList lines;
    w.present = readLines(dir + "/waitTime", lines);
    const QRegularExpression line("^waitXTimeout(0|[1-9][0-9]*) = (0|[1-9][0-9]{0,8})$");
    for (const QString& text : lines) {
        const auto m = line.match(text);
        if (!m.hasMatch() || m.captured(1).toInt() != w.layers) {
            w.fault = "line " + std::to_string(w.layers + 1) + ": expected waitXTimeout" +
                      std::to_string(w.layers) + " = <ms>";
            break;
        }
        w.totalMs += m.captured(2).toLongLong();
        ++w.layers;
    }
    return w;
}

std::vector<int32_t> readAreaInfo(const QString& dir) {
    QStringList lines;
    if (!readLines(dir + "/areaInfo", lines) || lines.isEmpty() || lines[0] != "[general]") return {};
    std::vector<int32_t> counts;
    for (int i = 1; i < lines.size(); ++i) {
        const auto m = QRegularExpression("^layerCntArea(\\d+) = (\\d{1,9})$").match(lines[i]);
        if (!m.hasMatch() || m.captured(1).toInt() != i) return {};
        counts.push_back(m.captured(2).toInt());
    }
    return counts;
}

namespace {

// Compares every field with its key's default; values in the notation of the
// settings file (floats with 6 significant digits).
class ChangeVisitor {
public:
    std::vector<SettingChange> changes;

    void operator()(const FloatKey& k, float v) { compare(k, v, k.def); }
    void operator()(const IntKey& k, int32_t v) { compare(k, v, k.def); }
    void operator()(const BoolKey& k, bool v) { compare(k, v, k.def); }
    void operator()(const FillKey& k, FillType v) {
        if (v != k.def) changes.push_back({key(k), fillTypeWord(v), fillTypeWord(k.def)});
    }
    void operator()(const IntListKey& k, const std::vector<int32_t>& v) {
        if (v != k.def) changes.push_back({key(k), list(v), list(k.def)});
    }

private:
    template <class Key> static std::string key(const Key& k) {
        return std::string(k.section) + "." + k.name;
    }
    template <class T> static std::string text(T v) {
        std::ostringstream out;
        out.imbue(std::locale::classic());
        out << std::boolalpha << v;
        return out.str();
    }
    static std::string list(const std::vector<int32_t>& v) {
        std::string s;
        for (size_t i = 0; i < v.size(); ++i) s += (i ? "," : "") + std::to_string(v[i]);
        return s;
    }
    template <class Key, class T> void compare(const Key& k, T v, T def) {
        if (v != def) changes.push_back({key(k), text(v), text(def)});
    }
};

} // namespace

std::vector<SettingChange> changedSettings(const SliceConfig& c) {
    ChangeVisitor visitor;
    visitSettings(c, visitor);
    return visitor.changes;
}

} // namespace Voxmill
