#pragma once
// Bytes as lowercase hexadecimal digits, two per byte, the way archives and
// checksum lists write digests.

#include <string>
#include <string_view>

namespace fh {

inline std::string LowerHex(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 0xF];
    }
    return out;
}

}  // namespace fh
