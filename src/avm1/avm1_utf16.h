#pragma once
// Script strings are UTF-8, but the players index them by UTF-16 code unit:
// charAt, indexOf, substr and the rest convert through these. Bytes that are
// not UTF-8 read as Latin-1 characters, and a lone surrogate keeps its own
// three-byte form, so that a pair cut in two and joined back reads as the
// same two units.

#include <cstddef>
#include <string>

namespace fh::avm1 {

std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const char16_t* units, std::size_t count);
inline std::string Utf16ToUtf8(const std::u16string& units) { return Utf16ToUtf8(units.data(), units.size()); }
// How many UTF-16 units the text holds (String's length).
std::size_t Utf16Length(const std::string& text);

// Simple case mapping of one unit: ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and the full-width Latin letters, which covers the movies' text.
char16_t LowerUnit(char16_t c);
char16_t UpperUnit(char16_t c);

}  // namespace fh::avm1
