#include "avm1/avm1_program.h"

#include <cstring>

namespace fh::avm1 {

namespace {

// Blocks indexed by offset up to this size (four bytes of index a byte),
// and actions kept per block up to this count: past them, decoding is per visit.
constexpr std::size_t kMaxIndexed = 4u << 20;
constexpr std::size_t kMaxOps = 1u << 20;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

bool ReadString(const std::uint8_t* p, std::size_t len, std::size_t& i, std::string& out) {
    const void* end = i < len ? std::memchr(p + i, 0, len - i) : nullptr;
    if (!end) return false;
    std::size_t n = static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - (p + i));
    out.assign(reinterpret_cast<const char*>(p + i), n);
    i += n + 1;
    return true;
}

bool HasHighBytes(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

Program::Program(std::size_t size) : m_size(size) {
    if (size <= kMaxIndexed) m_index.assign(size, 0);
}

const Op& Program::Decode(std::size_t pc, const std::uint8_t* data, Host& host, int version) {
    const bool keep = pc < m_index.size() && m_ops.size() < kMaxOps;
    Op op;
    op.kept = keep;
    std::uint8_t code = data[pc];
    const std::uint8_t* p = data + pc + 1;
    std::size_t next = pc + 1;
    if (code >= 0x80) {
        if (pc + 3 > m_size || (next = pc + 3 + U16(p)) > m_size) code = 0;
        p += 2;
    }
    op.code = code;
    if (code != 0) {
        op.next = static_cast<std::uint32_t>(next);
        op.len = code >= 0x80 ? static_cast<std::uint32_t>(next - pc - 3) : 0;
    }
    if ((code == 0x99 || code == 0x9D) && op.len >= 2) {
        // A jump out of the block ends it.
        long long target = static_cast<long long>(next) + static_cast<std::int16_t>(U16(p));
        op.target = static_cast<std::uint32_t>(target < 0 || target > static_cast<long long>(m_size) ? m_size : target);
    } else if (code == 0x96) {
        std::vector<PushItem>& items = keep ? m_items : m_scratchItems;
        if (!keep) items.clear();
        DecodePush(op, p, items, host, version);
        op.thenGetVariable = next < m_size && data[next] == 0x1C;
    }
    if (!keep) {
        m_scratch = op;
        return m_scratch;
    }
    m_ops.push_back(op);
    m_index[pc] = static_cast<std::uint32_t>(m_ops.size());
    return m_ops.back();
}

// The values a Push names, up to the first one its bytes cannot hold.
void Program::DecodePush(Op& op, const std::uint8_t* p, std::vector<PushItem>& items, Host& host, int version) {
    const std::size_t len = op.len;
    op.first = static_cast<std::uint32_t>(items.size());
    std::size_t i = 0;
    while (i < len) {
        PushItem item;
        std::uint8_t type = p[i++];
        switch (type) {
        case 0: {
            std::string s;
            if (!ReadString(p, len, i, s)) break;
            // Version 4 and 5 code alike reads the movie's code page.
            if (version < 6 && HasHighBytes(s)) s = host.LocalToUtf8(s);
            item.value = Value(std::move(s));
            items.push_back(std::move(item));
            continue;
        }
        case 1: {
            if (i + 4 > len) break;
            std::uint32_t bits = U32(p + i);
            float v;
            std::memcpy(&v, &bits, 4);
            item.value = Value(static_cast<double>(v));
            i += 4;
            items.push_back(std::move(item));
            continue;
        }
        case 2:
            item.value = Value::Null();
            items.push_back(std::move(item));
            continue;
        case 3:
            items.push_back(std::move(item));
            continue;
        case 4:
            if (i + 1 > len) break;
            item.kind = PushItem::Register;
            item.index = p[i++];
            items.push_back(std::move(item));
            continue;
        case 5:
            if (i + 1 > len) break;
            item.value = Value(p[i++] != 0);
            items.push_back(std::move(item));
            continue;
        case 6: {
            // The high word first, each word little-endian.
            if (i + 8 > len) break;
            std::uint64_t bits = static_cast<std::uint64_t>(U32(p + i)) << 32 | U32(p + i + 4);
            double v;
            std::memcpy(&v, &bits, 8);
            item.value = Value(v);
            i += 8;
            items.push_back(std::move(item));
            continue;
        }
        case 7:
            if (i + 4 > len) break;
            item.value = Value(static_cast<double>(static_cast<std::int32_t>(U32(p + i))));
            i += 4;
            items.push_back(std::move(item));
            continue;
        case 8:
        case 9: {
            std::size_t width = type == 8 ? 1 : 2;
            if (i + width > len) break;
            item.kind = PushItem::Pool;
            item.index = static_cast<std::uint16_t>(type == 8 ? p[i] : U16(p + i));
            i += width;
            items.push_back(std::move(item));
            continue;
        }
        default:
            break;
        }
        break;
    }
    op.count = static_cast<std::uint16_t>(items.size() - op.first);
}

}  // namespace fh::avm1
