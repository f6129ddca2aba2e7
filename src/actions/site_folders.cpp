#include "actions/site_folders.h"

#include <cstdint>
#include <cstring>

#include "actions/save_names.h"
#include "discovery/swf_names.h"

namespace fh {

namespace {

constexpr std::size_t npos = std::string_view::npos;
// A folder name of its own stays well inside the limits of every file system.
constexpr std::size_t kMaxPart = 100;
constexpr std::size_t kMaxHost = 40;

bool IsRefused(unsigned char c) { return c < 0x20 || c == 0x7F || std::strchr("<>:\"/\\|?*", c) != nullptr; }

bool IsUnreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%2e" and the like stand for the character itself: decoded, so that "."
// and ".." segments are seen as what they are. Other escapes stay as written.
std::string DecodeUnreserved(std::string_view s, const CodePage& cp) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = cp.CharLength(s, i);
        if (n == 1 && s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            const char c = static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            if (IsUnreserved(c)) {
                out += c;
                i += 3;
                continue;
            }
        }
        out.append(s, i, n);
        i += n;
    }
    return out;
}

// At most `limit` bytes, never half a character.
std::string CutToBytes(std::string_view s, std::size_t limit, const CodePage& cp) {
    std::size_t end = 0;
    while (end < s.size()) {
        const std::size_t n = cp.CharLength(s, end);
        if (end + n > limit) break;
        end += n;
    }
    return std::string(s.substr(0, end));
}

std::string Hex8(std::uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return out;
}

std::uint32_t Fnv1a(std::string_view s) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

// The pieces of the address's path, split at "/" and "\" outside characters.
std::vector<std::string> PathSegments(std::string_view url, const CodePage& cp) {
    std::vector<std::string> segments;
    const std::size_t scheme = cp.FindText(url, "://");
    if (scheme == npos) return segments;
    std::size_t start = npos, end = url.size();
    for (std::size_t i = scheme + 3; i < url.size(); i += cp.CharLength(url, i)) {
        const char c = url[i];
        if (cp.CharLength(url, i) != 1) continue;
        if (c == '?' || c == '#') {
            end = i;
            break;
        }
        if (start == npos && (c == '/' || c == '\\')) start = i;
    }
    if (start == npos || start >= end) return segments;
    std::string current;
    for (std::size_t i = start + 1; i < end;) {
        const std::size_t n = cp.CharLength(url, i);
        if (n == 1 && (url[i] == '/' || url[i] == '\\')) {
            segments.push_back(current);
            current.clear();
        } else {
            current.append(url, i, n);
        }
        i += n;
    }
    segments.push_back(current);
    return segments;
}

bool EndsWithSeparator(std::string_view path, const CodePage& cp) {
    return !path.empty() && cp.FindLast(path, '\\') == path.size() - 1;
}

}  // namespace

std::string SafeNamePart(std::string_view part, const CodePage& cp) {
    std::string out;
    for (std::size_t i = 0; i < part.size();) {
        const std::size_t n = cp.CharLength(part, i);
        const unsigned char c = static_cast<unsigned char>(part[i]);
        if (n == 2) {
            // A trail byte that is a separator or below "@" would be read as
            // a character of its own by a code page that refuses the pair.
            const unsigned char trail = static_cast<unsigned char>(part[i + 1]);
            if (trail < 0x40 || trail == '\\' || trail == '|' || trail == 0x7F) {
                out += '_';
                i += 1;
                continue;
            }
            // A pair the code page cannot convert makes the whole name invalid.
            out += cp.IsValidPair(c, trail) ? std::string(part.substr(i, 2)) : std::string("_");
        } else {
            out += cp.IsLeadByte(c) || IsRefused(c) ? '_' : static_cast<char>(c);
        }
        i += n;
    }
    out = CutToBytes(out, kMaxPart, cp);
    // Windows drops trailing dots and spaces, which would merge names.
    for (std::size_t j = out.size(); j > 0 && (out[j - 1] == '.' || out[j - 1] == ' '); --j) out[j - 1] = '_';
    if (out.empty()) out = "_";
    if (IsDeviceName(out, cp)) out.insert(out.begin(), '_');
    return out;
}

SitePath BuildSitePath(std::string_view saveFolder, std::string_view url, std::string_view fallbackName,
                       std::string_view unclassified, const CodePage& cp) {
    SitePath result;
    std::string root(saveFolder);
    while (EndsWithSeparator(root, cp)) root.pop_back();

    std::vector<std::string> folders;
    std::string name(fallbackName);
    const std::string site = GetSiteFromUrl(url, cp);
    if (site.empty()) {
        folders.push_back(SafeNamePart(unclassified, cp));
    } else {
        folders.push_back(SafeNamePart(site, cp));
        std::vector<std::string> segments = PathSegments(url, cp);
        for (std::string& segment : segments) segment = DecodeUnreserved(segment, cp);
        if (!segments.empty()) {
            const std::string last = segments.back();
            if (!last.empty() && last != "." && last != "..") {
                segments.pop_back();
                name = EndsWithSwf(last, cp) ? last.substr(0, last.size() - 4) : last;
                if (name.empty()) name = std::string(fallbackName);
            }
        }
        // "." stays, ".." goes up, but never above the host.
        std::vector<std::string> resolved;
        for (const std::string& segment : segments) {
            if (segment.empty() || segment == ".") continue;
            if (segment == "..") {
                if (!resolved.empty()) resolved.pop_back();
                continue;
            }
            resolved.push_back(SafeNamePart(segment, cp));
        }
        folders.insert(folders.end(), resolved.begin(), resolved.end());
    }
    std::string base = SafeNamePart(name, cp);

    auto folderLength = [&] {
        std::size_t length = root.size();
        for (const std::string& f : folders) length += 1 + f.size();
        return length;
    };
    auto fileLength = [&] { return folderLength() + 1 + base.size() + kCounterRoom + 4; };
    if ((folderLength() > kMaxSaveFolder || fileLength() > kMaxSavePath) && folders.size() > 1) {
        std::string chain;
        for (std::size_t i = 1; i < folders.size(); ++i) chain += folders[i] + "\\";
        folders.resize(1);
        folders.push_back("~" + Hex8(Fnv1a(chain)));
    }
    if ((folderLength() > kMaxSaveFolder || fileLength() > kMaxSavePath) && folders[0].size() > kMaxHost)
        folders[0] = SafeNamePart(CutToBytes(folders[0], kMaxHost - 9, cp), cp) + "~" + Hex8(Fnv1a(folders[0]));
    if (folderLength() > kMaxSaveFolder || folderLength() + 1 + 1 + kCounterRoom + 4 > kMaxSavePath) return result;
    const std::size_t room = kMaxSavePath - folderLength() - 1 - kCounterRoom - 4;
    if (base.size() > room) base = SafeNamePart(CutToBytes(base, room - 1, cp), cp);
    if (base.size() > room) base = "_";

    result.ok = true;
    result.root = root;
    result.folders = folders;
    result.folder = root;
    for (const std::string& f : folders) result.folder += "\\" + f;
    result.base = base;
    return result;
}

}  // namespace fh
