// The ESE reader and the WebCache tables on a real, dirty IE11 database
// (FLICKHOLD_WEBCACHE: tests/data/webcache), against what libesedb's
// esedbinfo and esedbexport list for it, and on damaged copies.

#include "caches/webcache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "caches/ese_tables.h"

namespace fh {
namespace {

std::string FixtureFile(const std::string& name) {
    const char* folder = std::getenv("FLICKHOLD_WEBCACHE");
    std::ifstream in(std::string(folder ? folder : ".") + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string& Database() {
    static const std::string bytes =
        DecodeBody(FixtureFile("WebCacheV01-win10-2021-dirty.dat.gz"), BodyEncoding::Gzip, 64u << 20).value_or("");
    return bytes;
}

std::vector<std::vector<std::string>> TsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);  // the column names
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
        rows.push_back(fields);
    }
    return rows;
}

class Bytes : public CacheFile {
public:
    explicit Bytes(std::string bytes) : m_bytes(std::move(bytes)) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::string ReadAt(std::uint64_t offset, std::size_t count) override {
        return offset >= m_bytes.size() ? std::string() : m_bytes.substr(static_cast<std::size_t>(offset), count);
    }

private:
    std::string m_bytes;
};

std::string Flipped(std::string bytes, std::size_t at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 0x10);
    return bytes;
}

TEST(EseDatabase, HeaderItsShadowAndPageChecksums) {
    ASSERT_EQ(16u << 20, Database().size()) << "FLICKHOLD_WEBCACHE names no database";
    const std::size_t page = 32768;
    const struct {
        const char* label;
        std::string bytes;
        bool opens;
    } cases[] = {
        {"whole", Database(), true},
        {"first header damaged: its shadow", Flipped(Database(), 100), true},
        {"both headers damaged", Flipped(Flipped(Database(), 100), page + 100), false},
        {"cut inside the first header", Database().substr(0, 600), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Bytes file(c.bytes);
        EseDatabase db(file);
        ASSERT_EQ(c.opens, db.Open());
        if (!c.opens) continue;
        EXPECT_EQ(page, db.PageSize());
        EXPECT_EQ(0x14u, db.Revision());
        EXPECT_EQ(2u, db.State());  // dirty: read as it stands
        EXPECT_EQ(Database().size() / page - 2, db.PageCount());
    }
    // A byte changed in any 8 KiB block of a page fails that block's
    // checksum: the page is counted once and never given out.
    for (std::size_t block = 0; block < 4; ++block) {
        SCOPED_TRACE("block " + std::to_string(block));
        const std::uint32_t number = kEseCatalogRoot;
        Bytes file(Flipped(Database(), (number + 1) * page + block * 8192 + 100));
        EseDatabase db(file);
        ASSERT_TRUE(db.Open());
        EXPECT_EQ(nullptr, db.Page(number));
        EXPECT_EQ(nullptr, db.Page(number));
        EXPECT_NE(nullptr, db.Page(number + 1));
        EXPECT_EQ(1, db.Damaged());
    }
}

const char* TypeName(std::uint32_t type) {
    switch (type) {
    case kEseBit: return "Boolean";
    case kEseUnsignedByte: return "Integer 8-bit unsigned";
    case kEseShort: return "Integer 16-bit signed";
    case kEseLong: return "Integer 32-bit signed";
    case kEseBinary: return "Binary data";
    case kEseText: return "Text";
    case kEseLongBinary: return "Large binary data";
    case kEseLongText: return "Large text";
    case kEseUnsignedLong: return "Integer 32-bit unsigned";
    case kEseLongLong: return "Integer 64-bit signed";
    case kEseUnsignedShort: return "Integer 16-bit unsigned";
    default: return "other";
    }
}

TEST(EseTables, CatalogListsTheTablesAndColumnsEsedbinfoGives) {
    Bytes file(Database());
    EseDatabase db(file);
    ASSERT_TRUE(db.Open());
    // esedbinfo's lines: "Table: N<tabs>Name (object)", then "<tab>K<tab>Id<tab>Name<tab>Type".
    std::ostringstream listing;
    const std::vector<EseTable> tables = ReadCatalog(db);
    for (std::size_t t = 0; t < tables.size(); ++t) {
        listing << "Table: " << t + 1 << "\t\t\t" << tables[t].name << " (" << tables[t].objectId << ")\n";
        for (std::size_t k = 0; k < tables[t].columns.size(); ++k) {
            const EseColumn& column = tables[t].columns[k];
            listing << '\t' << k + 1 << '\t' << column.id << '\t' << column.name << '\t' << TypeName(column.type)
                    << '\n';
        }
    }
    EXPECT_EQ(FixtureFile("catalog.txt"), listing.str());
    EXPECT_EQ(0, db.Damaged());
}

TEST(WebCache, ContentRowsAreThoseEsedbexportGives) {
    Bytes file(Database());
    const WebCacheReading reading = ReadWebCache(file);
    EXPECT_EQ(0, reading.damaged);
    std::vector<std::vector<std::string>> expected = TsvRows(FixtureFile("content-rows.tsv")), actual;
    ASSERT_EQ(46u, expected.size());
    for (auto& row : expected) row.erase(row.begin());  // the entry's number
    for (const WebCacheRow& row : reading.rows) {
        actual.push_back({row.folder, row.fileName, std::to_string(row.fileSize), std::to_string(row.modified),
                          std::to_string(row.accessed), std::to_string(row.expires), row.url});
        EXPECT_EQ("C:\\Users\\Administrator\\AppData\\Local\\Microsoft\\Windows\\INetCache\\IE\\", row.directory);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(expected, actual);
}

// Writes a changed page's XOR checksums again, as the engine would have, so
// that only the change itself is damage.
void Reseal(std::string& db, std::uint32_t number) {
    const std::size_t at = (number + 1) * std::size_t(32768);
    const auto xorOf = [&](std::size_t from, std::size_t to) {
        std::uint32_t sum = number;
        for (std::size_t i = from; i < to; i += 4) sum ^= Le32(db, at + i);
        return sum;
    };
    const auto put = [&](std::size_t where, std::uint32_t value) {
        for (std::size_t k = 0; k < 4; ++k) db[at + where + k] = static_cast<char>(value >> (8 * k));
    };
    for (std::size_t block = 1; block < 4; ++block) put(32 + 8 * block, xorOf(block * 8192, (block + 1) * 8192));
    put(0, xorOf(8, 8192));
}

void Put16(std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

TEST(WebCache, DamageLosesOnlyTheRowsItTouchesAndIsCounted) {
    // Where Container_1's rows lie: its root and the leaves it leads to.
    Bytes whole(Database());
    EseDatabase db(whole);
    ASSERT_TRUE(db.Open());
    const std::vector<EseTable> tables = ReadCatalog(db);
    const auto table = std::find_if(tables.begin(), tables.end(), [](const EseTable& t) { return t.name == "Container_1"; });
    ASSERT_NE(tables.end(), table);
    const std::shared_ptr<const EsePage> root = db.Page(table->root);
    ASSERT_TRUE(root && !root->IsLeaf());
    std::vector<std::uint32_t> leaves;
    std::vector<std::size_t> rowsOn;
    for (const EseEntry& entry : db.Entries(*root)) {
        leaves.push_back(entry.child);
        rowsOn.push_back(db.Entries(*db.Page(entry.child)).size());
    }
    ASSERT_GE(leaves.size(), 3u);
    const std::size_t page = db.PageSize();

    std::string cut = Database().substr(0, (leaves.back() + 1) * page + page / 2);
    std::string badChecksum = Flipped(Database(), (leaves[0] + 1) * page + page / 2);
    // The root's first entry leads back to the root.
    std::string looped = Database();
    const EsePage::Tag first = root->tags[1];
    for (std::size_t k = 0; k < 4; ++k)
        looped[(table->root + 1) * page + first.at + first.size - 4 + k] = static_cast<char>(table->root >> (8 * k));
    Reseal(looped, table->root);
    // A record's second tagged value starts past the record: the first runs
    // past it too.
    std::string overrun = Database();
    const std::shared_ptr<const EsePage> leaf = db.Page(leaves[1]);
    const std::string_view record = db.Entries(*leaf).front().data;
    const std::size_t recordAt = (leaves[1] + 1) * page + static_cast<std::size_t>(record.data() - leaf->bytes.data());
    // This table has no variable columns: its tagged values follow the fixed ones.
    ASSERT_LT(static_cast<unsigned char>(record[1]), 128);
    const std::size_t tagged = Le32(record, 2) & 0xFFFF;
    Put16(overrun, recordAt + tagged + 6, 0x7FFF);
    Reseal(overrun, leaves[1]);

    const struct {
        const char* label;
        const std::string& bytes;
        std::size_t lost;
    } cases[] = {
        {"cut short inside the last leaf", cut, rowsOn.back()},
        {"a leaf with a bad checksum", badChecksum, rowsOn[0]},
        {"a branch leading back to its own page", looped, rowsOn[0]},
        {"a tagged value running past its record", overrun, 1},
    };
    std::vector<std::vector<std::string>> expected = TsvRows(FixtureFile("content-rows.tsv"));
    std::set<std::string> urls;
    for (const auto& row : expected) urls.insert(row.back());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Bytes file(c.bytes);
        const WebCacheReading reading = ReadWebCache(file);
        EXPECT_GT(reading.damaged, 0);
        EXPECT_EQ(expected.size() - c.lost, reading.rows.size());
        for (const WebCacheRow& row : reading.rows) EXPECT_TRUE(urls.count(row.url)) << row.url;
    }
}

}  // namespace
}  // namespace fh
