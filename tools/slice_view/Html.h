#pragma once
// Text made safe for an HTML page and for JSON inside a script element, and
// printf into a string.

#include <cstdio>
#include <string>

namespace Voxmill {

inline std::string htmlText(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A JSON string; '<' is escaped so that no "</script>" can end the element.
inline std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '<' || (unsigned char)c < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", unsigned((unsigned char)c));
            out += code;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// printf into a string of any length.
template <class... Values> std::string formatted(const char* fmt, Values... values) {
    const int n = std::snprintf(nullptr, 0, fmt, values...);
    std::string text(size_t(n > 0 ? n : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, fmt, values...);
    return text;
}

} // namespace Voxmill
