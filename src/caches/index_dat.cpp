#include "caches/index_dat.h"

#include "base/codepage.h"

namespace fh {

namespace {

constexpr std::size_t kBlock = 0x80;
constexpr std::size_t kFirstRecord = 0x4000;
constexpr std::size_t kFolderCount = 0x48;
constexpr std::size_t kFolders = 0x4C;
constexpr std::size_t kMaxFolders = 256;
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
    for (std::size_t at = kFirstRecord; at + kBlock <= index.size(); at += kBlock) {
        if (index.compare(at, 4, "URL ") != 0) continue;
        const std::uint32_t blocks = Le32(index, at + 4);
        if (blocks == 0 || blocks > kMaxRecordBlocks || at + blocks * kBlock > index.size()) {
            ++reading.damaged;
            continue;
        }
        const std::string_view record = index.substr(at, blocks * kBlock);
        CacheRecord r;
        r.kind = "IE index.dat";
        r.url = std::string(TextIn(record, Le32(record, 0x34)));
        const std::string_view local = TextIn(record, Le32(record, 0x3C));
        const unsigned char folder = static_cast<unsigned char>(record[0x38]);
        if (r.url.empty() || local.empty() || folder >= folders.size() || folders[folder].empty() ||
            local.find_first_of("\\/:") != std::string_view::npos || local == "." || local == ".." ||
            IsDeviceName(local, CodePage()) || IsDeviceName(folders[folder], CodePage())) {
            // Records of the history or cookies have no file; others are damaged.
            if (r.url.empty() || !local.empty()) ++reading.damaged;
            continue;
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
        reading.records.push_back(std::move(r));
        at += (blocks - 1) * kBlock;
    }
    return reading;
}

}  // namespace fh
