// The movie renderer on the platform: pictures inside movies decoded by
// GDI+ for real, bitmaps of every kind the movies carry, morphs, text from
// embedded fonts, buttons and masks, on movies the tests write, checked
// pixel by pixel.

#include <gtest/gtest.h>

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include "gfx/movie_picture.h"
#include "support/swf_shapes.h"
#include "support/swf_writer.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

using namespace fh::test;
using namespace Gdiplus;
using namespace Gdiplus::DllExports;
using Tags = std::vector<std::pair<unsigned, std::string>>;

// Frame 1 at stage size, read back as 0xRRGGBB pixels.
struct Picture {
    int width = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels.at(static_cast<std::size_t>(y) * width + x) & 0xFFFFFF; }
};

Picture Draw(const std::string& bytes) {
    MemorySource source(bytes);
    auto movie = LoadSwfMovie(source);
    SwfStage stage(movie);
    SwfImages images(&PictureDecoder());
    RasterImage picture(movie->StageWidthPixels(), movie->StageHeightPixels());
    DrawFrame(stage, images, picture, SwfMatrix::Scale(0.05, 0.05));
    return {picture.width, picture.px};
}

// A picture file written by GDI+'s encoder: the left half one colour, the right another.
std::string Encoded(const wchar_t* mime, ARGB left, ARGB right, int width = 16, int height = 16) {
    StartGdiplus();
    GpBitmap* bitmap = nullptr;
    GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) GdipBitmapSetPixel(bitmap, x, y, x < width / 2 ? left : right);
    UINT count = 0, size = 0;
    GdipGetImageEncodersSize(&count, &size);
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    GdipGetImageEncoders(count, size, codecs);
    IStream* stream = nullptr;
    ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    for (UINT i = 0; i < count; ++i)
        if (lstrcmpiW(codecs[i].MimeType, mime) == 0) GdipSaveImageToStream(bitmap, stream, &codecs[i].Clsid, nullptr);
    GdipDisposeImage(bitmap);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::string bytes(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
    const LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &read);
    stream->Release();
    return bytes;
}

// A shape filled with the bitmap, 20 twips to its pixel, at (x, y) pixels.
std::pair<unsigned, std::string> BitmapShape(std::uint16_t id, std::uint16_t bitmap, int x, int y, int size) {
    ShapeWriter s(3);
    s.BitmapFill(0x41, bitmap, MatrixRecord(20, 0, 0, 20, x * 20, y * 20));
    s.Styles(-1, 1, -1);
    s.Rect(x * 20, y * 20, size * 20, size * 20);
    return s.Define(id);
}

bool Near(std::uint32_t rgb, std::uint32_t want, int tolerance = 12) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((rgb >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

TEST(SwfRender, BitmapsLosslessJpegWithAndWithoutAlphaAndPng) {
    // Lossless with alpha: half-transparent red (premultiplied) over white.
    std::vector<std::uint32_t> argb(16 * 16, 0x80800000u);
    const std::string jpeg = Encoded(L"image/jpeg", 0xFF0000FF, 0xFF0000FF);
    const std::string png = Encoded(L"image/png", 0xFF00C000, 0x00000000);
    std::string alpha(16 * 16, '\0');
    for (int y = 0; y < 16; ++y)
        for (int x = 8; x < 16; ++x) alpha[y * 16 + x] = '\xFF';
    // DefineBits: the encoding tables in JPEGTables, the frame and scan in the tag.
    const std::size_t frame = jpeg.find("\xFF\xC0");
    ASSERT_NE(std::string::npos, frame);
    const std::string tables = jpeg.substr(0, frame) + "\xFF\xD9";
    const std::string body = "\xFF\xD8" + jpeg.substr(frame);
    const Tags tags = {Background(0xFFFFFF), Lossless2(1, 16, 16, argb), BitmapShape(2, 1, 0, 0, 16),
                       {8, tables}, {6, Le16(9) + body}, BitmapShape(10, 9, 80, 0, 16), Place(5, 10),
                       Jpeg2(3, jpeg), BitmapShape(4, 3, 20, 0, 16),
                       Jpeg3(5, jpeg, alpha), BitmapShape(6, 5, 40, 0, 16),
                       Jpeg2(7, png), BitmapShape(8, 7, 60, 0, 16),
                       Place(1, 2), Place(2, 4), Place(3, 6), Place(4, 8)};
    const Picture p = Draw(MovieOf(100, 20, tags));
    EXPECT_TRUE(Near(p.At(88, 8), 0x0000FF)) << std::hex << p.At(88, 8);
    EXPECT_TRUE(Near(p.At(8, 8), 0xFF7F7F)) << std::hex << p.At(8, 8);
    EXPECT_TRUE(Near(p.At(28, 8), 0x0000FF)) << std::hex << p.At(28, 8);
    EXPECT_TRUE(Near(p.At(43, 8), 0xFFFFFF)) << std::hex << p.At(43, 8);  // alpha 0 on the left
    EXPECT_TRUE(Near(p.At(52, 8), 0x0000FF)) << std::hex << p.At(52, 8);
    EXPECT_TRUE(Near(p.At(63, 8), 0x00C000)) << std::hex << p.At(63, 8);
    EXPECT_TRUE(Near(p.At(72, 8), 0xFFFFFF)) << std::hex << p.At(72, 8);  // PNG's own transparency
    EXPECT_TRUE(Near(p.At(8, 18), 0xFFFFFF));
}

TEST(SwfRender, MorphTextButtonAndMask) {
    ShapeWriter a(1), b(1);
    a.Styles(-1, 1, -1);
    a.Rect(0, 0, 400, 400);
    b.Styles(-1, 1, -1);
    b.Rect(0, 0, 800, 400);
    ShapeWriter glyph(1);
    glyph.Styles(-1, 1, -1);
    glyph.Rect(0, -1024, 1024, 1024);
    ShapeWriter disc(1);
    disc.Solid(0x000000FF);
    disc.Styles(-1, 1, -1);
    disc.Move(1300, 0);
    disc.CurveTo(1600, 0, 1600, 300);
    disc.CurveTo(1600, 600, 1300, 600);
    disc.CurveTo(1000, 600, 1000, 300);
    disc.CurveTo(1000, 0, 1300, 0);
    ShapeWriter red(1);
    red.Solid(0xFF0000FF);
    red.Styles(-1, 1, -1);
    red.Rect(1000, 0, 600, 600);
    ShapeWriter grey(1);
    grey.Solid(0x808080FF);
    grey.Styles(-1, 1, -1);
    grey.Rect(0, 0, 200, 200);
    const Tags tags = {Background(0xFFFFFF),
                       Morph(1, 0xFF0000FF, 0x0000FFFF, a.Records(), b.Records()),
                       Place(1, 1, "", "", 0), Place(2, 1, Translate(0, 600), "", 32768),
                       Font2(2, {glyph.Records()}),
                       Text2(3, 2, 200, 0x00A000FF, 0, 200, {{0, 300}, {0, 300}}), Place(3, 3, Translate(0, 1100)),
                       grey.Define(4), Button2(5, {{1, 4, 1, Translate(0, 0)}, {4, 4, 2, Translate(400, 0)}}),
                       Place(4, 5, Translate(0, 1400)),
                       disc.Define(6), red.Define(7), Place(5, 6, "", "", -1, 6), Place(6, 7)};
    const Picture p = Draw(MovieOf(80, 90, tags));
    // Morph at 0: a 20 px red square; at one half: 30 px wide, purple.
    EXPECT_TRUE(Near(p.At(10, 10), 0xFF0000)) << std::hex << p.At(10, 10);
    EXPECT_TRUE(Near(p.At(25, 10), 0xFFFFFF));
    EXPECT_TRUE(Near(p.At(25, 40), 0x800080)) << std::hex << p.At(25, 40);
    EXPECT_TRUE(Near(p.At(35, 40), 0xFFFFFF));
    // Two glyphs of 10 px at x 0 and 15, on the baseline at y 65.
    EXPECT_TRUE(Near(p.At(5, 60), 0x00A000)) << std::hex << p.At(5, 60);
    EXPECT_TRUE(Near(p.At(12, 60), 0xFFFFFF));
    EXPECT_TRUE(Near(p.At(20, 60), 0x00A000));
    // The button's up state only, not its down state.
    EXPECT_TRUE(Near(p.At(5, 75), 0x808080));
    EXPECT_TRUE(Near(p.At(25, 75), 0xFFFFFF));
    // The red square shows only through the disc that masks it.
    EXPECT_TRUE(Near(p.At(65, 15), 0xFF0000)) << std::hex << p.At(65, 15);
    EXPECT_TRUE(Near(p.At(51, 1), 0xFFFFFF)) << std::hex << p.At(51, 1);
    EXPECT_TRUE(Near(p.At(78, 28), 0xFFFFFF));
}

TEST(SwfRender, EdgesBlendAndColoursStayExact) {
    ShapeWriter s(1);
    s.Solid(0xD03030FF);
    s.Styles(-1, 1, -1);
    s.Rect(0, 0, 400, 400);
    const Tags tags = {Background(0xFFFFFF), s.Define(1), Place(1, 1, Translate(210, 0))};
    const Picture p = Draw(MovieOf(40, 20, tags));
    EXPECT_EQ(0xD03030u, p.At(15, 10));
    EXPECT_EQ(0xFFFFFFu, p.At(35, 10));
    // The edge at x 10.5 covers half of column 10.
    EXPECT_TRUE(Near(p.At(10, 10), 0xE89898, 20)) << std::hex << p.At(10, 10);
}

}  // namespace
}  // namespace fh
