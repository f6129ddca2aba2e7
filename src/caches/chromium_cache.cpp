#include "caches/chromium_cache.h"

#include <cstdio>
#include <algorithm>
#include <map>
#include <set>

namespace fh {

namespace {

const char kIndexMagic[] = "\xC3\xCA\x03\xC1";
const char kSimpleMagic[] = "\x30\x5C\x72\xA7\x1B\x6D\xFB\xFC";
const char kSimpleEofMagic[] = "\xD8\x41\x0D\x97\x45\x6F\xFA\xF4";
constexpr std::size_t kIndexHeader = 368;
constexpr std::size_t kBlockFileHeader = 8192;
constexpr std::size_t kEntrySize = 256;
constexpr std::size_t kInlineKey = 96;
// A simple cache file's header and end-of-stream records: 20 bytes from a
// 32-bit build, padded to 24 by a 64-bit one.
constexpr std::size_t kPackedRecord = 20, kPaddedRecord = 24;
constexpr std::uint32_t kMaxKey = 64 * 1024;
// Bounds against damaged files: the table, the chains, the headers.
constexpr std::uint32_t kMaxTable = 1u << 22;
constexpr int kMaxChain = 4096;
constexpr std::uint32_t kMaxHeaders = 256 * 1024;

struct Address {
    bool ok = false;
    bool external = false;
    std::string file;
    std::uint64_t offset = 0;
    std::uint64_t room = 0;  // bytes the address covers in a block file
    unsigned blocks = 0;     // 1 to 4 in a block file
};

// A cache address: initialised bit, file type, then either an external
// file's number or a block file's number, block count and first block.
Address Decode(std::uint32_t value) {
    Address a;
    if (!(value & 0x80000000u)) return a;
    const unsigned type = (value >> 28) & 7;
    char name[16];
    if (type == 0) {
        std::snprintf(name, sizeof name, "f_%06x", static_cast<unsigned>(value & 0x0FFFFFFF));
        a.ok = a.external = true;
        a.file = name;
        return a;
    }
    static const unsigned kBlockSizes[8] = {0, 36, 256, 1024, 4096, 8, 104, 48};
    const unsigned blocks = ((value >> 24) & 3) + 1;
    std::snprintf(name, sizeof name, "data_%u", static_cast<unsigned>((value >> 16) & 0xFF));
    a.ok = true;
    a.file = name;
    a.offset = kBlockFileHeader + static_cast<std::uint64_t>(value & 0xFFFF) * kBlockSizes[type];
    a.room = static_cast<std::uint64_t>(blocks) * kBlockSizes[type];
    a.blocks = blocks;
    return a;
}

// The status line and headers of Chromium's stored response info (a pickle
// whose header string has NUL-separated lines).
std::string HeadersOf(std::string_view info) {
    const std::size_t start = info.find("HTTP/");
    if (start == std::string_view::npos) return std::string();
    std::size_t end = info.find(std::string_view("\0\0", 2), start);
    if (end == std::string_view::npos) end = info.size();
    return std::string(info.substr(start, end - start));
}

void FillFromHeaders(CacheRecord& r, const std::string& headers) {
    r.contentType = HeaderValue(headers, "Content-Type");
    r.encoding = EncodingOf(headers);
    r.lastModified = ParseHttpDate(HeaderValue(headers, "Last-Modified"));
    r.expires = ParseHttpDate(HeaderValue(headers, "Expires"));
}

class BlockFiles {
public:
    explicit BlockFiles(CacheFolder& folder) : m_folder(folder) {}
    // The bytes an address holds (at most `count`), within the file.
    std::string Read(const Address& a, std::uint64_t count) {
        CacheFile* file = Get(a.file);
        if (!file || a.offset >= file->Size()) return std::string();
        return file->ReadAt(a.offset, static_cast<std::size_t>(std::min(count, file->Size() - a.offset)));
    }
    CacheFile* Get(const std::string& name) {
        auto it = m_open.find(name);
        if (it == m_open.end()) it = m_open.emplace(name, m_folder.Open(name)).first;
        return it->second.get();
    }

private:
    CacheFolder& m_folder;
    std::map<std::string, std::unique_ptr<CacheFile>> m_open;
};

}  // namespace

bool IsBlockFileIndex(std::string_view head) { return head.substr(0, 4) == std::string_view(kIndexMagic, 4); }

CacheReading ReadBlockFileCache(CacheFolder& folder) {
    CacheReading reading;
    std::unique_ptr<CacheFile> index = folder.Open("index");
    if (!index || index->Size() < kIndexHeader) return reading;
    const std::string header = index->ReadAt(0, kIndexHeader);
    if (!IsBlockFileIndex(header)) return reading;
    reading.claimed = {"index", "data_0", "data_1", "data_2", "data_3"};
    const std::uint64_t slots = (index->Size() - kIndexHeader) / 4;
    const std::uint32_t tableLength = std::min<std::uint64_t>({Le32(header, 28), slots, kMaxTable});
    const std::string table = index->ReadAt(kIndexHeader, tableLength * 4u);
    BlockFiles files(folder);
    std::set<std::uint32_t> seen;
    for (std::uint32_t slot = 0; slot < tableLength; ++slot) {
        std::uint32_t next = Le32(table, slot * 4u);
        for (int step = 0; next && step < kMaxChain; ++step) {
            // A chain that comes back to an entry already read ends here.
            if (!seen.insert(next).second) break;
            const Address at = Decode(next);
            // An entry takes the blocks its address gives (up to four): a key
            // too long for the first runs on into the others.
            const std::string entry =
                at.ok && !at.external ? files.Read(at, static_cast<std::uint64_t>(at.blocks) * kEntrySize) : std::string();
            if (entry.size() < kEntrySize) {
                ++reading.damaged;
                break;
            }
            next = Le32(entry, 4);
            const std::uint32_t keyLength = Le32(entry, 32);
            const Address longKey = Decode(Le32(entry, 36));
            std::string key;
            if (longKey.ok) {
                // Only a key too long for four blocks is kept apart.
                if (keyLength <= kMaxKey && (longKey.external || keyLength <= longKey.room))
                    key = files.Read(longKey, keyLength);
            } else if (keyLength < entry.size() - kInlineKey) {
                // Inline, with its NUL inside the entry's blocks.
                key = entry.substr(kInlineKey, keyLength);
            }
            CacheRecord r;
            r.kind = "Chromium block-file";
            r.url = AddressFromCacheKey(key);
            const std::uint32_t infoSize = Le32(entry, 40), bodySize = Le32(entry, 44);
            const Address info = Decode(Le32(entry, 56)), body = Decode(Le32(entry, 60));
            if (r.url.empty() || !body.ok || key.size() != keyLength) {
                if (keyLength && key.size() != keyLength) ++reading.damaged;
                continue;
            }
            if (info.ok && infoSize <= kMaxHeaders) FillFromHeaders(r, HeadersOf(files.Read(info, infoSize)));
            r.file = body.file;
            if (body.external) {
                reading.claimed.push_back(body.file);
            } else {
                // A body larger than its blocks is damage, not a reason to read further.
                if (bodySize > body.room) {
                    ++reading.damaged;
                    continue;
                }
                r.offset = body.offset;
                r.length = bodySize;
            }
            reading.records.push_back(std::move(r));
        }
    }
    return reading;
}

bool IsSimpleEntry(std::string_view head) { return head.substr(0, 8) == std::string_view(kSimpleMagic, 8); }

std::optional<CacheRecord> ReadSimpleEntry(CacheFile& file, const std::string& name, bool& damaged) {
    damaged = true;
    const std::uint64_t size = file.Size();
    const std::string header = file.ReadAt(0, kPaddedRecord);
    if (size < kPaddedRecord || !IsSimpleEntry(header)) return std::nullopt;
    // The last EOF record's magic sits 24 bytes from the end when the build
    // padded its records, 20 when it packed them; the header is alike.
    const std::string tail = file.ReadAt(size - kPaddedRecord, kPaddedRecord);
    std::size_t unit = 0;
    if (tail.size() < kPaddedRecord) return std::nullopt;
    if (tail.compare(0, 8, kSimpleEofMagic, 8) == 0) unit = kPaddedRecord;
    else if (tail.compare(kPaddedRecord - kPackedRecord, 8, kSimpleEofMagic, 8) == 0) unit = kPackedRecord;
    else return std::nullopt;
    const std::string_view eof0 = std::string_view(tail).substr(kPaddedRecord - unit);
    const std::uint32_t keyLength = Le32(header, 12);
    if (keyLength == 0 || keyLength > kMaxKey || 3 * unit + keyLength > size) return std::nullopt;
    // From the end: stream 0's EOF record says its size; before stream 0
    // may stand the key's SHA-256, and before that stream 1's EOF record.
    const std::uint32_t flags = Le32(eof0, 8), infoSize = Le32(eof0, 16);
    const std::uint64_t keyHash = (flags & 2) ? 32 : 0;
    const std::uint64_t bodyStart = unit + keyLength;
    if (infoSize > kMaxHeaders || infoSize + keyHash + 2 * unit + bodyStart > size) return std::nullopt;
    const std::uint64_t infoStart = size - unit - keyHash - infoSize;
    const std::uint64_t eof1 = infoStart - unit;
    if (file.ReadAt(eof1, 8) != std::string_view(kSimpleEofMagic, 8)) return std::nullopt;
    CacheRecord r;
    r.kind = "Chromium simple";
    r.url = AddressFromCacheKey(file.ReadAt(unit, keyLength));
    damaged = false;
    if (r.url.empty()) return std::nullopt;
    FillFromHeaders(r, HeadersOf(file.ReadAt(infoStart, infoSize)));
    r.file = name;
    r.offset = bodyStart;
    r.length = eof1 - bodyStart;
    return r;
}

}  // namespace fh
