#include "player/movie_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "base/hex_text.h"
#include "caches/cache_records.h"
#include "win/sha256.h"

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

namespace {

// Hands the reads on and hashes every byte that passes, up to the cap of
// what is ever taken out of a cache; a skip reads through, so that no byte
// goes unhashed.
class HashingSource : public ByteSource {
public:
    explicit HashingSource(ByteSource& inner) : m_inner(inner) {}
    std::size_t Read(void* buffer, std::size_t size) override {
        const std::size_t got = m_inner.Read(buffer, size);
        m_total += got;
        if (m_total > kMaxMovieBody) m_over = true;
        if (!m_over) m_hash.Add(std::string_view(static_cast<const char*>(buffer), got));
        return got;
    }
    std::uint64_t Skip(std::uint64_t count) override {
        if (m_over) return m_inner.Skip(count);
        std::uint64_t done = 0;
        while (done < count) {
            const std::size_t got = Read(Scratch(), static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, count - done)));
            if (got == 0) break;
            done += got;
        }
        return done;
    }
    std::optional<std::uint64_t> Size() const override { return m_inner.Size(); }

    // Reads the rest of the source; the digest in hex, or empty.
    std::string Finish() {
        for (std::string_view piece; !(piece = NextPiece()).empty();) m_hash.Add(piece);
        return Digest();
    }

    // Finishes two sources at once, their hashes taken together.
    static void FinishBoth(HashingSource& a, HashingSource& b, std::string& digestA, std::string& digestB) {
        for (;;) {
            const std::string_view pieceA = a.NextPiece(), pieceB = b.NextPiece();
            if (pieceA.empty() && pieceB.empty()) break;
            Sha256Stream::AddBoth(a.m_hash, pieceA, b.m_hash, pieceB);
        }
        digestA = a.Digest();
        digestB = b.Digest();
    }

private:
    // The next piece of the rest, not yet hashed; empty at the end or past the cap.
    std::string_view NextPiece() {
        if (m_over || m_ended) return std::string_view();
        const std::size_t got = m_inner.Read(Scratch(), kPiece);
        m_ended = got == 0;
        m_total += got;
        if (m_total > kMaxMovieBody) m_over = true;
        return m_over ? std::string_view() : std::string_view(Scratch(), got);
    }
    std::string Digest() {
        if (m_over || m_inner.Size() != m_total) return std::string();
        const std::string digest = m_hash.Finish();
        return digest.empty() ? std::string() : LowerHex(digest);
    }

    static constexpr std::size_t kPiece = 64u << 10;
    // Left uncleared: the export hashes thousands of movies, and clearing a
    // buffer for each costs as much as hashing a good part of it.
    char* Scratch() {
        if (!m_scratch) m_scratch.reset(new char[kPiece]);
        return m_scratch.get();
    }

    ByteSource& m_inner;
    Sha256Stream m_hash;
    std::unique_ptr<char[]> m_scratch;
    std::uint64_t m_total = 0;
    bool m_over = false;
    bool m_ended = false;  // the rest was read
};

}  // namespace

std::optional<SwfHeaderInfo> ReadMovieFile(const std::string& path, const SwfReadLimits& limits,
                                           const std::atomic<bool>* cancel, std::string* sha256) {
    if (sha256) sha256->clear();
    FileSource source(path, cancel);
    if (!source.IsOpen()) return std::nullopt;
    if (!sha256) return ReadSwfHeader(source, limits);
    HashingSource hashing(source);
    SwfHeaderInfo info = ReadSwfHeader(hashing, limits);
    *sha256 = hashing.Finish();
    return info;
}

void ReadMovieFiles(const std::string (&paths)[2], const SwfReadLimits& limits,
                    std::optional<SwfHeaderInfo> (&infos)[2], std::string (&sha256)[2]) {
    FileSource a(paths[0]), b(paths[1]);
    if (!a.IsOpen() || !b.IsOpen()) {
        for (int i = 0; i < 2; ++i) infos[i] = ReadMovieFile(paths[i], limits, nullptr, &sha256[i]);
        return;
    }
    HashingSource hashingA(a), hashingB(b);
    infos[0] = ReadSwfHeader(hashingA, limits);
    infos[1] = ReadSwfHeader(hashingB, limits);
    HashingSource::FinishBoth(hashingA, hashingB, sha256[0], sha256[1]);
}

}  // namespace fh
