#pragma once
// Movies written by the tests, field by field: any signature, stage
// rectangle width, frame rate and count, and tags, compressed as the
// signature says (zlib for "CWS", LZMA for "ZWS").

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fh::test {

struct SwfMovie {
    std::string signature = "FWS";
    int version = 10;
    int rectBits = 15;
    std::int64_t xMin = 0, xMax = 550 * 20, yMin = 0, yMax = 400 * 20;
    std::uint16_t frameRate = 24 << 8;
    std::uint16_t frameCount = 1;
    std::vector<std::pair<unsigned, std::string>> tags;  // before the first ShowFrame
    bool showFrame = true;
    std::string afterFirstFrame;  // raw bytes after the first ShowFrame
};

// A tag with its short or long header (long when the body has 63 bytes or more).
std::string SwfTag(unsigned code, const std::string& body, bool forceLong = false);

// The whole file as the movie says.
std::string BuildSwf(const SwfMovie& movie);

// The body (everything after the eight header bytes) compressed for CWS / ZWS.
std::string ZlibCompress(const std::string& data);
// LZMA: the four-byte compressed length, the five property bytes, the data.
std::string LzmaCompress(const std::string& data);
// Bytes that do not compress, the same for the same seed.
std::string Noise(std::size_t size, std::uint32_t seed);

}  // namespace fh::test
