#pragma once
// Movie files as byte sources for the header reader: read on demand,
// skipped by seeking, opened for reading only and shared with a browser
// that may still be writing them.

#include <windows.h>

#include <string>

#include "player/swf_header.h"
#include "win/handles.h"

namespace fh {

class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    bool IsOpen() const { return static_cast<bool>(m_file); }
    std::size_t Read(void* buffer, std::size_t size) override;
    std::uint64_t Skip(std::uint64_t count) override;
    std::optional<std::uint64_t> Size() const override;

private:
    UniqueFile m_file;
    std::uint64_t m_pos = 0;
};

// The facts of a movie file; nothing when it cannot be opened.
std::optional<SwfHeaderInfo> ReadMovieFile(const std::string& path, const SwfReadLimits& limits = SwfReadLimits());

}  // namespace fh
