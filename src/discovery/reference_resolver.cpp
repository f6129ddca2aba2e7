#include "discovery/reference_resolver.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <optional>
#include <unordered_set>

#include "base/codepage.h"

namespace fh {

namespace {

// An address's parts (RFC 3986, 3); the fragment is dropped.
struct UrlParts {
    std::string scheme;
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query;
};

std::size_t SchemeLength(std::string_view s) {
    if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const unsigned char c = s[i];
        if (c == ':') return i;
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

UrlParts Split(std::string_view s) {
    UrlParts u;
    s = s.substr(0, s.find('#'));
    if (const std::size_t n = SchemeLength(s)) {
        u.scheme = std::string(s.substr(0, n));
        s.remove_prefix(n + 1);
    }
    if (s.substr(0, 2) == "//") {
        const std::size_t end = s.find_first_of("/?", 2);
        u.authority = std::string(s.substr(2, end == std::string_view::npos ? std::string_view::npos : end - 2));
        s.remove_prefix(end == std::string_view::npos ? s.size() : end);
    }
    const std::size_t q = s.find('?');
    u.path = std::string(s.substr(0, q));
    if (q != std::string_view::npos) u.query = std::string(s.substr(q + 1));
    return u;
}

// RFC 3986, 5.2.4.
std::string RemoveDotSegments(std::string in) {
    std::string out;
    std::size_t i = 0;
    auto starts = [&](const char* p) { return in.compare(i, std::char_traits<char>::length(p), p) == 0; };
    auto dropLast = [&] {
        const std::size_t slash = out.rfind('/');
        out.erase(slash == std::string::npos ? 0 : slash);
    };
    while (i < in.size()) {
        if (starts("../")) i += 3;
        else if (starts("./")) i += 2;
        else if (starts("/./")) i += 2;
        else if (in.compare(i, std::string::npos, "/.") == 0) in.replace(i, 2, "/");
        else if (starts("/../")) {
            i += 3;
            dropLast();
        } else if (in.compare(i, std::string::npos, "/..") == 0) {
            in.replace(i, 3, "/");
            dropLast();
        } else if (in.compare(i, std::string::npos, ".") == 0 || in.compare(i, std::string::npos, "..") == 0) {
            i = in.size();
        } else {
            const std::size_t next = in.find('/', i + 1);
            const std::size_t end = next == std::string::npos ? in.size() : next;
            out.append(in, i, end - i);
            i = end;
        }
    }
    return out;
}

std::string Join(const UrlParts& u) {
    std::string s;
    if (!u.scheme.empty()) s += u.scheme + ':';
    if (u.authority) s += "//" + *u.authority;
    s += u.path;
    if (u.query) s += '?' + *u.query;
    return s;
}

// The host as sites are compared: no user, no port, ASCII case ignored.
std::string HostOf(const UrlParts& u) {
    if (!u.authority) return std::string();
    std::string_view a = *u.authority;
    if (const std::size_t at = a.rfind('@'); at != std::string_view::npos) a.remove_prefix(at + 1);
    if (const std::size_t colon = a.rfind(':'); colon != std::string_view::npos && a.find(']', colon) == std::string_view::npos)
        a = a.substr(0, colon);
    return CodePage().ToLower(a);
}

// An address as the cache would key it: scheme and host in lower case.
std::string Key(std::string_view address) {
    UrlParts u = Split(address);
    u.scheme = CodePage().ToLower(u.scheme);
    if (u.authority) u.authority = CodePage().ToLower(*u.authority);
    return Join(u);
}

// The path and query after the host.
std::string Rest(const UrlParts& u) { return u.query ? u.path + '?' + *u.query : u.path; }

// The last segment of a path and its query: what a tail lookup starts from.
std::string NameOf(const std::string& rest) {
    const std::size_t q = rest.find('?');
    const std::size_t slash = rest.rfind('/', q == std::string::npos ? std::string::npos : q);
    return rest.substr(slash == std::string::npos ? 0 : slash + 1);
}

std::size_t CommonPrefix(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

}  // namespace

bool IsAbsoluteUrl(std::string_view ref) { return SchemeLength(ref.substr(0, ref.find('#'))) != 0; }

std::string ResolveUrl(std::string_view base, std::string_view ref) {
    const UrlParts r = Split(ref);
    if (!r.scheme.empty()) {
        UrlParts t = r;
        t.path = RemoveDotSegments(t.path);
        return Join(t);
    }
    const UrlParts b = Split(base);
    UrlParts t;
    t.scheme = b.scheme;
    if (r.authority) {
        t.authority = r.authority;
        t.path = RemoveDotSegments(r.path);
        t.query = r.query;
        return Join(t);
    }
    t.authority = b.authority;
    t.query = r.query;
    if (r.path.empty()) {
        t.path = b.path;
    } else if (r.path[0] == '/') {
        t.path = RemoveDotSegments(r.path);
    } else {
        const std::size_t slash = b.path.rfind('/');
        const std::string merged = b.authority && b.path.empty()
                                       ? '/' + r.path
                                       : (slash == std::string::npos ? std::string() : b.path.substr(0, slash + 1)) + r.path;
        t.path = RemoveDotSegments(merged);
    }
    return Join(t);
}

void CachedAddresses::Add(const std::string& address) {
    if (!m_byKey.emplace(Key(address), m_addresses.size()).second) return;
    m_byName[NameOf(Rest(Split(address)))].push_back(m_addresses.size());
    m_addresses.push_back(address);
}

const std::string* CachedAddresses::Find(std::string_view address) const {
    const auto it = m_byKey.find(Key(address));
    return it == m_byKey.end() ? nullptr : &m_addresses[it->second];
}

const std::string* CachedAddresses::FindTail(std::string_view near, std::string_view tail) const {
    if (tail.empty() || tail.back() == '/') return nullptr;
    const auto named = m_byName.find(NameOf(std::string(tail)));
    if (named == m_byName.end()) return nullptr;
    const UrlParts at = Split(near);
    const std::string host = HostOf(at);
    const std::string key = Key(near);
    const std::string* best = nullptr;
    std::size_t bestShared = 0;
    for (const std::size_t i : named->second) {
        const UrlParts u = Split(m_addresses[i]);
        if (HostOf(u) != host) continue;
        const std::string rest = Rest(u);
        // The tail must begin a segment: "evel2.swf" is not "level2.swf".
        if (rest.size() < tail.size() || rest.compare(rest.size() - tail.size(), tail.size(), tail) != 0) continue;
        if (rest.size() > tail.size() && tail[0] != '/' && rest[rest.size() - tail.size() - 1] != '/') continue;
        const std::size_t shared = CommonPrefix(Key(m_addresses[i]), key);
        if (!best || shared > bestShared) {
            best = &m_addresses[i];
            bestShared = shared;
        }
    }
    return best;
}

ResolvedReference ResolveReference(std::string_view movieAddress, std::string_view ref, const CachedAddresses& cached) {
    ResolvedReference r;
    r.address = ResolveUrl(movieAddress, ref);
    if (const std::string* here = cached.Find(r.address)) {
        r.address = *here;
        r.found = ResolvedReference::Found::Here;
        return r;
    }
    if (IsAbsoluteUrl(ref) || Split(ref).authority) return r;
    // The reference's own path, without the steps up and aside that tie it
    // to a page the cache does not know.
    UrlParts tail = Split(ref);
    std::string_view path = tail.path;
    while (true) {
        if (path.substr(0, 3) == "../") path.remove_prefix(3);
        else if (path.substr(0, 2) == "./") path.remove_prefix(2);
        else if (path.substr(0, 1) == "/") path.remove_prefix(1);
        else break;
    }
    tail.path = std::string(path);
    if (const std::string* onSite = cached.FindTail(r.address, Rest(tail))) {
        r.address = *onSite;
        r.found = ResolvedReference::Found::OnSite;
    }
    return r;
}

std::vector<NamedFile> FollowReferences(const std::string& movieAddress, const CachedAddresses& cached,
                                        const NamedTexts& named, const FollowLimits& limits) {
    std::vector<NamedFile> files;
    std::unordered_set<std::string> seen{Key(movieAddress)};
    std::deque<std::pair<std::string, int>> movies{{movieAddress, 0}};
    while (!movies.empty()) {
        const auto [movie, depth] = movies.front();
        movies.pop_front();
        for (const std::string& text : named(movie)) {
            NamedFile file{movie, text, ResolveReference(movie, text, cached), depth + 1};
            if (seen.size() >= limits.maxAddresses) return files;
            if (!seen.insert(Key(file.resolved.address)).second) continue;
            if (file.resolved.found != ResolvedReference::Found::Missing && file.depth < limits.maxDepth)
                movies.emplace_back(file.resolved.address, file.depth);
            files.push_back(std::move(file));
        }
    }
    return files;
}

}  // namespace fh
