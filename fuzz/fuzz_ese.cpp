// The ESE reader and the WebCache tables over any bytes. Unless the input's
// last byte is odd, every page's XOR checksums are written again first, so
// that a change reaches the page, tree and record readers behind them rather
// than stopping at the checksum.

#include "caches/ese_tables.h"
#include "caches/webcache.h"
#include "fuzz/fuzz_util.h"

namespace {

using namespace fh;

class Bytes : public CacheFile {
public:
    explicit Bytes(const std::string& bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::string ReadAt(std::uint64_t offset, std::size_t count) override {
        return offset >= m_bytes.size() ? std::string() : m_bytes.substr(static_cast<std::size_t>(offset), count);
    }

private:
    const std::string& m_bytes;
};

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>(value >> (8 * k));
}

std::uint32_t XorOf(const std::string& bytes, std::size_t from, std::size_t to, std::uint32_t seed) {
    for (std::size_t at = from; at + 4 <= to; at += 4) seed ^= Le32(bytes, at);
    return seed;
}

void Reseal(std::string& db) {
    const std::size_t page = Le32(db, 236);
    const std::uint32_t revision = Le32(db, 232);
    if (page != 4096 && page != 8192 && page != 16384 && page != 32768) return;
    for (std::size_t header = 0; header < 2 && (header + 1) * page <= db.size(); ++header)
        Put32(db, header * page, XorOf(db, header * page + 4, (header + 1) * page, 0x89ABCDEF));
    for (std::size_t at = 2 * page; at + page <= db.size(); at += page) {
        const std::uint32_t number = static_cast<std::uint32_t>(at / page - 1);
        if (revision >= 0x11 && page >= 16384) {
            Put32(db, at + 64, number);
            Put32(db, at + 68, 0);
            for (std::size_t block = 1; block < page / 8192; ++block)
                Put32(db, at + 32 + 8 * block, XorOf(db, at + block * 8192, at + (block + 1) * 8192, number));
            Put32(db, at, XorOf(db, at + 8, at + 8192, number));
        } else if (Le32(db, at + 36) & 0x2000) {
            Put32(db, at, XorOf(db, at + 8, at + page, number));
        } else {
            Put32(db, at + 4, number);
            Put32(db, at, XorOf(db, at + 4, at + page, 0x89ABCDEF));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string db = fuzz::Text(data, size);
    if (!db.empty() && !(db.back() & 1)) Reseal(db);
    Bytes file(db);
    for (const WebCacheRow& row : ReadWebCache(file).rows) {
        fuzz::Require(!row.url.empty() && row.folder.size() == 8, "a row names its address and folder");
        fuzz::Require(!row.fileName.empty() && row.fileName != "." && row.fileName != ".." &&
                          row.fileName.find_first_of("\\/:") == std::string::npos,
                      "a row's file stays in its folder");
    }
    // Every value of every table, as a reader of other tables would ask.
    EseDatabase ese(file);
    if (!ese.Open()) return 0;
    for (const EseTable& table : ReadCatalog(ese)) {
        ForEachRecord(ese, table, [&](EseRecord& record) {
            for (const EseColumn& column : table.columns)
                for (const std::string& value : record.Values(column))
                    fuzz::Require(value.size() <= kMaxEseLongValue + 0x8000, "a value stays within its bounds");
            return true;
        });
    }
    return 0;
}
