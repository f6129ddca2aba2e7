#pragma once
// Where the files a movie names were cached. Flash resolves a relative
// reference against the page that embeds the movie, which a cache rarely
// ties to it; so a reference is looked for at its address relative to the
// movie's own, then at any cached address of the same site whose path ends
// with the reference's path. The movies found are read in their turn.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fh {

// `ref` resolved against `base` as RFC 3986 says, except that the base's
// query is never inherited (a movie's query is its page's business) and no
// fragment is kept: a fragment is never part of a cached address.
std::string ResolveUrl(std::string_view base, std::string_view ref);
// True when `ref` begins with a scheme ("http:", "file:").
bool IsAbsoluteUrl(std::string_view ref);

// The cached addresses, looked up whole or by the end of their path.
class CachedAddresses {
public:
    void Add(const std::string& address);
    std::size_t Size() const { return m_addresses.size(); }
    // The address as it was added, when one with the same scheme, host and rest is.
    const std::string* Find(std::string_view address) const;
    // A cached address on the host of `near` whose path and query end with
    // `tail` at a segment's start; of several, the one sharing the longest
    // beginning with `near`, then the first added. Nothing for an empty tail.
    const std::string* FindTail(std::string_view near, std::string_view tail) const;

private:
    std::vector<std::string> m_addresses;
    std::unordered_map<std::string, std::size_t> m_byKey;                // normalised address
    std::unordered_map<std::string, std::vector<std::size_t>> m_byName;  // last path segment and query
};

struct ResolvedReference {
    enum class Found { Here, OnSite, Missing };
    std::string address;  // the cached one, or where it would have been (relative to the movie)
    Found found = Found::Missing;
};

ResolvedReference ResolveReference(std::string_view movieAddress, std::string_view ref, const CachedAddresses& cached);

// One file a movie names, as the walk met it.
struct NamedFile {
    std::string movie;    // the address of the movie that names it
    std::string text;     // as written
    ResolvedReference resolved;
    int depth = 1;        // 1: named by the first movie, 2: by a movie it loads, ...
};

struct FollowLimits {
    int maxDepth = 8;
    std::size_t maxAddresses = 10000;  // addresses met in one walk
};

// The texts a cached movie names (nothing for a file that is not a movie).
using NamedTexts = std::function<std::vector<std::string>(const std::string& address)>;

// The files `movieAddress` names, and those named by the movies found among
// them, breadth first; each address once (a file two movies name is listed
// for the first), so references that loop end.
std::vector<NamedFile> FollowReferences(const std::string& movieAddress, const CachedAddresses& cached,
                                        const NamedTexts& named, const FollowLimits& limits = FollowLimits());

}  // namespace fh
