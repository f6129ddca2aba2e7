#pragma once
// What the fuzz targets share: the input as text, cut into parts, and a
// check that stops the run with a message when a property fails.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fh::fuzz {

inline std::string Text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The text cut at every `separator` byte.
inline std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator) parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

inline void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

}  // namespace fh::fuzz
