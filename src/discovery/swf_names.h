#pragma once
// Naming rules of the entry list: display names from paths, sites from
// addresses, size texts, and the small path-text helpers the loaders share.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "base/codepage.h"

namespace fh {

// The file name without IE's bracketed copy number or the extension; "flash"
// when nothing is left.
std::string GetDisplayName(std::string_view path, const CodePage& cp);

// The host of an absolute address ("scheme://[user[:pass]@]host[:port]/..."),
// without a leading "www."; empty when the address cannot be split.
std::string GetSiteFromUrl(std::string_view url, const CodePage& cp);

// Decimal digits grouped by threes with single spaces ("1 234 567").
std::string FormatSizeText(std::uint64_t size);

// A UTC time as "%a, %d %b %Y %H:%M:%S GMT" with English names.
std::string FormatHttpDate(std::int64_t secondsSince1970);

// Firefox cache files have no names of their own: flash001, flash002, ...
std::string FirefoxName(int number);

// True for the first bytes of a plain ("FWS") or compressed ("CWS") movie,
// in any letter case.
bool HasSwfSignature(const unsigned char* bytes, std::size_t length);

// Removes every backslash from both ends.
std::string TrimBackslashes(std::string_view text, const CodePage& cp);

// The folder that a double-click on a folder row leads to: up one level for
// "..", into the row's folder otherwise. Drive roots keep their backslash.
std::string NavigateFolder(std::string_view currentFolder, std::string_view rowPath, std::string_view rowName,
                           const CodePage& cp);

// Texts (paths, hosts) compared without regard to letter case, in constant
// time each.
class NoCaseTextSet {
public:
    explicit NoCaseTextSet(const CodePage& cp) : m_cp(cp) {}
    void Add(std::string_view path) { m_paths.insert(m_cp.ToLower(path)); }
    bool Contains(std::string_view path) const { return m_paths.count(m_cp.ToLower(path)) != 0; }

private:
    const CodePage& m_cp;
    std::unordered_set<std::string> m_paths;
};

}  // namespace fh
