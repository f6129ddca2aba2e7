#include "support/archive_folders.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace fh::test {

namespace {

class MemoryFile : public CacheFile {
public:
    explicit MemoryFile(const std::string& bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::string ReadAt(std::uint64_t offset, std::size_t count) override {
        if (offset >= m_bytes.size()) return std::string();
        return m_bytes.substr(static_cast<std::size_t>(offset), count);
    }

private:
    const std::string& m_bytes;
};

}  // namespace

std::unique_ptr<CacheFile> MemoryFolder::Open(const std::string& name) {
    auto it = files.find(name);
    if (it == files.end()) return nullptr;
    return std::make_unique<MemoryFile>(it->second);
}

std::vector<FolderItem> MemoryFolder::List(const std::string& subfolder) {
    const std::string prefix = subfolder.empty() ? "" : subfolder + "\\";
    std::set<std::string> folders;
    std::vector<FolderItem> items;
    for (const auto& file : files) {
        if (file.first.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = file.first.substr(prefix.size());
        const std::size_t slash = rest.find('\\');
        if (slash == std::string::npos) items.push_back({rest, false});
        else if (folders.insert(rest.substr(0, slash)).second) items.push_back({rest.substr(0, slash), true});
    }
    return items;
}

MemoryFolder LoadFolder(const std::string& root) {
    namespace fs = std::filesystem;
    MemoryFolder folder;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_symlink() || !it->is_regular_file()) continue;
        std::string name = fs::relative(it->path(), root).generic_string();
        for (char& c : name)
            if (c == '/') c = '\\';
        std::ifstream in(it->path(), std::ios::binary);
        folder.files[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return folder;
}

std::string StoredBody(CacheFolder& folder, const CacheRecord& r) {
    std::unique_ptr<CacheFile> file = folder.Open(r.file);
    if (!file) return std::string();
    const std::uint64_t size = file->Size() > r.offset ? file->Size() - r.offset : 0;
    return file->ReadAt(r.offset, static_cast<std::size_t>(r.length ? std::min(*r.length, size) : size));
}

}  // namespace fh::test
