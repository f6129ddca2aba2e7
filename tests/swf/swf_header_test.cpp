#include "swf/swf_header.h"

#include <gtest/gtest.h>

#include <random>

#include "support/swf_writer.h"

namespace fh {
namespace {

using test::BuildSwf;
using test::SwfMovie;
using test::SwfTag;

SwfHeaderInfo Read(const std::string& bytes, const SwfReadLimits& limits = SwfReadLimits()) {
    MemorySource source(bytes);
    return ReadSwfHeader(source, limits);
}

const char kMetadata[] =
    "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description>"
    "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'> Cats &amp; Dogs </rdf:li></rdf:Alt></dc:title>"
    "</rdf:Description></rdf:RDF>";

SwfMovie FullSpec(const std::string& signature) {
    SwfMovie movie;
    movie.signature = signature;
    movie.frameRate = static_cast<std::uint16_t>(29.5 * 256);
    movie.frameCount = 321;
    movie.tags = {{69, std::string("\x18\0\0\0", 4)}, {77, kMetadata}, {9, "\x12\x34\x56"}};
    movie.afterFirstFrame = SwfTag(9, "\xFF\xFF\xFF") + std::string(5000, 'x');
    return movie;
}

TEST(SwfHeader, ReadsPlainZlibAndLzmaMoviesToTheFirstFrame) {
    struct Case {
        const char* signature;
        SwfCompression compression;
    } cases[] = {{"FWS", SwfCompression::None}, {"CWS", SwfCompression::Zlib}, {"ZWS", SwfCompression::Lzma},
                 {"fws", SwfCompression::None}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signature);
        const SwfHeaderInfo info = Read(BuildSwf(FullSpec(c.signature)));
        EXPECT_EQ(SwfStop::FirstFrame, info.stop);
        EXPECT_EQ(c.compression, info.compression);
        EXPECT_EQ(std::optional<int>(10), info.version);
        EXPECT_EQ(550, info.StageWidthPixels());
        EXPECT_EQ(400, info.StageHeightPixels());
        EXPECT_DOUBLE_EQ(29.5, info.FramesPerSecond());
        EXPECT_EQ(std::optional<std::uint16_t>(321), info.frameCount);
        // The colour of the first frame, not a later one.
        EXPECT_EQ(std::optional<std::uint32_t>(0x123456), info.background);
        EXPECT_EQ(std::optional<bool>(true), info.actionScript3);
        EXPECT_EQ(kMetadata, info.metadata);
    }
    SwfMovie as2;
    as2.tags = {{69, std::string("\x10\0\0\0", 4)}};
    EXPECT_EQ(std::optional<bool>(false), Read(BuildSwf(as2)).actionScript3);
}

TEST(SwfHeader, NotMoviesAndMoviesCutAtEveryByte) {
    for (const char* bytes : {"", "FW", "GIF89a", "XWS\x0a", "MZ\x90"}) {
        SCOPED_TRACE(bytes);
        const SwfHeaderInfo info = Read(bytes);
        EXPECT_FALSE(info.IsMovie());
    }
    for (const char* signature : {"FWS", "CWS", "ZWS"}) {
        const SwfMovie movie = FullSpec(signature);
        const std::string whole = BuildSwf(movie);
        const std::size_t firstFrameEnd = whole.size() - movie.afterFirstFrame.size();
        for (std::size_t n = 0; n < whole.size(); ++n) {
            SCOPED_TRACE(std::string(signature) + " cut at " + std::to_string(n));
            const SwfHeaderInfo info = Read(whole.substr(0, n));
            if (n < 3) {
                ASSERT_FALSE(info.IsMovie());
                continue;
            }
            ASSERT_TRUE(info.IsMovie());
            // Whatever the cut, the first frame counts as read only when all of it was.
            if (info.stop == SwfStop::FirstFrame) {
                ASSERT_TRUE(signature[0] != 'F' || n >= firstFrameEnd);
                ASSERT_EQ(std::optional<std::uint32_t>(0x123456), info.background);
                ASSERT_EQ(kMetadata, info.metadata);
            }
            EXPECT_EQ(n >= 4, info.version.has_value());
            EXPECT_EQ(n >= 8, info.declaredLength.has_value());
            if (signature[0] == 'F' && n >= 8 + 9 + 4) {
                EXPECT_TRUE(info.hasStage);
                EXPECT_EQ(std::optional<std::uint16_t>(321), info.frameCount);
            }
        }
    }
}

TEST(SwfHeader, OversizedFieldsAndLengths) {
    // Stage fields of 31 bits hold +-2^30 twips.
    SwfMovie wide;
    wide.rectBits = 31;
    wide.xMin = -(std::int64_t{1} << 30);
    wide.xMax = (std::int64_t{1} << 30) - 1;
    SwfHeaderInfo info = Read(BuildSwf(wide));
    EXPECT_EQ(SwfStop::FirstFrame, info.stop);
    EXPECT_EQ(-(std::int64_t{1} << 30), info.xMin);
    EXPECT_EQ((std::int64_t{1} << 30) - 1, info.xMax);

    // A tag that claims to run past the end of the file.
    SwfMovie past;
    past.showFrame = false;
    std::string movie = BuildSwf(past) + "\x7F\x02\xFF\xFF\xFF\xFF";  // tag 9, long length 4 GiB
    info = Read(movie);
    EXPECT_EQ(SwfStop::CutShort, info.stop);
    EXPECT_FALSE(info.background);

    // Metadata beyond the limit is passed over, the rest still read.
    SwfMovie big;
    big.tags = {{77, std::string(100000, 'm')}, {9, "\x01\x02\x03"}};
    info = Read(BuildSwf(big));
    EXPECT_EQ(SwfStop::FirstFrame, info.stop);
    EXPECT_EQ(std::optional<std::uint32_t>(0x010203), info.background);
    EXPECT_EQ("", info.metadata);
}

TEST(SwfHeader, CorruptStreamsBombsAndLyingLengths) {
    std::string corrupt = BuildSwf(FullSpec("CWS"));
    for (std::size_t i = 12; i < corrupt.size(); i += 3) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    EXPECT_EQ(SwfStop::BadCompressedData, Read(corrupt).stop);

    // Tags of 16 MB of zeros before the first frame: inflated up to the limit only.
    SwfMovie bomb;
    bomb.signature = "CWS";
    bomb.tags = {{2, std::string(4 << 20, '\0')}};
    SwfReadLimits small;
    small.maxInflated = 256 << 10;
    EXPECT_EQ(SwfStop::InflateLimit, Read(BuildSwf(bomb), small).stop);
    bomb.signature = "ZWS";
    EXPECT_EQ(SwfStop::InflateLimit, Read(BuildSwf(bomb), small).stop);

    // LZMA properties that claim a 4 GiB dictionary and a compressed length
    // larger than the file: neither is taken at its word.
    std::string lzma = BuildSwf(FullSpec("ZWS"));
    lzma[8] = lzma[9] = lzma[10] = lzma[11] = '\xFF';
    lzma[13] = lzma[14] = lzma[15] = lzma[16] = '\xFF';
    SwfHeaderInfo info = Read(lzma);
    EXPECT_EQ(SwfStop::FirstFrame, info.stop);
    EXPECT_EQ(550, info.StageWidthPixels());
    lzma[12] = '\xFF';  // properties no decoder accepts
    EXPECT_EQ(SwfStop::BadCompressedData, Read(lzma).stop);
}

// Random damage to real movies, under the sanitizers in the host build: the
// reader always ends, never reads or writes out of bounds.
TEST(SwfHeader, SurvivesRandomDamage) {
    std::mt19937 random(20261209);
    for (const char* signature : {"FWS", "CWS", "ZWS"}) {
        const std::string whole = BuildSwf(FullSpec(signature));
        for (int round = 0; round < 400; ++round) {
            std::string damaged = whole;
            const int edits = 1 + static_cast<int>(random() % 8);
            for (int e = 0; e < edits; ++e) {
                const std::size_t at = 3 + random() % (damaged.size() - 3);
                damaged[at] = static_cast<char>(random());
            }
            if (random() % 4 == 0) damaged.resize(3 + random() % (damaged.size() - 3));
            SwfReadLimits limits;
            limits.maxInflated = 1 << 20;
            const SwfHeaderInfo info = Read(damaged, limits);
            ASSERT_TRUE(info.IsMovie());
        }
    }
}

}  // namespace
}  // namespace fh
