#include "caches/firefox_cache2.h"

namespace fh {

namespace {

constexpr std::uint32_t kChunk = 256 * 1024;
constexpr std::uint64_t kMaxMetadata = 1 << 20;
constexpr std::size_t kHeaderSize = 8 * 4;

}  // namespace

bool IsCache2EntryName(const std::string& name) {
    if (name.size() != 40) return false;
    for (char c : name)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::optional<CacheRecord> ReadCache2Entry(CacheFile& file, const std::string& name, bool& damaged) {
    damaged = true;
    const std::uint64_t size = file.Size();
    if (size < 4 + kHeaderSize) return std::nullopt;
    const std::uint64_t bodyLength = Be32(file.ReadAt(size - 4, 4), 0);
    const std::uint64_t chunks = (bodyLength + kChunk - 1) / kChunk;
    // The metadata: a hash, two bytes per chunk, the header, the key and
    // its elements, and the offset itself at the end.
    const std::uint64_t headerAt = bodyLength + 4 + chunks * 2;
    if (headerAt + kHeaderSize + 4 > size || size - bodyLength > kMaxMetadata) return std::nullopt;
    const std::string meta = file.ReadAt(headerAt, static_cast<std::size_t>(size - 4 - headerAt));
    const std::uint32_t version = Be32(meta, 0);
    if (version < 1 || version > 16) return std::nullopt;
    // Version 1 has no flags field.
    const std::size_t keyAt = version >= 2 ? kHeaderSize : kHeaderSize - 4;
    const std::uint32_t keySize = Be32(meta, 24);
    // Compared by subtraction: a key size near 2^32 must not wrap the sum.
    if (keySize == 0 || meta.size() <= keyAt || keySize > meta.size() - keyAt - 1) return std::nullopt;
    CacheRecord r;
    r.kind = "Firefox cache2";
    r.url = AddressFromCacheKey(std::string_view(meta).substr(keyAt, keySize));
    damaged = false;
    if (r.url.empty()) return std::nullopt;
    r.lastAccess = Be32(meta, 8);
    r.expires = Be32(meta, 20) == 0xFFFFFFFFu ? 0 : Be32(meta, 20);
    // The elements: name NUL value NUL, after the key and its NUL.
    std::size_t pos = keyAt + keySize + 1;
    while (pos < meta.size()) {
        const std::size_t nameEnd = meta.find('\0', pos);
        if (nameEnd == std::string::npos) break;
        const std::size_t valueEnd = meta.find('\0', nameEnd + 1);
        if (valueEnd == std::string::npos) break;
        if (meta.compare(pos, nameEnd - pos, "response-head") == 0) {
            const std::string_view head = std::string_view(meta).substr(nameEnd + 1, valueEnd - nameEnd - 1);
            r.contentType = HeaderValue(head, "Content-Type");
            r.encoding = EncodingOf(head);
            r.lastModified = ParseHttpDate(HeaderValue(head, "Last-Modified"));
        }
        pos = valueEnd + 1;
    }
    r.file = name;
    r.length = bodyLength;
    return r;
}

}  // namespace fh
