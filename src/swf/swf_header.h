#pragma once
// The movie card's facts: what a movie's header and the tags of its first
// frame say about it. Plain ("FWS"), zlib ("CWS") and LZMA ("ZWS") movies are
// read as a stream, only as far as the first frame needs, with a cap on what
// is inflated; a file that is not a movie or is cut short gives what could
// be read and says where it stopped.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fh {

// Where the bytes come from: the file, or memory in tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; the count read (0 at the end or on failure).
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    // Skips forward; the count skipped (fewer at the end).
    virtual std::uint64_t Skip(std::uint64_t count) = 0;
    // The source's whole size, when it is known.
    virtual std::optional<std::uint64_t> Size() const { return std::nullopt; }
};

enum class SwfCompression { None, Zlib, Lzma };

// Why the reading ended before the first frame was complete.
enum class SwfStop {
    FirstFrame,         // the first frame's tags were all read (or the End tag came)
    NotAMovie,          // no movie signature
    CutShort,           // the data ended inside the header or a tag
    BadCompressedData,  // the zlib or LZMA stream is corrupt
    InflateLimit,       // more would have to be inflated than the card allows
};

struct SwfHeaderInfo {
    SwfStop stop = SwfStop::NotAMovie;
    std::string signature;  // the first three bytes as found (up to 3)
    SwfCompression compression = SwfCompression::None;
    std::optional<int> version;
    std::optional<std::uint32_t> declaredLength;  // the header's uncompressed length
    // The stage in twips (1/20 pixel), when the rectangle could be read.
    bool hasStage = false;
    std::int64_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    std::optional<std::uint16_t> frameRate;  // 8.8 fixed point
    std::optional<std::uint16_t> frameCount;
    std::optional<std::uint32_t> background;  // 0xRRGGBB
    std::optional<bool> actionScript3;
    std::string metadata;  // the metadata tag's XML (UTF-8), when it has one

    bool IsMovie() const { return stop != SwfStop::NotAMovie; }
    std::int64_t StageWidthPixels() const { return (xMax - xMin) / 20; }
    std::int64_t StageHeightPixels() const { return (yMax - yMin) / 20; }
    double FramesPerSecond() const { return frameRate ? *frameRate / 256.0 : 0.0; }
};

struct SwfReadLimits {
    // The most a compressed movie is inflated for its card.
    std::uint64_t maxInflated = 16u << 20;
    // The largest metadata tag that is read for its title.
    std::uint32_t maxMetadata = 64u << 10;
};

SwfHeaderInfo ReadSwfHeader(ByteSource& source, const SwfReadLimits& limits = SwfReadLimits());

// A movie's whole body after its eight header bytes, decompressed: the
// stage rectangle, frame rate and count, and the tags. `info` has the
// signature, version and declared length; its stop is FirstFrame when the
// body was read to its end, or says why it was not (BadCompressedData,
// InflateLimit with the first `maxBytes` kept, NotAMovie).
struct SwfBody {
    SwfHeaderInfo info;
    std::vector<unsigned char> bytes;
};
SwfBody ReadSwfBody(ByteSource& source, std::uint64_t maxBytes);

// A source over bytes in memory.
class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size) : m_data(static_cast<const unsigned char*>(data)), m_size(size) {}
    explicit MemorySource(const std::string& bytes) : MemorySource(bytes.data(), bytes.size()) {}
    std::size_t Read(void* buffer, std::size_t size) override;
    std::uint64_t Skip(std::uint64_t count) override;
    std::optional<std::uint64_t> Size() const override { return m_size; }

private:
    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

}  // namespace fh
