#pragma once
// The files a movie names, read from its bytes without running it: the
// URLs its actions load or link to (in every timeline, sprite, button and
// clip handler), the movies it imports assets from, and the strings of its
// ActionScript 3 code that look like files. A movie loads its levels,
// data and pictures at run time; saved without them it stops at its loader.
// Every count, length and the work done are capped, as for any read of an
// untrusted movie.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "swf/swf_header.h"

namespace fh {

enum class SwfRefKind : std::uint8_t { Movie, Data, Picture, Sound, Video, Page };

// Where in the movie the reference was found.
enum class SwfRefFound : std::uint8_t {
    GetUrl,        // GetURL's constant URL
    GetUrl2,       // the string pushed before GetURL2
    MethodCall,    // a loading method (loadMovie, XML.load, Sound.loadSound, ...)
    FunctionCall,  // a loading global function called by name
    ImportAssets,  // ImportAssets or ImportAssets2
    AbcString,     // an ActionScript 3 constant string shaped like a file
};

struct SwfReference {
    std::string text;    // as the movie writes it
    std::string target;  // the window or level GetURL names, when it names one
    SwfRefKind kind = SwfRefKind::Movie;
    SwfRefFound how = SwfRefFound::GetUrl;
    // A page opened in a browser window: kept apart, the movie does not need it.
    bool link = false;
};

struct SwfReferenceLimits {
    std::uint64_t maxBody = 32u << 20;   // decompressed bytes
    std::uint32_t maxTags = 500000;      // in the whole movie, sprites' included
    std::uint64_t maxWork = 4000000;     // actions, pushed values, pool and ABC strings read
    std::size_t maxReferences = 4096;    // distinct references kept
    std::size_t maxText = 2048;          // bytes of one reference, and of a joined string
};

struct SwfReferences {
    std::vector<SwfReference> refs;  // in the order found, each text once (links apart)
    // False when the bytes ended early, were not a movie, or a cap stopped the scan.
    bool complete = true;
};

// Reads a whole movie (plain, zlib or LZMA) and scans it.
SwfReferences ScanSwfReferences(ByteSource& source, const SwfReferenceLimits& limits = SwfReferenceLimits());
// The same over a decompressed body (everything after the eight header bytes).
SwfReferences ScanSwfBodyReferences(const unsigned char* body, std::size_t size, int version,
                                    const SwfReferenceLimits& limits = SwfReferenceLimits());

// The kind a file's extension says (query and fragment ignored); none for
// an extension that does not say (server scripts, text, pages) or is unknown.
std::optional<SwfRefKind> KindOfExtension(std::string_view text);
// A relative or absolute URL without spaces or markup whose path ends in a
// known file extension, perhaps followed by a query.
bool HasFileReferenceShape(std::string_view text);

// What a scan keeps: each reference once, within the caps, and the work
// budget all parts of a scan spend from.
class SwfReferenceCollector {
public:
    explicit SwfReferenceCollector(const SwfReferenceLimits& limits) : m_limits(limits), m_work(limits.maxWork) {}

    // A URL used as `use` says (Page for a link to a window); what is not a
    // URL a player would fetch (another scheme, spaces, markup) is dropped.
    void Add(const std::string& text, const std::string& target, SwfRefKind use, SwfRefFound how);
    // Spends `count` units of work; false (and the scan incomplete) once too little is left.
    bool Spend(std::uint64_t count = 1);
    void Incomplete() { m_result.complete = false; }
    std::size_t MaxText() const { return m_limits.maxText; }
    SwfReferences Take() { return std::move(m_result); }

private:
    const SwfReferenceLimits& m_limits;
    std::uint64_t m_work;
    SwfReferences m_result;
    std::unordered_set<std::string> m_seen;  // texts kept, "F" or "L" (a link) before each
};

}  // namespace fh
