#pragma once
// Movies that are the same by content. Each row of a list has the SHA-256 of
// its movie's bytes as text, or an empty text when they could not be read:
// such a row matches no other. Rows with one hash are copies of one movie,
// wherever and under whatever address each was found.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace fh {

// Per row, how many rows of the list have its hash (itself included); 0 for
// a row without one.
std::vector<int> CountCopies(const std::vector<std::string>& hashes);

// Writing each movie once: rows come in list order, the first of each hash
// is written, and every later row with that hash names the file written
// for it. A row whose writing failed leaves its movie to the next copy.
class OncePerMovie {
public:
    // Without hashes every row is written.
    explicit OncePerMovie(const std::vector<std::string>* hashes) : m_hashes(hashes) {}
    // The file already written for the row's movie; empty when the row is
    // to be written itself.
    std::string WrittenFor(std::size_t row) const;
    // The row was written to `file` (empty: its writing failed).
    void Wrote(std::size_t row, const std::string& file);

private:
    const std::string& HashOf(std::size_t row) const;

    const std::vector<std::string>* m_hashes;
    std::map<std::string, std::string> m_written;  // by hash
};

}  // namespace fh
