#include "actions/movie_copies.h"

namespace fh {

std::vector<int> CountCopies(const std::vector<std::string>& hashes) {
    std::map<std::string, int> counts;
    for (const std::string& hash : hashes)
        if (!hash.empty()) ++counts[hash];
    std::vector<int> copies;
    copies.reserve(hashes.size());
    for (const std::string& hash : hashes) copies.push_back(hash.empty() ? 0 : counts[hash]);
    return copies;
}

const std::string& OncePerMovie::HashOf(std::size_t row) const {
    static const std::string none;
    return m_hashes && row < m_hashes->size() ? (*m_hashes)[row] : none;
}

std::string OncePerMovie::WrittenFor(std::size_t row) const {
    const std::string& hash = HashOf(row);
    if (hash.empty()) return std::string();
    const auto written = m_written.find(hash);
    return written == m_written.end() ? std::string() : written->second;
}

void OncePerMovie::Wrote(std::size_t row, const std::string& file) {
    const std::string& hash = HashOf(row);
    if (!hash.empty() && !file.empty()) m_written.emplace(hash, file);
}

}  // namespace fh
