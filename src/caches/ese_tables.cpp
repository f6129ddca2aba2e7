#include "caches/ese_tables.h"

#include <algorithm>
#include <optional>

#include "base/utf8.h"

namespace fh {

namespace {

// The catalog's own fixed columns, where its records keep them.
enum CatalogField : std::uint32_t {
    kObjidTable = 1,
    kType = 2,
    kId = 3,
    kColtypOrPgnoFdp = 4,
    kSpaceUsage = 5,
    kPagesOrLocale = 7,
    kRecordOffset = 9,
    kName = 128,
};
constexpr std::uint32_t kCatalogTable = 1, kCatalogColumn = 2, kCatalogLongValue = 4;
constexpr std::size_t kMaxTables = 1u << 14;
constexpr std::size_t kMaxColumns = 1u << 16;

// Tagged value flags.
constexpr unsigned kCompressed = 0x02, kLong = 0x04, kMultiple = 0x08, kSized = 0x10;

std::uint32_t Le16(std::string_view bytes, std::size_t at) {
    if (at > bytes.size() || bytes.size() - at < 2) return 0;
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

EseColumn Fixed(std::uint32_t id, std::uint32_t type, std::uint32_t size, std::uint32_t offset) {
    EseColumn column;
    column.id = id;
    column.type = type;
    column.size = size;
    column.offset = offset;
    return column;
}

// What the catalog's records need of the catalog, known before it is read.
EseTable CatalogTable() {
    EseTable table;
    table.name = "MSysObjects";
    table.root = kEseCatalogRoot;
    table.columns = {Fixed(kObjidTable, kEseLong, 4, 4),      Fixed(kType, kEseShort, 2, 8),
                     Fixed(kId, kEseLong, 4, 10),             Fixed(kColtypOrPgnoFdp, kEseLong, 4, 14),
                     Fixed(kSpaceUsage, kEseLong, 4, 18),     Fixed(kPagesOrLocale, kEseLong, 4, 26),
                     Fixed(kRecordOffset, kEseShort, 2, 31),  Fixed(kName, kEseText, 0, 0)};
    return table;
}

std::uint32_t FixedSize(const EseColumn& column) {
    switch (column.type) {
    case kEseBit:
    case kEseUnsignedByte: return 1;
    case kEseShort:
    case kEseUnsignedShort: return 2;
    case kEseLong:
    case kEseSingle:
    case kEseUnsignedLong: return 4;
    case kEseCurrency:
    case kEseDouble:
    case kEseDateTime:
    case kEseLongLong: return 8;
    case kEseGuid: return 16;
    default: return column.size;
    }
}

}  // namespace

const EseColumn* EseTable::Column(std::string_view wanted) const {
    for (const EseColumn& column : columns)
        if (column.name == wanted) return &column;
    return nullptr;
}

std::vector<EseTable> ReadCatalog(EseDatabase& db) {
    const EseTable catalog = CatalogTable();
    std::vector<EseTable> tables;
    std::size_t columns = 0;
    ForEachRecord(db, catalog, [&](EseRecord& record) {
        const auto number = [&](std::uint32_t id) {
            for (const EseColumn& column : catalog.columns)
                if (column.id == id) return static_cast<std::uint32_t>(EseInteger(record.Raw(column)));
            return 0u;
        };
        const std::uint32_t type = number(kType), owner = number(kObjidTable);
        if (type == kCatalogTable) {
            if (tables.size() == kMaxTables) return false;
            EseTable table;
            table.objectId = owner;
            table.root = number(kColtypOrPgnoFdp);
            table.name = std::string(record.Raw(catalog.columns.back()));
            tables.push_back(std::move(table));
            return true;
        }
        // A column or long-value tree belongs to the table just read: the
        // catalog's key puts each table's rows after its own.
        if (tables.empty() || tables.back().objectId != owner) return true;
        EseTable& table = tables.back();
        if (type == kCatalogLongValue) table.longValueRoot = number(kColtypOrPgnoFdp);
        if (type != kCatalogColumn) return true;
        if (++columns > kMaxColumns) return false;
        EseColumn column;
        column.id = number(kId);
        column.type = number(kColtypOrPgnoFdp);
        column.size = number(kSpaceUsage);
        column.codePage = number(kPagesOrLocale);
        column.offset = number(kRecordOffset);
        column.name = std::string(record.Raw(catalog.columns.back()));
        table.columns.push_back(std::move(column));
        return true;
    });
    // Fixed columns without a place of their own follow one another.
    for (EseTable& table : tables) {
        std::uint32_t at = 4;
        for (EseColumn& column : table.columns) {
            if (column.id >= 128) continue;
            if (column.offset < 4) column.offset = at;
            at = column.offset + FixedSize(column);
        }
    }
    return tables;
}

EseRecord::EseRecord(EseDatabase& db, const EseTable& table, std::string_view data)
    : m_db(db), m_table(table), m_data(data) {}

std::string_view EseRecord::Fixed(const EseColumn& column) const {
    const std::uint32_t lastFixed = m_data.empty() ? 0 : static_cast<unsigned char>(m_data[0]);
    if (column.id == 0 || column.id > lastFixed) return {};
    // Between the fixed values and the variable ones, a bit for each fixed
    // column marks it empty.
    const std::size_t variables = Le16(m_data, 2), bitmap = (lastFixed + 7) / 8;
    if (variables >= 4 + bitmap && variables <= m_data.size()) {
        const std::size_t at = variables - bitmap + (column.id - 1) / 8;
        if (static_cast<unsigned char>(m_data[at]) >> ((column.id - 1) % 8) & 1) return {};
    }
    const std::size_t size = FixedSize(column);
    if (column.offset > m_data.size() || size > m_data.size() - column.offset) return {};
    return m_data.substr(column.offset, size);
}

std::string_view EseRecord::Variable(std::uint32_t id) const {
    const std::uint32_t lastVariable = m_data.size() < 2 ? 0 : static_cast<unsigned char>(m_data[1]);
    if (id < 128 || id > lastVariable) return {};
    const std::size_t sizes = Le16(m_data, 2), count = lastVariable - 127, index = id - 128;
    const std::size_t start = index == 0 ? 0 : Le16(m_data, sizes + 2 * (index - 1)) & 0x7FFF;
    const std::uint32_t end = Le16(m_data, sizes + 2 * index);
    const std::size_t values = sizes + 2 * count;
    if ((end & 0x8000) || (end & 0x7FFF) < start || values > m_data.size() ||
        (end & 0x7FFF) > m_data.size() - values) {
        return {};
    }
    return m_data.substr(values + start, (end & 0x7FFF) - start);
}

std::string EseRecord::LongValue(std::string_view id, bool& ok) {
    // The long value's key is its identifier with the bytes reversed; its
    // pieces follow under that key and their offset, big-endian.
    std::string key(id.rbegin(), id.rend());
    std::string value;
    ok = m_table.longValueRoot != 0;
    if (!ok) return value;
    bool ended = false;
    m_db.Seek(m_table.longValueRoot, key, [&](const EseEntry& entry) {
        if (entry.key.size() != key.size() + 4) return true;
        if (Be32(entry.key, key.size()) != value.size() || entry.data.size() > kMaxEseLongValue - value.size()) {
            ok = false;
            return false;
        }
        value.append(entry.data);
        ended = true;
        return true;
    });
    ok = ok && ended;
    return value;
}

std::vector<std::string> EseRecord::Values(const EseColumn& column) {
    std::vector<std::string> values;
    if (column.id < 256) {
        const std::string_view bytes = Raw(column);
        if (!bytes.empty()) values.emplace_back(bytes);
        return values;
    }
    // Tagged values follow the variable ones: an array of identifiers and
    // offsets (its first offset says how long it is), then the values.
    const std::uint32_t lastVariable = m_data.size() < 2 ? 0 : static_cast<unsigned char>(m_data[1]);
    const std::size_t sizes = Le16(m_data, 2), count = lastVariable >= 128 ? lastVariable - 127 : 0;
    const std::size_t start = sizes + 2 * count + (count ? Le16(m_data, sizes + 2 * (count - 1)) & 0x7FFF : 0);
    if (start >= m_data.size()) return values;
    const std::string_view tagged = m_data.substr(start);
    const bool large = m_db.LargePages();
    const std::uint32_t offsetMask = large ? 0x7FFF : 0x3FFF;
    const std::size_t entries = std::min<std::size_t>((Le16(tagged, 2) & offsetMask) / 4, tagged.size() / 4);
    for (std::size_t i = 0; i < entries; ++i) {
        if (Le16(tagged, 4 * i) != column.id) continue;
        const std::uint32_t raw = Le16(tagged, 4 * i + 2);
        const std::size_t from = raw & offsetMask;
        const std::size_t to = i + 1 < entries ? Le16(tagged, 4 * i + 6) & offsetMask : tagged.size();
        if (from >= tagged.size() || to > tagged.size() || to < from) {
            m_db.CountDamage();
            return values;
        }
        std::string_view value = tagged.substr(from, to - from);
        unsigned flags = 0;
        if (large || (raw & 0x4000)) {
            if (value.empty()) return values;
            flags = static_cast<unsigned char>(value[0]);
            value.remove_prefix(1);
        }
        std::vector<std::string_view> pieces;
        if (flags & kSized) {
            // The first value's size leads, the next follows it.
            const std::size_t first = value.empty() ? 0 : static_cast<unsigned char>(value[0]);
            if (first >= value.size()) {
                m_db.CountDamage();
                return values;
            }
            pieces = {value.substr(1, first)};
            if (first + 1 < value.size()) pieces.push_back(value.substr(first + 1));
        } else if (flags & kMultiple) {
            // Offsets to each value, the first of them telling how many.
            const std::size_t n = std::min<std::size_t>((Le16(value, 0) & 0x7FFF) / 2, value.size() / 2);
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t a = Le16(value, 2 * k) & 0x7FFF;
                const std::size_t b = k + 1 < n ? Le16(value, 2 * k + 2) & 0x7FFF : value.size();
                if (a > b || b > value.size()) {
                    m_db.CountDamage();
                    break;
                }
                pieces.push_back(value.substr(a, b - a));
            }
        } else {
            pieces = {value};
        }
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            std::string piece(pieces[k]);
            bool ok = true;
            if (flags & kLong) piece = LongValue(piece, ok);
            // Only a multi-valued column's first value is ever compressed.
            if (ok && (flags & kCompressed) && k == 0) {
                std::optional<std::string> expanded = EseExpand7Bit(piece);
                ok = expanded.has_value();
                if (ok) piece = std::move(*expanded);
            }
            if (!ok) {
                m_db.CountDamage();
                continue;
            }
            values.push_back(std::move(piece));
        }
        return values;
    }
    return values;
}

std::string_view EseRecord::Raw(const EseColumn& column) const {
    if (column.id < 128) return Fixed(column);
    return column.id < 256 ? Variable(column.id) : std::string_view();
}

std::string EseRecord::Value(const EseColumn& column) {
    std::vector<std::string> values = Values(column);
    return values.empty() ? std::string() : std::move(values.front());
}

void ForEachRecord(EseDatabase& db, const EseTable& table, const std::function<bool(EseRecord&)>& row) {
    db.WalkTree(table.root, [&](const EseEntry& entry) {
        EseRecord record(db, table, entry.data);
        return row(record);
    });
}

std::string EseText(const EseColumn& column, std::string_view value) {
    if (column.codePage != 1200) return std::string(value);
    std::string text;
    for (std::size_t at = 0; at + 1 < value.size(); at += 2) {
        std::uint32_t c = Le16(value, at);
        if (c >= 0xD800 && c < 0xDC00 && at + 3 < value.size()) {
            const std::uint32_t low = Le16(value, at + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            }
        }
        AppendUtf8(text, c);
    }
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::int64_t EseInteger(std::string_view value) {
    std::uint64_t bits = 0;
    const std::size_t size = std::min<std::size_t>(value.size(), 8);
    for (std::size_t i = 0; i < size; ++i) bits |= std::uint64_t(static_cast<unsigned char>(value[i])) << (8 * i);
    if (size > 0 && size < 8 && (bits >> (8 * size - 1) & 1)) bits |= ~std::uint64_t(0) << (8 * size);
    return static_cast<std::int64_t>(bits);
}

std::optional<std::string> EseExpand7Bit(std::string_view value) {
    if (value.empty()) return std::nullopt;
    const unsigned lead = static_cast<unsigned char>(value[0]) >> 3;
    if (lead != 1 && lead != 2) return std::nullopt;
    std::string out;
    const std::size_t count = (value.size() - 1) * 8 / 7;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t bit = 8 + 7 * i;
        const unsigned word = static_cast<unsigned char>(value[bit / 8]) |
                              (bit / 8 + 1 < value.size() ? static_cast<unsigned char>(value[bit / 8 + 1]) << 8 : 0);
        out += static_cast<char>(word >> (bit % 8) & 0x7F);
        if (lead == 1) out += '\0';
    }
    return out;
}

}  // namespace fh
