#pragma once
// The pages of an ESE ("JET Blue") database, as Internet Explorer 10 and 11
// keep their cache index in (WebCacheV01.dat): the file header, pages read
// one at a time as they are needed (a database may be hundreds of MB), their
// checksums, and walks over the B+ trees they form. A dirty database is read
// as it stands; a page that fails its checksum is counted and never trusted.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "caches/cache_records.h"

namespace fh {

// The catalog's root page; MSysObjects always starts there.
constexpr std::uint32_t kEseCatalogRoot = 4;

struct EsePage {
    std::uint32_t number = 0;
    std::uint32_t flags = 0;
    std::uint32_t previous = 0, next = 0;
    std::uint32_t objectId = 0;  // the tree (father data page object) it belongs to
    std::string bytes;
    // The page's values, by tag: where each lies in `bytes`, and its flags.
    struct Tag {
        std::uint32_t at = 0, size = 0, flags = 0;
    };
    std::vector<Tag> tags;

    bool IsRoot() const { return flags & 0x01; }
    bool IsLeaf() const { return flags & 0x02; }
    bool IsEmpty() const { return flags & 0x08; }
    std::string_view Value(std::size_t tag) const {
        return std::string_view(bytes).substr(tags[tag].at, tags[tag].size);
    }
};

// One value of a tree page: its whole key and what follows it; on a branch
// page, the child page it leads to.
struct EseEntry {
    std::string key;
    std::string_view data;
    std::uint32_t child = 0;
};

class EseDatabase {
public:
    explicit EseDatabase(CacheFile& file);

    // Reads the file header, or its shadow copy when the first is damaged.
    bool Open();
    std::uint32_t PageSize() const { return m_pageSize; }
    std::uint32_t Revision() const { return m_revision; }
    std::uint32_t State() const { return m_state; }
    std::uint32_t PageCount() const { return m_pageCount; }
    // Whether records carry the layout of Windows 7's 16 and 32 KiB pages.
    bool LargePages() const { return m_revision >= 0x11 && m_pageSize >= 16384; }

    // The page, or nothing when it lies past the file's end or fails its
    // checksum (counted once as damaged). A few recent pages are kept.
    std::shared_ptr<const EsePage> Page(std::uint32_t number);

    // The entries of a tree page (tag 0, the page's own header, and defunct
    // values left out); values that do not fit are counted as damaged.
    std::vector<EseEntry> Entries(const EsePage& page);

    // Each leaf entry of the tree rooted at `root`, in key order, until
    // `leaf` returns false. A page met twice, or deeper than the file
    // allows, is damage: that branch is left and the walk goes on.
    void WalkTree(std::uint32_t root, const std::function<bool(const EseEntry&)>& leaf);

    // Each leaf entry whose key begins with `prefix`, in key order: the tree
    // is descended to the first leaf that may hold one, then followed right
    // (a dirty database may keep a key on the next leaf).
    void Seek(std::uint32_t root, std::string_view prefix, const std::function<bool(const EseEntry&)>& leaf);

    // Damaged pages, trees and values met so far.
    int Damaged() const { return m_damaged; }
    void CountDamage() { ++m_damaged; }

private:
    bool ReadHeader(std::uint64_t at, std::uint32_t expectedPageSize);
    bool ChecksumHolds(const std::string& bytes, std::uint32_t number) const;
    std::shared_ptr<EsePage> Parse(std::string bytes, std::uint32_t number);

    CacheFile& m_file;
    std::uint32_t m_pageSize = 0, m_revision = 0, m_format = 0, m_state = 0, m_pageCount = 0;
    std::vector<std::shared_ptr<const EsePage>> m_recent;
    std::vector<bool> m_counted;  // pages already counted as damaged
    int m_damaged = 0;
};

}  // namespace fh
