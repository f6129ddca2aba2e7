#include "base/codepage.h"

namespace fh {

namespace {

std::array<bool, 256> LeadRanges(std::initializer_list<std::pair<int, int>> ranges) {
    std::array<bool, 256> lead{};
    for (const auto& r : ranges)
        for (int b = r.first; b <= r.second; ++b) lead[static_cast<std::size_t>(b)] = true;
    return lead;
}

CodePage& SystemInstance() {
    static CodePage cp;
    return cp;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

CodePage::CodePage() = default;

CodePage::CodePage(const std::array<bool, 256>& leadBytes) : m_lead(leadBytes) {}

CodePage CodePage::Korean() {
    CodePage cp(LeadRanges({{0x81, 0xFE}}));
    cp.SetSuperscriptDigits({"\xA9\xF6", "\xA9\xF7", "\xA9\xF8"});
    return cp;
}

CodePage CodePage::Japanese() { return CodePage(LeadRanges({{0x81, 0x9F}, {0xE0, 0xFC}})); }

void CodePage::SetPairTest(const std::function<bool(unsigned char, unsigned char)>& accepts) {
    auto pairs = std::make_shared<std::bitset<65536>>();
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (!m_lead[lead]) continue;
        for (unsigned trail = 0; trail < 256; ++trail)
            if (accepts(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))) pairs->set(lead * 256 + trail);
    }
    m_pairs = std::move(pairs);
}

bool CodePage::IsValidPair(unsigned char lead, unsigned char trail) const {
    return !m_pairs || m_pairs->test(static_cast<std::size_t>(lead) * 256 + trail);
}

std::size_t CodePage::CharLength(std::string_view s, std::size_t i) const {
    // No ANSI code page has a trail byte below "@": a lead byte before a
    // separator, a quote or an angle bracket stands alone, so it can never
    // hide markup or a path separator from the text around it.
    if (i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i])) && static_cast<unsigned char>(s[i + 1]) >= 0x40)
        return 2;
    return 1;
}

std::size_t CodePage::Find(std::string_view s, char c, std::size_t from) const {
    for (std::size_t i = from; i < s.size(); i += CharLength(s, i))
        if (s[i] == c) return i;
    return std::string_view::npos;
}

std::size_t CodePage::FindLast(std::string_view s, char c) const {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i))
        if (s[i] == c) found = i;
    return found;
}

std::size_t CodePage::FindText(std::string_view s, std::string_view needle, std::size_t from) const {
    if (needle.empty()) return from <= s.size() ? from : std::string_view::npos;
    for (std::size_t i = from; i < s.size(); i += CharLength(s, i))
        if (s.compare(i, needle.size(), needle) == 0) return i;
    return std::string_view::npos;
}

std::string CodePage::MapCase(std::string_view s, bool upper) const {
    std::string out(s);
    for (std::size_t i = 0; i < out.size();) {
        std::size_t n = CharLength(out, i);
        if (n == 1) out[i] = upper ? AsciiUpper(out[i]) : AsciiLower(out[i]);
        i += n;
    }
    return out;
}

std::string CodePage::ToLower(std::string_view s) const { return MapCase(s, false); }

std::string CodePage::ToUpper(std::string_view s) const { return MapCase(s, true); }

bool CodePage::EqualNoCase(std::string_view a, std::string_view b) const {
    return a.size() == b.size() && ToLower(a) == ToLower(b);
}

bool CodePage::StartsWithNoCase(std::string_view s, std::string_view prefix) const {
    if (prefix.size() > s.size()) return false;
    // Cut at a character boundary so a lead byte is never split from its trail.
    std::size_t end = 0;
    while (end < prefix.size()) end += CharLength(s, end);
    if (end != prefix.size()) return false;
    return ToLower(s.substr(0, end)) == ToLower(prefix);
}

const CodePage& SystemCodePage() { return SystemInstance(); }

void SetSystemCodePage(const CodePage& cp) { SystemInstance() = cp; }

bool IsDeviceName(std::string_view name, const CodePage& cp) {
    std::string stem(name.substr(0, cp.Find(name, '.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    stem = cp.ToLower(stem);
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"};
    for (const char* device : kDevices)
        if (stem == device) return true;
    if (stem.size() < 4 || (stem.compare(0, 3, "com") != 0 && stem.compare(0, 3, "lpt") != 0)) return false;
    const std::string_view number = std::string_view(stem).substr(3);
    if (number.size() == 1 && number[0] >= '0' && number[0] <= '9') return true;
    // Windows reserves the superscript forms too ("COM\u00B9").
    for (const std::string& digit : cp.SuperscriptDigits())
        if (!digit.empty() && number == digit) return true;
    return false;
}

}  // namespace fh
