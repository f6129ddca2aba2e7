// The PNG writer's files read back by a strict reader of their own: every
// chunk's CRC checked, the rows inflated by zlib and unfiltered, to the
// very pixels written.

#include "gfx/png_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "raster/raster_paint.h"

namespace fh {
namespace {

std::uint32_t Be32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

struct Decoded {
    int width = 0, height = 0, colour = -1;
    std::vector<std::uint32_t> argb;  // straight alpha
    std::set<int> filters;            // the rows' filter types
};

// A strict reader: the signature, IHDR first, IDAT together, IEND last and
// nothing after it, every CRC right, the rows exactly the size the header
// says. Adds a failure and returns false otherwise.
bool Decode(const std::vector<unsigned char>& png, Decoded& out) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) {
        ADD_FAILURE() << "no PNG signature";
        return false;
    }
    std::vector<std::string> types;
    std::vector<unsigned char> packed;
    std::size_t at = 8;
    while (at < png.size()) {
        if (png.size() - at < 12) {
            ADD_FAILURE() << "a chunk cut short at " << at;
            return false;
        }
        const std::uint32_t length = Be32(&png[at]);
        if (length > png.size() - at - 12) {
            ADD_FAILURE() << "a chunk longer than the file at " << at;
            return false;
        }
        const std::string type(reinterpret_cast<const char*>(&png[at + 4]), 4);
        const unsigned char* body = &png[at + 8];
        const uLong crc = crc32(crc32(0, Z_NULL, 0), &png[at + 4], length + 4);
        EXPECT_EQ(crc, Be32(body + length)) << type << "'s CRC";
        if (types.empty()) {
            EXPECT_EQ("IHDR", type);
            EXPECT_EQ(13u, length);
            if (type != "IHDR" || length != 13) return false;
            out.width = static_cast<int>(Be32(body));
            out.height = static_cast<int>(Be32(body + 4));
            out.colour = body[9];
            EXPECT_EQ(8, body[8]) << "bit depth";
            EXPECT_EQ(0, body[10]) << "compression";
            EXPECT_EQ(0, body[11]) << "filter method";
            EXPECT_EQ(0, body[12]) << "interlace";
        } else if (type == "IDAT") {
            EXPECT_TRUE(types.back() == "IHDR" || types.back() == "IDAT") << "IDAT after " << types.back();
            packed.insert(packed.end(), body, body + length);
        } else {
            EXPECT_EQ("IEND", type);
            EXPECT_EQ(0u, length);
        }
        types.push_back(type);
        at += 12 + length;
        if (type == "IEND") break;
    }
    EXPECT_EQ(png.size(), at) << "bytes after IEND";
    if (types.empty() || types.back() != "IEND" || (out.colour != 2 && out.colour != 6) || out.width <= 0 ||
        out.height <= 0) {
        ADD_FAILURE() << "no IEND, or a header this reader does not take";
        return false;
    }
    const std::size_t bpp = out.colour == 6 ? 4 : 3, stride = bpp * static_cast<std::size_t>(out.width);
    std::vector<unsigned char> raw((stride + 1) * static_cast<std::size_t>(out.height) + 1);
    z_stream z{};
    inflateInit(&z);
    z.next_in = packed.data();
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = raw.data();
    z.avail_out = static_cast<uInt>(raw.size());
    const int status = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    if (status != Z_STREAM_END || z.avail_in != 0 || z.total_out != raw.size() - 1) {
        ADD_FAILURE() << "the rows do not inflate to their size: status " << status << ", " << z.total_out << " bytes";
        return false;
    }
    std::vector<unsigned char> prev(stride, 0), row(stride);
    out.argb.clear();
    for (int y = 0; y < out.height; ++y) {
        const unsigned char* line = &raw[(stride + 1) * static_cast<std::size_t>(y)];
        const int filter = line[0];
        out.filters.insert(filter);
        if (filter > 4) {
            ADD_FAILURE() << "filter " << filter;
            return false;
        }
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? paeth : 0;
            row[i] = static_cast<unsigned char>(line[1 + i] + predicted);
        }
        for (int x = 0; x < out.width; ++x) {
            const unsigned char* p = &row[bpp * static_cast<std::size_t>(x)];
            out.argb.push_back(static_cast<std::uint32_t>(bpp == 4 ? p[3] : 255) << 24 |
                               static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2]);
        }
        prev = row;
    }
    return true;
}

// Smooth gradients, flat runs, noise and (when `alpha`) every kind of
// alpha, premultiplied as the rasterizer draws.
RasterImage Sample(int width, int height, bool alpha, unsigned seed) {
    RasterImage picture(width, height);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t straight;
            const int area = (x * 4 / width + y * 3 / std::max(1, height)) % 4;
            if (area == 0) straight = 0xFF000000u | static_cast<std::uint32_t>(x * 7 % 256) << 16 | (y * 5 % 256) << 8 | 0x40;
            else if (area == 1) straight = 0xFF336699u;
            else straight = 0xFF000000u | (random() & 0xFFFFFFu);
            if (alpha) {
                const std::uint32_t a = area == 3 ? random() & 0xFF : (x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 255 : 1 + (x * 31 + y) % 254;
                straight = (straight & 0xFFFFFFu) | a << 24;
            }
            picture.At(x, y) = RasterPremultiply(straight);
        }
    }
    return picture;
}

// The picture written with `settings` and read back: the same pixels (the
// straight colours premultiplied again are ours, nothing shows through alpha
// 0), colour alone when it is opaque. The rows' filters go to `filters`.
void ReadBack(const RasterImage& picture, const std::vector<unsigned char>& png, std::set<int>& filters) {
    Decoded decoded;
    ASSERT_TRUE(Decode(png, decoded));
    EXPECT_EQ(picture.width, decoded.width);
    EXPECT_EQ(picture.height, decoded.height);
    const bool opaque = std::all_of(picture.px.begin(), picture.px.end(), [](std::uint32_t p) { return p >> 24 == 255; });
    EXPECT_EQ(opaque ? 2 : 6, decoded.colour) << "colour alone for an opaque picture";
    ASSERT_EQ(picture.px.size(), decoded.argb.size());
    for (std::size_t i = 0; i < picture.px.size(); ++i) {
        ASSERT_EQ(picture.px[i], RasterPremultiply(decoded.argb[i])) << "pixel " << i;
        if (decoded.argb[i] >> 24 == 0) {
            ASSERT_EQ(0u, decoded.argb[i]) << "pixel " << i;
        }
    }
    filters = decoded.filters;
}

void WrittenAndReadBack(const RasterImage& picture, const PngSettings& settings, std::set<int>& filters) {
    std::vector<unsigned char> png;
    ASSERT_TRUE(WritePng(picture, png, settings));
    ReadBack(picture, png, filters);
}

TEST(PngWriter, PicturesComeBackFromTheirFilesPixelForPixel) {
    struct Size {
        int width, height;
    };
    // The last one large enough to be deflated in parts side by side.
    const Size sizes[] = {{1, 1}, {1, 9}, {13, 1}, {37, 11}, {101, 64}, {640, 3}, {256, 200}};
    const PngFilter filters[] = {PngFilter::None,  PngFilter::Sub,   PngFilter::Up,
                                 PngFilter::Average, PngFilter::Paeth, PngFilter::Adaptive};
    std::set<int> adaptiveChose;
    for (const Size& size : sizes) {
        for (bool alpha : {false, true}) {
            const RasterImage picture = Sample(size.width, size.height, alpha, static_cast<unsigned>(size.width * 100 + size.height));
            const bool large = size.width * size.height > 10000;
            for (unsigned threads : {1u, 3u}) {
                // The writer's own choice.
                SCOPED_TRACE(testing::Message() << size.width << "x" << size.height << (alpha ? " alpha" : " opaque")
                                                << ", threads " << threads);
                PngSettings settings;
                settings.threads = threads;
                std::set<int> used;
                WrittenAndReadBack(picture, settings, used);
                EXPECT_TRUE(used.size() == 1 && (used.count(0) || used.count(1)));
            }
            for (PngFilter filter : filters) {
                for (int level : {0, 1, 3, 9}) {
                    if (large && level != 1) continue;  // the parts are what this size is for
                    const unsigned threads = level == 9 ? 1 : 3;
                    SCOPED_TRACE(testing::Message() << size.width << "x" << size.height << (alpha ? " alpha" : " opaque")
                                                    << ", filter " << static_cast<int>(filter) << ", level " << level
                                                    << ", threads " << threads);
                    PngSettings settings;
                    settings.filter = filter;
                    settings.level = level;
                    settings.threads = threads;
                    std::set<int> used;
                    WrittenAndReadBack(picture, settings, used);
                    if (filter == PngFilter::Adaptive) adaptiveChose.insert(used.begin(), used.end());
                    else EXPECT_EQ(std::set<int>{static_cast<int>(filter)}, used);
                }
            }
        }
    }
    EXPECT_GE(adaptiveChose.size(), 3u) << "the adaptive choice takes more than one filter";

    // A flat drawing is deflated again unfiltered, whole; one that is flat
    // above and noise below, again only where it is flat.
    RasterImage flat(256, 300, 0xFF336699u), half(256, 300, 0xFF336699u);
    std::mt19937 random(7);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 256; ++x) {
            if ((x - 128) * (x - 128) + (y - 150) * (y - 150) < 90 * 90) flat.At(x, y) = 0xFFE0A020u;
            if (y >= 150) half.At(x, y) = 0xFF000000u | (random() & 0xFFFFFFu);
        }
    }
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(testing::Message() << "threads " << threads);
        PngSettings settings;
        settings.threads = threads;
        std::set<int> used;
        WrittenAndReadBack(flat, settings, used);
        EXPECT_EQ(std::set<int>{0}, used);
        WrittenAndReadBack(half, settings, used);
        EXPECT_EQ(threads == 1 ? std::set<int>{1} : std::set<int>({0, 1}), used);
    }

    // Bands given as they are drawn, in any order and from another thread,
    // the rows between them left to the end; a band with alpha, which has
    // every row written again with it; bands that overlap.
    const RasterImage opaque = Sample(300, 400, false, 5);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(testing::Message() << "bands, round " << round);
        RasterImage drawn = opaque;
        if (round == 1)
            for (int x = 0; x < 300; ++x) drawn.At(x, 250) = 0x80402010u;
        PngBands bands(drawn);
        std::thread other([&] { bands.Band(200, 330); });
        bands.Band(0, 120);
        other.join();
        if (round == 2) bands.Band(100, 140);
        std::vector<unsigned char> png;
        ASSERT_TRUE(bands.Finish(png, 2));
        std::set<int> used;
        ReadBack(drawn, png, used);
    }

    // A picture known to the byte: the default settings, opaque red, green, blue.
    RasterImage three(3, 1);
    three.px = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
    std::vector<unsigned char> png;
    ASSERT_TRUE(WritePng(three, png));
    Decoded decoded;
    ASSERT_TRUE(Decode(png, decoded));
    EXPECT_EQ(three.px, decoded.argb);
    // IHDR's CRC as every PNG of this header has it.
    ASSERT_GE(png.size(), 33u);
    EXPECT_EQ(0x948283E3u, Be32(&png[29])) << std::hex << Be32(&png[29]);
}

TEST(PngWriter, RefusesEmptyAbsurdOrInconsistentPictures) {
    std::vector<unsigned char> png = {1, 2, 3};
    EXPECT_FALSE(WritePng(RasterImage(), png));
    EXPECT_TRUE(png.empty());
    RasterImage wrong(4, 4);
    wrong.px.pop_back();  // pixels short of the size
    EXPECT_FALSE(WritePng(wrong, png));
    RasterImage negative;
    negative.width = -3;
    negative.height = -5;
    negative.px.resize(15);
    EXPECT_FALSE(WritePng(negative, png));
    // A side beyond the limit, and sizes whose pixels overflow 32 bits: refused
    // from the size alone, before any room is made.
    RasterImage wide;
    wide.width = kPngMaxSide + 1;
    wide.height = 1;
    wide.px.assign(static_cast<std::size_t>(wide.width), 0xFF000000u);
    EXPECT_FALSE(WritePng(wide, png));
    RasterImage huge;
    huge.width = kPngMaxSide;
    huge.height = kPngMaxSide;
    EXPECT_FALSE(WritePng(huge, png));
    huge.width = 0x10000;
    huge.height = 0x10000;  // 2^32 pixels: 0 in 32 bits
    EXPECT_FALSE(WritePng(huge, png));
    EXPECT_TRUE(png.empty());
    // The largest side alone is written.
    RasterImage widest(kPngMaxSide, 1, 0xFF808080u);
    ASSERT_TRUE(WritePng(widest, png));
    Decoded decoded;
    ASSERT_TRUE(Decode(png, decoded));
    EXPECT_EQ(widest.px, decoded.argb);
}

}  // namespace
}  // namespace fh
