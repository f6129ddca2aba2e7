#include "player/movie_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace fh {

FileSource::FileSource(const std::string& path, const std::atomic<bool>* cancel)
    : m_file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)),
      m_cancel(cancel) {
    LARGE_INTEGER size;
    if (m_file && ::GetFileSizeEx(m_file.Get(), &size)) m_size = static_cast<std::uint64_t>(size.QuadPart);
}

bool FileSource::Fill() {
    if (!m_file || Cancelled()) return false;
    if (m_buffer.empty()) m_buffer.resize(kBufferSize);
    DWORD got = 0;
    if (!::ReadFile(m_file.Get(), m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &got, nullptr) || got == 0)
        return false;
    m_begin = 0;
    m_end = got;
    return true;
}

std::size_t FileSource::Read(void* buffer, std::size_t size) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size && !Cancelled()) {
        if (m_begin == m_end) {
            // A large read goes straight to the caller's memory.
            if (size - done >= kBufferSize && m_file) {
                const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
                DWORD got = 0;
                if (!::ReadFile(m_file.Get(), out + done, want, &got, nullptr) || got == 0) break;
                done += got;
                continue;
            }
            if (!Fill()) break;
        }
        const std::size_t n = std::min(size - done, m_end - m_begin);
        std::memcpy(out + done, m_buffer.data() + m_begin, n);
        m_begin += n;
        done += n;
    }
    return done;
}

std::uint64_t FileSource::Skip(std::uint64_t count) {
    if (!m_size || Cancelled()) return 0;
    const std::uint64_t buffered = std::min<std::uint64_t>(count, m_end - m_begin);
    m_begin += static_cast<std::size_t>(buffered);
    if (buffered == count) return count;
    // Past the buffer: seek, no further than the end of the file.
    LARGE_INTEGER here{}, move{};
    if (!::SetFilePointerEx(m_file.Get(), move, &here, FILE_CURRENT)) return buffered;
    const std::uint64_t pos = static_cast<std::uint64_t>(here.QuadPart);
    const std::uint64_t left = *m_size > pos ? *m_size - pos : 0;
    const std::uint64_t step = std::min(count - buffered, left);
    move.QuadPart = static_cast<LONGLONG>(step);
    if (!::SetFilePointerEx(m_file.Get(), move, nullptr, FILE_CURRENT)) return buffered;
    return buffered + step;
}

std::optional<SwfHeaderInfo> ReadMovieFile(const std::string& path, const SwfReadLimits& limits,
                                           const std::atomic<bool>* cancel) {
    FileSource source(path, cancel);
    if (!source.IsOpen()) return std::nullopt;
    return ReadSwfHeader(source, limits);
}

}  // namespace fh
