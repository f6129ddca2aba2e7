#include "caches/ese_pages.h"

#include <algorithm>
#include <cstring>

namespace fh {

namespace {

constexpr std::uint32_t kSignature = 0x89ABCDEF;
constexpr std::size_t kHeaderFields = 668;
// Large pages keep a checksum for each 8 KiB block of the page.
constexpr std::size_t kChecksumBlock = 8192;
// Pages kept for the walks that come back to them (long values descend the
// same tree's top pages again and again).
constexpr std::size_t kRecentPages = 8;
// No real tree is deeper; a deeper one is damage, not data.
constexpr int kMaxTreeDepth = 16;
// How many leaves a seek follows to the right.
constexpr std::uint32_t kMaxSeekPages = 1024;

std::uint32_t Le16(std::string_view bytes, std::size_t at) {
    if (at > bytes.size() || bytes.size() - at < 2) return 0;
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

// The XOR of the little-endian 32-bit words in [from, to), eight bytes at a
// time: checksums cover every byte of every page read.
std::uint32_t XorOfWords(std::string_view bytes, std::size_t from, std::size_t to, std::uint32_t seed) {
    to = std::min(to, bytes.size());
    std::uint64_t wide = 0;
    std::size_t at = from;
    for (; at + 8 <= to; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, 8);
        wide ^= word;
    }
    const unsigned char* low = reinterpret_cast<const unsigned char*>(&wide);
    seed ^= Le32(std::string_view(reinterpret_cast<const char*>(low), 8), 0) ^
            Le32(std::string_view(reinterpret_cast<const char*>(low), 8), 4);
    for (; at + 4 <= to; at += 4) seed ^= Le32(bytes, at);
    return seed;
}

bool ValidPageSize(std::uint32_t size) { return size == 4096 || size == 8192 || size == 16384 || size == 32768; }

}  // namespace

EseDatabase::EseDatabase(CacheFile& file) : m_file(file) {}

bool EseDatabase::ReadHeader(std::uint64_t at, std::uint32_t expectedPageSize) {
    const std::string fields = m_file.ReadAt(at, kHeaderFields);
    if (fields.size() < kHeaderFields || Le32(fields, 4) != kSignature) return false;
    const std::uint32_t pageSize = Le32(fields, 236);
    if (!ValidPageSize(pageSize) || (expectedPageSize && pageSize != expectedPageSize)) return false;
    const std::string page = m_file.ReadAt(at, pageSize);
    if (page.size() < pageSize || XorOfWords(page, 4, pageSize, kSignature) != Le32(page, 0)) return false;
    m_pageSize = pageSize;
    m_format = Le32(page, 8);
    m_state = Le32(page, 52);
    m_revision = Le32(page, 232);
    return true;
}

bool EseDatabase::Open() {
    bool found = ReadHeader(0, 0);
    // The shadow copy lies one page further, at an offset only its own page
    // size gives.
    for (std::uint32_t size = 4096; !found && size <= 32768; size *= 2) found = ReadHeader(size, size);
    if (!found) return false;
    const std::uint64_t pages = m_file.Size() / m_pageSize;
    m_pageCount = pages > 2 ? static_cast<std::uint32_t>(std::min<std::uint64_t>(pages - 2, 0xFFFFFFF0u)) : 0;
    m_counted.assign(m_pageCount + 1, false);
    return true;
}

bool EseDatabase::ChecksumHolds(const std::string& bytes, std::uint32_t number) const {
    if (LargePages()) {
        if (Le64(bytes, 64) != number || XorOfWords(bytes, 8, kChecksumBlock, number) != Le32(bytes, 0)) return false;
        for (std::size_t block = 1; block < m_pageSize / kChecksumBlock; ++block)
            if (XorOfWords(bytes, block * kChecksumBlock, (block + 1) * kChecksumBlock, number) !=
                Le32(bytes, 32 + 8 * block))
                return false;
        return true;
    }
    // Pages written since the ECC form seed their XOR half with their number;
    // older ones keep their number beside the checksum instead.
    if (Le32(bytes, 36) & 0x2000) return XorOfWords(bytes, 8, m_pageSize, number) == Le32(bytes, 0);
    return Le32(bytes, 4) == number && XorOfWords(bytes, 4, m_pageSize, kSignature) == Le32(bytes, 0);
}

std::shared_ptr<EsePage> EseDatabase::Parse(std::string bytes, std::uint32_t number) {
    auto page = std::make_shared<EsePage>();
    page->number = number;
    page->previous = Le32(bytes, 16);
    page->next = Le32(bytes, 20);
    page->objectId = Le32(bytes, 24);
    page->flags = Le32(bytes, 36);
    const std::uint32_t header = LargePages() ? 80 : 40;
    std::uint32_t count = Le16(bytes, 34);
    if (m_revision >= 0x122) count &= 0x0FFF;
    if (count * 4 > m_pageSize - header) return nullptr;
    const std::uint32_t valuesEnd = m_pageSize - count * 4;
    page->tags.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = m_pageSize - 4 * (i + 1);
        const std::uint32_t size = Le16(bytes, at), offset = Le16(bytes, at + 2);
        EsePage::Tag& tag = page->tags[i];
        tag.size = size & (LargePages() ? 0x7FFF : 0x1FFF);
        tag.at = header + (offset & (LargePages() ? 0x7FFF : 0x1FFF));
        tag.flags = LargePages() ? 0 : offset >> 13;
        if (tag.at > valuesEnd || tag.size > valuesEnd - tag.at) {
            // A value past the page's values is kept empty, defunct.
            ++m_damaged;
            tag = EsePage::Tag{header, 0, 2};
        } else if (LargePages() && i > 0 && tag.size >= 2) {
            // Large pages keep an entry's flags in the top bits of its first
            // number; they are taken out so that the number reads plain (tag
            // 0 is the page's own header, without flags).
            tag.flags = Le16(bytes, tag.at) >> 13;
            bytes[tag.at + 1] = static_cast<char>(static_cast<unsigned char>(bytes[tag.at + 1]) & 0x1F);
        }
    }
    page->bytes = std::move(bytes);
    return page;
}

std::shared_ptr<const EsePage> EseDatabase::Page(std::uint32_t number) {
    for (std::size_t i = 0; i < m_recent.size(); ++i) {
        if (m_recent[i]->number != number) continue;
        std::rotate(m_recent.begin(), m_recent.begin() + static_cast<std::ptrdiff_t>(i),
                    m_recent.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        return m_recent.front();
    }
    if (number == 0 || number > m_pageCount) {
        ++m_damaged;
        return nullptr;
    }
    std::string bytes = m_file.ReadAt((static_cast<std::uint64_t>(number) + 1) * m_pageSize, m_pageSize);
    std::shared_ptr<EsePage> page;
    if (bytes.size() == m_pageSize && ChecksumHolds(bytes, number)) page = Parse(std::move(bytes), number);
    if (!page) {
        if (!m_counted[number]) ++m_damaged;
        m_counted[number] = true;
        return nullptr;
    }
    if (m_recent.size() == kRecentPages) m_recent.pop_back();
    m_recent.insert(m_recent.begin(), page);
    return page;
}

std::vector<EseEntry> EseDatabase::Entries(const EsePage& page) {
    std::vector<EseEntry> entries;
    if (page.tags.empty()) return entries;
    // Below the root, tag 0 holds the key all the page's keys may share.
    const std::string_view common = page.IsRoot() ? std::string_view() : page.Value(0);
    for (std::size_t i = 1; i < page.tags.size(); ++i) {
        const std::uint32_t flags = page.tags[i].flags;
        if (flags & 0x2) continue;
        const std::string_view value = page.Value(i);
        std::size_t at = 0, shared = 0;
        if (flags & 0x4) {
            shared = Le16(value, 0);
            at = 2;
        }
        const std::size_t local = Le16(value, at);
        at += 2;
        if (at > value.size() || local > value.size() - at || shared > common.size()) {
            ++m_damaged;
            continue;
        }
        EseEntry entry;
        entry.key.assign(common.substr(0, shared));
        entry.key.append(value.substr(at, local));
        entry.data = value.substr(at + local);
        if (!page.IsLeaf()) {
            if (entry.data.size() < 4) {
                ++m_damaged;
                continue;
            }
            entry.child = Le32(entry.data, 0);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

void EseDatabase::WalkTree(std::uint32_t root, const std::function<bool(const EseEntry&)>& leaf) {
    std::shared_ptr<const EsePage> top = Page(root);
    if (!top || top->number != root) return;
    std::vector<bool> visited(m_pageCount + 1, false);
    visited[root] = true;
    struct Frame {
        std::vector<EseEntry> entries;
        std::size_t next = 0;
    };
    std::vector<Frame> stack;
    const int maxDepth = static_cast<int>(std::min<std::uint32_t>(kMaxTreeDepth, m_pageCount));
    const std::uint32_t tree = top->objectId;
    // Leaves are read as they are met; branches stay on the stack as entries.
    auto enter = [&](const EsePage& page) {
        if (page.IsLeaf()) {
            if (page.IsEmpty()) return true;
            for (const EseEntry& entry : Entries(page))
                if (!leaf(entry)) return false;
            return true;
        }
        stack.push_back(Frame{Entries(page), 0});
        return true;
    };
    if (!enter(*top)) return;
    top.reset();
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.entries.size()) {
            stack.pop_back();
            continue;
        }
        const std::uint32_t child = frame.entries[frame.next++].child;
        if (child == 0 || child > m_pageCount || visited[child] || static_cast<int>(stack.size()) >= maxDepth) {
            ++m_damaged;
            continue;
        }
        visited[child] = true;
        std::shared_ptr<const EsePage> page = Page(child);
        if (!page) continue;
        if (page->objectId != tree) {
            ++m_damaged;
            continue;
        }
        if (!enter(*page)) return;
    }
}

void EseDatabase::Seek(std::uint32_t root, std::string_view prefix, const std::function<bool(const EseEntry&)>& leaf) {
    std::shared_ptr<const EsePage> page = Page(root);
    for (int depth = 0; page && !page->IsLeaf(); ++depth) {
        const std::uint32_t tree = page->objectId;
        const std::vector<EseEntry> entries = Entries(*page);
        if (entries.empty() || depth >= kMaxTreeDepth) {
            ++m_damaged;
            return;
        }
        std::uint32_t child = entries.back().child;
        for (const EseEntry& entry : entries) {
            if (entry.key.compare(prefix) >= 0) {
                child = entry.child;
                break;
            }
        }
        page = Page(child);
        if (page && page->objectId != tree) {
            ++m_damaged;
            return;
        }
    }
    const std::uint32_t tree = page ? page->objectId : 0;
    for (std::uint32_t followed = 0; page && followed < kMaxSeekPages; ++followed) {
        for (const EseEntry& entry : Entries(*page)) {
            const int order = entry.key.compare(0, prefix.size(), prefix);
            if (order > 0) return;
            if (order == 0 && !leaf(entry)) return;
        }
        if (page->next == 0 || page->next == page->number) return;
        page = Page(page->next);
        if (page && (page->objectId != tree || !page->IsLeaf())) {
            ++m_damaged;
            return;
        }
    }
}

}  // namespace fh
