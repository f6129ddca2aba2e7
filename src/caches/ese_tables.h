#pragma once
// The tables of an ESE database: the catalog (MSysObjects) with each table's
// columns, and records read column by column: fixed, variable and tagged
// values (several for a multi-valued column), long values gathered from the
// table's long-value tree, and values stored 7-bit compressed. A value that
// cannot be decoded reads empty and is counted as damaged.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "caches/ese_pages.h"

namespace fh {

// Column types, as the catalog stores them.
enum EseColumnType : std::uint32_t {
    kEseBit = 1,
    kEseUnsignedByte = 2,
    kEseShort = 3,
    kEseLong = 4,
    kEseCurrency = 5,
    kEseSingle = 6,
    kEseDouble = 7,
    kEseDateTime = 8,
    kEseBinary = 9,
    kEseText = 10,
    kEseLongBinary = 11,
    kEseLongText = 12,
    kEseUnsignedLong = 14,
    kEseLongLong = 15,
    kEseGuid = 16,
    kEseUnsignedShort = 17,
};

struct EseColumn {
    std::uint32_t id = 0;  // 1-127 fixed, 128-255 variable, 256 and up tagged
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::uint32_t codePage = 0;
    std::uint32_t offset = 0;  // a fixed column's place in the record
    std::string name;
};

struct EseTable {
    std::string name;
    std::uint32_t objectId = 0;
    std::uint32_t root = 0;
    std::uint32_t longValueRoot = 0;  // 0: the table has no long values
    std::vector<EseColumn> columns;

    const EseColumn* Column(std::string_view name) const;
};

// The tables the catalog names, in its order, each with its columns.
std::vector<EseTable> ReadCatalog(EseDatabase& db);

// The largest value gathered from a long-value tree; the WebCache's are
// addresses and headers, far smaller.
constexpr std::size_t kMaxEseLongValue = 1u << 20;

class EseRecord {
public:
    EseRecord(EseDatabase& db, const EseTable& table, std::string_view data);

    // The column's values, decoded (one for most columns, none when the row
    // has no value); an undecodable one is left out and counted.
    std::vector<std::string> Values(const EseColumn& column);
    std::string Value(const EseColumn& column);
    // A fixed or variable column's bytes as stored, without a copy.
    std::string_view Raw(const EseColumn& column) const;

private:
    std::string_view Fixed(const EseColumn& column) const;
    std::string_view Variable(std::uint32_t id) const;
    std::string LongValue(std::string_view id, bool& ok);

    EseDatabase& m_db;
    const EseTable& m_table;
    std::string_view m_data;
};

// Each record of the table, in key order, until `row` returns false.
void ForEachRecord(EseDatabase& db, const EseTable& table, const std::function<bool(EseRecord&)>& row);

// A text column's value in UTF-8 (UTF-16 in code page 1200, with its
// trailing NULs dropped; other code pages' bytes as they are).
std::string EseText(const EseColumn& column, std::string_view value);
// A fixed integer or time value, little-endian and signed by its size.
std::int64_t EseInteger(std::string_view value);

// A 7-bit compressed value expanded (ASCII, or UTF-16 code units); nothing
// for other compressions.
std::optional<std::string> EseExpand7Bit(std::string_view value);

}  // namespace fh
