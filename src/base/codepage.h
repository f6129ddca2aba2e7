#pragma once
// Multibyte-aware helpers for 8-bit text in a (possibly double-byte) code page.
// A trail byte is never taken for a separator, and only ASCII letters change case.

#include <array>
#include <bitset>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace fh {

class CodePage {
public:
    // A single-byte code page: no lead bytes.
    CodePage();
    explicit CodePage(const std::array<bool, 256>& leadBytes);

    // Lead-byte tables of the code pages the program meets most.
    static CodePage Korean();    // 949
    static CodePage Japanese();  // 932

    bool IsLeadByte(unsigned char c) const { return m_lead[c]; }

    // Which lead and trail byte pairs the code page maps to a character; a
    // table taken from the platform's converter, since the lead-byte table
    // alone accepts pairs the conversion refuses. Without one, every pair is.
    void SetPairTest(const std::function<bool(unsigned char lead, unsigned char trail)>& accepts);
    bool IsValidPair(unsigned char lead, unsigned char trail) const;

    // The code page's bytes for the superscript digits 1, 2 and 3 (empty
    // where it has none): Windows reserves "COM\u00B9" and the like as devices.
    void SetSuperscriptDigits(const std::array<std::string, 3>& digits) { m_superscripts = digits; }
    const std::array<std::string, 3>& SuperscriptDigits() const { return m_superscripts; }

    // Bytes taken by the character at offset i: 2 for a lead byte followed by
    // a byte that can be a trail byte (0x40 or above), 1 otherwise (a lead
    // byte at the very end, or before a lower byte, stands alone).
    std::size_t CharLength(std::string_view s, std::size_t i) const;

    // Offset of the first / last character equal to the ASCII byte c, or npos.
    // A search starts at `from`, which must be a character boundary.
    std::size_t Find(std::string_view s, char c, std::size_t from = 0) const;
    std::size_t FindLast(std::string_view s, char c) const;
    // Offset of the first occurrence of needle starting at a character boundary.
    std::size_t FindText(std::string_view s, std::string_view needle, std::size_t from = 0) const;

    std::string ToLower(std::string_view s) const;
    std::string ToUpper(std::string_view s) const;
    bool EqualNoCase(std::string_view a, std::string_view b) const;
    bool StartsWithNoCase(std::string_view s, std::string_view prefix) const;

private:
    std::string MapCase(std::string_view s, bool upper) const;
    std::array<bool, 256> m_lead{};
    std::shared_ptr<const std::bitset<65536>> m_pairs;
    std::array<std::string, 3> m_superscripts;
};

// The code page the platform layer found at start; single-byte until it is set.
const CodePage& SystemCodePage();
void SetSystemCodePage(const CodePage& cp);

// True for a file name that Windows takes for a device whatever folder it is
// in ("CON", "com1.swf", "LPT3 .htm", "CONOUT$", "COM\u00B9"): such a name is
// never opened or written as a file.
bool IsDeviceName(std::string_view name, const CodePage& cp);

}  // namespace fh
