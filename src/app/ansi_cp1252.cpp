// Native stand-in for the system ANSI code page: Windows-1252.
#include "app/ansi.h"

#include <cstdint>

namespace diag {

namespace {

// 0x80..0x9F; 0 marks the five bytes Windows-1252 leaves undefined (mapped to U+FFFD).
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

char toCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] != 0 && kHigh[i] == c) return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string ansiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char ch : ansi) {
        auto b = static_cast<uint8_t>(ch);
        char32_t c = b;
        if (b >= 0x80 && b < 0xA0) c = kHigh[b - 0x80] ? kHigh[b - 0x80] : 0xFFFD;
        appendUtf8(out, c);
    }
    return out;
}

std::string utf8ToAnsi(std::string_view utf8) {
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        auto b = static_cast<uint8_t>(utf8[i]);
        size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        bool valid = len != 0 && i + len <= utf8.size();
        for (size_t k = 1; valid && k < len; ++k) {
            auto cont = static_cast<uint8_t>(utf8[i + k]);
            if ((cont >> 6) != 2) valid = false;
            c = (c << 6) | (cont & 0x3F);
        }
        if (!valid) {
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(toCp1252(c));
        i += len;
    }
    return out;
}

} // namespace diag
