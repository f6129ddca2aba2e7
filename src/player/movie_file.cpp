#include "player/movie_file.h"

#include <algorithm>
#include <vector>

namespace fh {

FileSource::FileSource(const std::string& path)
    : m_file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}

std::size_t FileSource::Read(void* buffer, std::size_t size) {
    if (!m_file) return 0;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(m_file.Get(), out + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    m_pos += done;
    return done;
}

std::uint64_t FileSource::Skip(std::uint64_t count) {
    const std::optional<std::uint64_t> size = Size();
    if (!size) return 0;
    const std::uint64_t left = *size > m_pos ? *size - m_pos : 0;
    const std::uint64_t step = std::min(count, left);
    LARGE_INTEGER move;
    move.QuadPart = static_cast<LONGLONG>(step);
    if (!::SetFilePointerEx(m_file.Get(), move, nullptr, FILE_CURRENT)) return 0;
    m_pos += step;
    return step;
}

std::optional<std::uint64_t> FileSource::Size() const {
    LARGE_INTEGER size;
    if (!m_file || !::GetFileSizeEx(m_file.Get(), &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<SwfHeaderInfo> ReadMovieFile(const std::string& path, const SwfReadLimits& limits) {
    FileSource source(path);
    if (!source.IsOpen()) return std::nullopt;
    return ReadSwfHeader(source, limits);
}

}  // namespace fh
