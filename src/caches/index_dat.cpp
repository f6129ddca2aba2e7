#include "caches/index_dat.h"

#include "base/codepage.h"

namespace fh {

namespace {

constexpr std::size_t kBlock = 0x80;
constexpr std::size_t kFirstRecord = 0x4000;
constexpr std::size_t kFolderCount = 0x48;
constexpr std::size_t kFolders = 0x4C;
constexpr std::size_t kMaxFolders = 256;
// One bit a block from the first record on, the lowest bit first; it runs
// up to the first record, so no block beyond it is ever in use.
constexpr std::size_t kBitmap = 0x250;
// A record claims its size in blocks; more than this is damage.
constexpr std::uint32_t kMaxRecordBlocks = 1024;

// A NUL-ended text at `at` inside the record, or empty when it runs out.
std::string_view TextIn(std::string_view record, std::uint32_t at) {
    if (at == 0 || at >= record.size()) return {};
    const std::size_t end = record.find('\0', at);
    if (end == std::string_view::npos) return {};
    return record.substr(at, end - at);
}

// A FAT date and time ("expires") in seconds since 1970, or 0.
std::int64_t FromDosTime(std::uint16_t date, std::uint16_t time) {
    const unsigned month = (date >> 5) & 15, day = date & 31;
    if (date == 0 || month < 1 || month > 12 || day < 1) return 0;
    return SecondsFromCivil(1980 + (date >> 9), month, day, (time >> 11) & 31, (time >> 5) & 63, (time & 31) * 2);
}

bool InUse(std::string_view index, std::size_t block) {
    if (block / 8 >= kFirstRecord - kBitmap) return false;
    return (static_cast<unsigned char>(index[kBitmap + block / 8]) >> (block % 8)) & 1;
}

// The record of a URL or LEAK entry, when it names a file in one of the
// cache folders.
std::optional<CacheRecord> ReadUrlRecord(std::string_view record, const std::vector<std::string>& folders, bool v47,
                                         int& damaged) {
    CacheRecord r;
    r.kind = "IE index.dat";
    r.url = std::string(TextIn(record, Le32(record, 0x34)));
    const std::string_view local = TextIn(record, Le32(record, 0x3C));
    const unsigned char folder = static_cast<unsigned char>(record[0x38]);
    if (r.url.empty() || local.empty() || folder >= folders.size() || folders[folder].empty() ||
        local.find_first_of("\\/:") != std::string_view::npos || local == "." || local == ".." ||
        IsDeviceName(local, CodePage()) || IsDeviceName(folders[folder], CodePage())) {
        // Records of the history or cookies have no file; others are damaged.
        if (r.url.empty() || !local.empty()) ++damaged;
        return std::nullopt;
    }
    r.file = folders[folder] + "\\" + std::string(local);
    r.lastModified = FromFileTime(Le64(record, 0x08));
    r.lastAccess = FromFileTime(Le64(record, 0x10));
    if (!v47) r.expires = FromDosTime(static_cast<std::uint16_t>(Le32(record, 0x18) & 0xFFFF),
                                     static_cast<std::uint16_t>(Le32(record, 0x18) >> 16));
    const std::uint32_t headerAt = Le32(record, 0x44), headerSize = Le32(record, 0x48);
    if (headerAt && headerAt < record.size() && headerSize <= record.size() - headerAt) {
        const std::string_view headers = record.substr(headerAt, headerSize);
        r.contentType = HeaderValue(headers, "Content-Type");
        r.encoding = EncodingOf(headers);
    }
    return r;
}

}  // namespace

bool IsIndexDat(std::string_view head) {
    return head.substr(0, 24) == "Client UrlCache MMF Ver " || head.substr(0, 18) == "WINE URLCache Ver ";
}

CacheReading ReadIndexDat(std::string_view index) {
    CacheReading reading;
    if (!IsIndexDat(index)) return reading;
    const bool v47 = index.substr(0, 27) == "Client UrlCache MMF Ver 4.7";
    std::vector<std::string> folders;
    const std::uint32_t count = Le32(index, kFolderCount);
    for (std::uint32_t i = 0; i < count && i < kMaxFolders; ++i) {
        const std::size_t at = kFolders + i * 12 + 4;
        if (at + 8 > index.size()) break;
        std::string name(index.substr(at, 8));
        name.resize(name.find('\0') == std::string::npos ? 8 : name.find('\0'));
        // Cache folders have plain names; anything else (say "..") would lead
        // out of the cache, so its records are skipped.
        for (char c : name)
            if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-'))
                name.clear();
        folders.push_back(name);
    }
    // Records are found by their signatures on blocks the bitmap marks in
    // use. A freed record keeps its bytes and its claim to blocks that may
    // hold live records now: only a live record's claim is passed over.
    for (std::size_t at = kFirstRecord; at <= index.size() && index.size() - at >= kBlock; at += kBlock) {
        const std::size_t block = (at - kFirstRecord) / kBlock;
        const std::string_view kind = index.substr(at, 4);
        // WinINet keeps an entry whose file it could not delete as LEAK: the
        // file may still be there, and it is read like a URL entry.
        const bool url = kind == "URL " || kind == "LEAK";
        if (!InUse(index, block) || !(url || kind == "REDR" || kind == "HASH")) continue;
        const std::uint32_t blocks = Le32(index, at + 4);
        if (blocks == 0 || blocks > kMaxRecordBlocks || blocks > (index.size() - at) / kBlock) {
            if (url) ++reading.damaged;
            continue;
        }
        if (url) {
            if (auto r = ReadUrlRecord(index.substr(at, blocks * kBlock), folders, v47, reading.damaged))
                reading.records.push_back(std::move(*r));
        }
        // A claim runs no further than the blocks in use.
        std::uint32_t claimed = 1;
        while (claimed < blocks && InUse(index, block + claimed)) ++claimed;
        at += (claimed - 1) * kBlock;
    }
    // Freed records after the live ones: a deleted entry's file may still be
    // there, and a bitmap lost to damage must not hide every record. Each
    // free block is looked at, whatever a freed record before it claimed;
    // what a freed record no longer holds whole is passed by, not counted.
    for (std::size_t at = kFirstRecord; at <= index.size() && index.size() - at >= kBlock; at += kBlock) {
        const std::size_t block = (at - kFirstRecord) / kBlock;
        const std::string_view kind = index.substr(at, 4);
        if (InUse(index, block) || (kind != "URL " && kind != "LEAK")) continue;
        const std::uint32_t blocks = Le32(index, at + 4);
        if (blocks == 0 || blocks > kMaxRecordBlocks || blocks > (index.size() - at) / kBlock) continue;
        int ignored = 0;
        if (auto r = ReadUrlRecord(index.substr(at, blocks * kBlock), folders, v47, ignored))
            reading.records.push_back(std::move(*r));
    }
    return reading;
}

}  // namespace fh
