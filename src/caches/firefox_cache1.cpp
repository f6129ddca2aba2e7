#include "caches/firefox_cache1.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

namespace fh {

namespace {

const char kMapName[] = "_CACHE_MAP_";
const char* const kBlockFileNames[4] = {"", "_CACHE_001_", "_CACHE_002_", "_CACHE_003_"};
constexpr std::size_t kMapHeader = 276;
constexpr std::size_t kBucketUsage = 148;
constexpr std::uint32_t kBuckets = 32;
constexpr std::uint32_t kRecordSize = 16;
constexpr std::size_t kEntryHeader = 36;
// Bounds against damaged files: the map's records, one metadata entry, the
// listed separate files.
constexpr std::uint32_t kMaxRecords = 1u << 20;
constexpr std::uint32_t kMaxEntry = 1u << 20;
constexpr std::size_t kMaxListed = 1u << 20;
constexpr unsigned kMaxBlocks = 4;
// Records and blocks read at once.
constexpr std::uint32_t kRecordsAtOnce = 4096;
constexpr std::uint32_t kBlocksAtOnce = 64;
// A generation above 1 marks a key whose hash another open entry's key
// shared: without a listing, the first few are tried.
constexpr unsigned kGuessedGenerations = 4;

std::uint32_t Be16(std::string_view b, std::size_t at) {
    if (at > b.size() || b.size() - at < 2) return 0;
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at]) << 8 | static_cast<unsigned char>(b[at + 1]));
}

// A location: an initialised bit, then either a block file's number, block
// count and first block, or a separate file's generation.
struct Location {
    unsigned file = 0;  // 0: a separate file; 1 to 3: a block file
    std::uint32_t block = 0;
    std::uint32_t blocks = 0;
    unsigned generation = 0;
};

std::optional<Location> Decode(std::uint32_t value) {
    if (!(value & 0x80000000u)) return std::nullopt;
    Location at;
    at.file = (value >> 28) & 3;
    if (at.file == 0) {
        at.generation = value & 0xFF;
    } else {
        at.block = value & 0x00FFFFFF;
        at.blocks = ((value >> 24) & 3) + 1;
    }
    return at;
}

// Firefox 4's cache (1.19) sized each bitmap to cover 32 MiB of its file's
// blocks (the shared copy's entries sit where this puts them); before, every
// bitmap had 4 096 bytes.
std::uint32_t BitmapBytes(unsigned file, std::uint32_t version) {
    static const std::uint32_t kSized[4] = {0, 16384, 4096, 1024};
    return (version & 0xFFFF) >= 19 ? kSized[file] : 4096;
}

struct Entry {
    std::string key;   // without its NUL
    std::string head;  // the response head
    std::uint32_t lastFetched = 0, expires = 0, dataSize = 0;
};

// A metadata entry: its header (version, location, fetch count, times of
// last fetch, last change and expiry, data, key and elements sizes), the
// key and its NUL, then the elements (name NUL value NUL). The whole entry
// must lie in `bytes`.
std::optional<Entry> ParseEntry(std::string_view bytes, std::uint32_t version) {
    if (bytes.size() < kEntryHeader || Be32(bytes, 0) != version) return std::nullopt;
    const std::uint32_t keySize = Be32(bytes, 28), elementsSize = Be32(bytes, 32);
    const std::size_t room = bytes.size() - kEntryHeader;
    if (keySize < 2 || keySize > room || elementsSize > room - keySize) return std::nullopt;
    const std::string_view key = bytes.substr(kEntryHeader, keySize - 1);
    if (bytes[kEntryHeader + keySize - 1] != '\0' || key.find('\0') != std::string_view::npos) return std::nullopt;
    Entry e;
    e.key = std::string(key);
    e.lastFetched = Be32(bytes, 12);
    e.expires = Be32(bytes, 20);
    e.dataSize = Be32(bytes, 24);
    const std::string_view elements = bytes.substr(kEntryHeader + keySize, elementsSize);
    std::size_t pos = 0;
    while (pos < elements.size()) {
        const std::size_t nameEnd = elements.find('\0', pos);
        if (nameEnd == std::string_view::npos) break;
        const std::size_t valueEnd = elements.find('\0', nameEnd + 1);
        if (valueEnd == std::string_view::npos) break;
        if (elements.substr(pos, nameEnd - pos) == "response-head")
            e.head = std::string(elements.substr(nameEnd + 1, valueEnd - nameEnd - 1));
        pos = valueEnd + 1;
    }
    return e;
}

// A key is the client's name ("HTTP:", "HTTP-memory-only:"), for a POST its
// id ("id=5b6160c9&uri="), then the address; origin attributes end in ",:".
std::string AddressFromKey(std::string_view key) {
    const std::size_t scheme = key.find("://");
    if (scheme == std::string_view::npos) return std::string();
    const std::size_t start = key.substr(0, scheme).find_last_of(":=");
    if (start == std::string_view::npos) return std::string();
    return AddressFromCacheKey(key.substr(start + 1));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Hexadecimal digits into `value`; false when one is not.
bool ParseHex(std::string_view digits, std::uint32_t& value) {
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        value = value << 4 | static_cast<std::uint32_t>(d);
    }
    return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

struct Separate {
    char type = 0;  // 'd' or 'm'
    unsigned generation = 0;
    std::string name;
};

// A listed name of the form "3\\3D\\ED165d01", with its hash.
std::optional<std::pair<std::uint32_t, Separate>> ParseSeparateName(const std::string& name) {
    if (name.size() != 13 || name[1] != '\\' || name[4] != '\\') return std::nullopt;
    std::uint32_t hash = 0, generation = 0;
    const std::string_view n(name);
    Separate s;
    s.type = Lower(name[10]);
    if (!ParseHex(n.substr(0, 1), hash) || !ParseHex(n.substr(2, 2), hash) || !ParseHex(n.substr(5, 5), hash) ||
        !ParseHex(n.substr(11, 2), generation) || (s.type != 'd' && s.type != 'm'))
        return std::nullopt;
    s.generation = generation;
    s.name = name;
    return std::make_pair(hash, s);
}

void Mix(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c) {
    a -= b; a -= c; a ^= c >> 13;
    b -= c; b -= a; b ^= a << 8;
    c -= a; c -= b; c ^= b >> 13;
    a -= b; a -= c; a ^= c >> 12;
    b -= c; b -= a; b ^= a << 16;
    c -= a; c -= b; c ^= b >> 5;
    a -= b; a -= c; a ^= c >> 3;
    b -= c; b -= a; b ^= a << 10;
    c -= a; c -= b; c ^= b >> 15;
}

class Reader {
public:
    Reader(CacheFolder& folder, const std::vector<std::string>& listed) : m_folder(folder) {
        for (std::size_t i = 0; i < listed.size() && i < kMaxListed; ++i)
            if (auto parsed = ParseSeparateName(listed[i])) m_listed.insert(std::move(*parsed));
    }

    CacheReading Read() {
        std::unique_ptr<CacheFile> map = m_folder.Open(kMapName);
        if (!map) return std::move(m_reading);
        const std::string header = map->ReadAt(0, kMapHeader);
        if (Be16(header, 0) != 1) return std::move(m_reading);
        m_version = Be32(header, 0);
        m_claimed.insert(kMapName);
        for (unsigned n = 1; n <= 3; ++n) {
            m_claimed.insert(kBlockFileNames[n]);
            BlockFile& bf = m_blocks[n];
            bf.file = m_folder.Open(kBlockFileNames[n]);
            bf.bitmapBytes = BitmapBytes(n, m_version);
            bf.blockSize = 256u << (2 * (n - 1));
        }
        ReadMap(*map, header);
        for (unsigned n = 1; n <= 3; ++n) Scan(n);
        ReadListedMetadata();
        m_reading.claimed.assign(m_claimed.begin(), m_claimed.end());
        return std::move(m_reading);
    }

private:
    struct BlockFile {
        std::unique_ptr<CacheFile> file;
        std::uint32_t bitmapBytes = 0, blockSize = 0;
        std::uint32_t Blocks() const { return bitmapBytes * 8; }
        std::uint64_t OffsetOf(std::uint32_t block) const {
            return bitmapBytes + static_cast<std::uint64_t>(block) * blockSize;
        }
    };

    // The records, once Firefox closed the cache and wrote them.
    void ReadMap(CacheFile& map, const std::string& header) {
        if (!IsCache1Map(header)) {
            ++m_reading.damaged;
            return;
        }
        if (Be32(header, 12) != 0) return;
        const std::uint32_t count = Be32(header, 16);
        const std::uint64_t present = (map.Size() - kMapHeader) / kRecordSize;
        if (present < count) ++m_reading.damaged;
        const std::uint32_t slots = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, present));
        for (std::uint32_t first = 0; first < slots; first += kRecordsAtOnce) {
            const std::uint32_t n = std::min(kRecordsAtOnce, slots - first);
            const std::string records = map.ReadAt(kMapHeader + static_cast<std::uint64_t>(first) * kRecordSize,
                                                   static_cast<std::size_t>(n) * kRecordSize);
            for (std::size_t at = 0; records.size() - at >= kRecordSize; at += kRecordSize) {
                const std::uint32_t hash = Be32(records, at), meta = Be32(records, at + 12);
                if (hash != 0 || meta != 0) ReadRecord(hash, Be32(records, at + 8), meta);
            }
        }
    }

    void ReadRecord(std::uint32_t hash, std::uint32_t dataValue, std::uint32_t metaValue) {
        const std::optional<Location> meta = Decode(metaValue);
        if (!meta) {
            ++m_reading.damaged;
            return;
        }
        std::optional<Entry> entry;
        std::string name;
        if (meta->file == 0) {
            name = SeparateName(hash, 'm', meta->generation);
            if (m_separateRead.count(name)) return;
            entry = SeparateEntry(name);
            if (entry) m_separateRead.insert(name);
        } else {
            if (m_entriesRead.count({meta->file, meta->block})) return;
            if (const std::optional<std::string> bytes = ReadBlocks(*meta)) entry = ParseEntry(*bytes, m_version);
            if (entry) m_entriesRead.insert({meta->file, meta->block});
        }
        // The hash tells a record from a stale one whose blocks another entry took.
        if (!entry || Cache1KeyHash(entry->key) != hash) {
            ++m_reading.damaged;
            return;
        }
        if (!name.empty()) m_claimed.insert(name);
        const std::optional<Location> data = Decode(dataValue);
        if (!data) return;
        if (data->file == 0) {
            AddSeparateBody(*entry, hash, data->generation);
            return;
        }
        const BlockFile& bf = m_blocks[data->file];
        const std::uint64_t offset = bf.OffsetOf(data->block);
        // The body must fit its blocks, and they the file.
        if (!Inside(*data) || entry->dataSize > data->blocks * bf.blockSize || offset > bf.file->Size() ||
            entry->dataSize > bf.file->Size() - offset) {
            ++m_reading.damaged;
            return;
        }
        Add(*entry, kBlockFileNames[data->file], offset);
    }

    // The location names blocks that the bitmap covers, of a file that is there.
    bool Inside(const Location& at) const {
        const BlockFile& bf = m_blocks[at.file];
        return at.file != 0 && bf.file && at.block < bf.Blocks() && at.blocks <= bf.Blocks() - at.block;
    }

    // The bytes of a block location (fewer at the end of its file).
    std::optional<std::string> ReadBlocks(const Location& at) {
        if (!Inside(at)) return std::nullopt;
        const BlockFile& bf = m_blocks[at.file];
        const std::uint64_t offset = bf.OffsetOf(at.block), size = bf.file->Size();
        if (offset >= size) return std::nullopt;
        const std::uint64_t count = std::min<std::uint64_t>(at.blocks * bf.blockSize, size - offset);
        return bf.file->ReadAt(offset, static_cast<std::size_t>(count));
    }

    std::optional<Entry> SeparateEntry(const std::string& name) {
        std::unique_ptr<CacheFile> file = m_folder.Open(name);
        if (!file || file->Size() > kMaxEntry) return std::nullopt;
        return ParseEntry(file->ReadAt(0, static_cast<std::size_t>(file->Size())), m_version);
    }

    // Every block that begins as a metadata entry does (the bitmap is of no
    // help: a dirty copy's are all zero); an entry the map named is not read
    // twice.
    void Scan(unsigned n) {
        const BlockFile& bf = m_blocks[n];
        if (!bf.file || bf.file->Size() <= bf.bitmapBytes) return;
        const std::uint64_t present = (bf.file->Size() - bf.bitmapBytes + bf.blockSize - 1) / bf.blockSize;
        const std::uint32_t blocks = static_cast<std::uint32_t>(std::min<std::uint64_t>(present, bf.Blocks()));
        for (std::uint32_t first = 0; first < blocks; first += kBlocksAtOnce) {
            const std::uint32_t count = std::min(kBlocksAtOnce, blocks - first);
            const std::string chunk =
                bf.file->ReadAt(bf.OffsetOf(first), static_cast<std::size_t>(count) * bf.blockSize);
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t block = first + i;
                const std::size_t start = static_cast<std::size_t>(i) * bf.blockSize;
                if (Be32(chunk, start) != m_version || m_entriesRead.count({n, block})) continue;
                Location at;
                at.file = n;
                at.block = block;
                at.blocks = std::min<std::uint32_t>(kMaxBlocks, bf.Blocks() - block);
                const std::optional<std::string> bytes = ReadBlocks(at);
                const std::optional<Entry> entry = bytes ? ParseEntry(*bytes, m_version) : std::nullopt;
                if (!entry) continue;
                m_entriesRead.insert({n, block});
                if (entry->dataSize) AddSeparateBody(*entry, Cache1KeyHash(entry->key), std::nullopt);
            }
        }
    }

    // The listed metadata files the map did not name; a file whose key does
    // not hash to its name is damaged.
    void ReadListedMetadata() {
        for (const auto& [hash, separate] : m_listed) {
            if (separate.type != 'm' || m_separateRead.count(separate.name)) continue;
            m_separateRead.insert(separate.name);
            const std::optional<Entry> entry = SeparateEntry(separate.name);
            if (!entry || Cache1KeyHash(entry->key) != hash) {
                ++m_reading.damaged;
                continue;
            }
            m_claimed.insert(separate.name);
            if (entry->dataSize) AddSeparateBody(*entry, hash, std::nullopt);
        }
    }

    // The name as listed (the folder may spell it in another case), or as
    // Firefox writes it.
    std::string SeparateName(std::uint32_t hash, char type, unsigned generation) const {
        for (auto it = m_listed.lower_bound(hash); it != m_listed.end() && it->first == hash; ++it)
            if (it->second.type == type && it->second.generation == generation) return it->second.name;
        return Cache1SeparateName(hash, type, generation);
    }

    // The body in the separate data file of the key's hash: of the map's
    // generation, which must hold the data size; else of the one whose size
    // is the data size.
    void AddSeparateBody(const Entry& e, std::uint32_t hash, std::optional<unsigned> generation) {
        std::vector<std::string> names;
        if (generation) {
            names.push_back(SeparateName(hash, 'd', *generation));
        } else if (!m_listed.empty()) {
            for (auto it = m_listed.lower_bound(hash); it != m_listed.end() && it->first == hash; ++it)
                if (it->second.type == 'd') names.push_back(it->second.name);
        } else {
            for (unsigned g = 1; g <= kGuessedGenerations; ++g) names.push_back(Cache1SeparateName(hash, 'd', g));
        }
        for (const std::string& name : names) {
            std::unique_ptr<CacheFile> file = m_folder.Open(name);
            if (!file) continue;
            if (generation && file->Size() < e.dataSize) {
                ++m_reading.damaged;
                return;
            }
            if (generation || file->Size() == e.dataSize) {
                Add(e, name, 0);
                return;
            }
        }
    }

    void Add(const Entry& e, const std::string& file, std::uint64_t offset) {
        CacheRecord r;
        r.kind = "Firefox cache1";
        r.url = AddressFromKey(e.key);
        if (r.url.empty()) return;
        r.file = file;
        r.offset = offset;
        r.length = e.dataSize;
        r.contentType = HeaderValue(e.head, "Content-Type");
        r.encoding = EncodingOf(e.head);
        // The entry's own "last modified" is when Firefox last wrote it, not
        // the server's date, which the response head holds.
        r.lastModified = ParseHttpDate(HeaderValue(e.head, "Last-Modified"));
        r.lastAccess = e.lastFetched;
        r.expires = e.expires == 0xFFFFFFFFu ? 0 : e.expires;
        m_claimed.insert(file);
        m_reading.records.push_back(std::move(r));
    }

    CacheFolder& m_folder;
    std::multimap<std::uint32_t, Separate> m_listed;  // by hash
    std::uint32_t m_version = 0;
    BlockFile m_blocks[4];
    std::set<std::pair<unsigned, std::uint32_t>> m_entriesRead;  // block file, first block
    std::set<std::string> m_separateRead;
    std::set<std::string> m_claimed;
    CacheReading m_reading;
};

}  // namespace

bool IsCache1Map(std::string_view head) {
    if (head.size() < kMapHeader || Be16(head, 0) != 1) return false;
    const std::uint32_t entries = Be32(head, 8), dirty = Be32(head, 12), records = Be32(head, 16);
    if (dirty > 1 || records > kMaxRecords || records % kBuckets != 0 || entries > records) return false;
    for (std::uint32_t b = 0; b < kBuckets; ++b)
        if (Be32(head, kBucketUsage + b * 4) > records / kBuckets) return false;
    return true;
}

// Bob Jenkins' 1996 hash (his "lookup2"), with 0 to start from: the shared
// cache's separate files are named by it.
std::uint32_t Cache1KeyHash(std::string_view key) {
    std::uint32_t a = 0x9E3779B9u, b = a, c = 0;
    std::size_t at = 0;
    for (; key.size() - at >= 12; at += 12) {
        a += Le32(key, at);
        b += Le32(key, at + 4);
        c += Le32(key, at + 8);
        Mix(a, b, c);
    }
    c += static_cast<std::uint32_t>(key.size());
    // The last bytes, lowest first; c's lowest byte holds the length.
    for (std::size_t i = at; i < key.size(); ++i) {
        const std::uint32_t byte = static_cast<unsigned char>(key[i]);
        const std::size_t k = i - at;
        if (k < 4) a += byte << (8 * k);
        else if (k < 8) b += byte << (8 * (k - 4));
        else c += byte << (8 * (k - 7));
    }
    Mix(a, b, c);
    return c;
}

std::string Cache1SeparateName(std::uint32_t hash, char type, unsigned generation) {
    char name[24];
    std::snprintf(name, sizeof name, "%X\\%02X\\%05X%c%02X", static_cast<unsigned>(hash >> 28),
                  static_cast<unsigned>((hash >> 20) & 0xFF), static_cast<unsigned>(hash & 0xFFFFF), type,
                  generation & 0xFF);
    return name;
}

CacheReading ReadFirefoxCache1(CacheFolder& folder, const std::vector<std::string>& separateFiles) {
    return Reader(folder, separateFiles).Read();
}

}  // namespace fh
