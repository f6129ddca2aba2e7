#include "avm1/avm1_utf16.h"

#include <cstdint>

#include "base/utf8.h"

namespace fh::avm1 {

namespace {

bool IsTrail(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes the character at text[i]: its code point (a surrogate stays one),
// and the bytes it takes in `length`. A byte that starts no valid sequence
// is a Latin-1 character of its own.
std::uint32_t Decode(const std::string& text, std::size_t i, std::size_t& length) {
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    std::size_t left = text.size() - i;
    unsigned char b = at(i);
    length = 1;
    if (b < 0x80) return b;
    if (b >= 0xC2 && b <= 0xDF && left >= 2 && IsTrail(at(i + 1))) {
        length = 2;
        return (b & 0x1Fu) << 6 | (at(i + 1) & 0x3Fu);
    }
    if (b >= 0xE0 && b <= 0xEF && left >= 3 && IsTrail(at(i + 1)) && IsTrail(at(i + 2)) &&
        (b != 0xE0 || at(i + 1) >= 0xA0)) {
        length = 3;
        return (b & 0x0Fu) << 12 | (at(i + 1) & 0x3Fu) << 6 | (at(i + 2) & 0x3Fu);
    }
    if (b >= 0xF0 && b <= 0xF4 && left >= 4 && IsTrail(at(i + 1)) && IsTrail(at(i + 2)) && IsTrail(at(i + 3)) &&
        (b != 0xF0 || at(i + 1) >= 0x90) && (b != 0xF4 || at(i + 1) <= 0x8F)) {
        length = 4;
        return (b & 0x07u) << 18 | (at(i + 1) & 0x3Fu) << 12 | (at(i + 2) & 0x3Fu) << 6 | (at(i + 3) & 0x3Fu);
    }
    return b;
}

}  // namespace

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        std::uint32_t c = Decode(text, i, length);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string Utf16ToUtf8(const char16_t* units, std::size_t count) {
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
            ++i;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::size_t Utf16Length(const std::string& text) {
    std::size_t units = 0;
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) units += Decode(text, i, length) >= 0x10000 ? 2 : 1;
    return units;
}

char16_t LowerUnit(char16_t c) {
    auto shift = [](char16_t u, int by) { return static_cast<char16_t>(u + by); };
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? shift(c, 32) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return shift(c, 32);
    if (c == 0x130) return 'i';
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c % 2 == 0 ? shift(c, 1) : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 1 ? shift(c, 1) : c;
    if (c == 0x178) return 0xFF;
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return shift(c, 37);
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return shift(c, 63);
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return shift(c, 32);
    if (c >= 0x400 && c <= 0x40F) return shift(c, 80);
    if (c >= 0x410 && c <= 0x42F) return shift(c, 32);
    if (c >= 0xFF21 && c <= 0xFF3A) return shift(c, 32);
    return c;
}

char16_t UpperUnit(char16_t c) {
    auto shift = [](char16_t u, int by) { return static_cast<char16_t>(u - by); };
    if (c < 0x80) return c >= 'a' && c <= 'z' ? shift(c, 32) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return shift(c, 32);
    if (c == 0xFF) return 0x178;
    if (c == 0x131) return 'I';
    if ((c >= 0x101 && c <= 0x137) || (c >= 0x14B && c <= 0x177)) return c % 2 == 1 ? shift(c, 1) : c;
    if ((c >= 0x13A && c <= 0x148) || (c >= 0x17A && c <= 0x17E)) return c % 2 == 0 ? shift(c, 1) : c;
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return shift(c, 37);
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return shift(c, 63);
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3C9) return shift(c, 32);
    if (c >= 0x430 && c <= 0x44F) return shift(c, 32);
    if (c >= 0x450 && c <= 0x45F) return shift(c, 80);
    if (c >= 0xFF41 && c <= 0xFF5A) return shift(c, 32);
    return c;
}

}  // namespace fh::avm1
