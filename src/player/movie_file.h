#pragma once
// Movie files as byte sources for the header reader: read on demand,
// skipped by seeking, opened for reading only and shared with a browser
// that may still be writing them.

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "swf/swf_header.h"
#include "win/handles.h"

namespace fh {

// Reads through a buffer of its own, so that a movie of many small tags
// costs a system call per 64 KB rather than three per tag. A raised cancel
// flag ends the reading: every read and skip then gives nothing.
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path, const std::atomic<bool>* cancel = nullptr);
    bool IsOpen() const { return static_cast<bool>(m_file); }
    std::size_t Read(void* buffer, std::size_t size) override;
    std::uint64_t Skip(std::uint64_t count) override;
    std::optional<std::uint64_t> Size() const override { return m_size; }

private:
    static constexpr std::size_t kBufferSize = 64u << 10;
    bool Cancelled() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }
    bool Fill();

    UniqueFile m_file;
    const std::atomic<bool>* m_cancel;
    std::optional<std::uint64_t> m_size;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0, m_end = 0;  // the unread part of the buffer
};

// The facts of a movie file; nothing when it cannot be opened. With
// `sha256`, the same read goes on to the end of the file for the SHA-256 of
// its bytes in lowercase hex: empty when they could not all be read, when
// they are more than kMaxMovieBody, or when the read was cancelled.
std::optional<SwfHeaderInfo> ReadMovieFile(const std::string& path, const SwfReadLimits& limits = SwfReadLimits(),
                                           const std::atomic<bool>* cancel = nullptr, std::string* sha256 = nullptr);

// Two files read as ReadMovieFile reads each with `sha256`, their hashes
// taken together on one core (Sha256::AddBoth), which is a third sooner.
void ReadMovieFiles(const std::string (&paths)[2], const SwfReadLimits& limits,
                    std::optional<SwfHeaderInfo> (&infos)[2], std::string (&sha256)[2]);

}  // namespace fh
