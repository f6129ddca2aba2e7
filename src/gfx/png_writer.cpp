#include "gfx/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace fh {

namespace {

void PutBe32(unsigned char* at, std::uint32_t v) {
    at[0] = static_cast<unsigned char>(v >> 24);
    at[1] = static_cast<unsigned char>(v >> 16);
    at[2] = static_cast<unsigned char>(v >> 8);
    at[3] = static_cast<unsigned char>(v);
}

// A chunk's length, type and data are in place from `start`; its CRC (of
// type and data) goes after them.
void EndChunk(std::vector<unsigned char>& png, std::size_t start) {
    const std::size_t length = png.size() - start - 8;
    PutBe32(&png[start], static_cast<std::uint32_t>(length));
    const uLong crc = crc32(crc32(0, Z_NULL, 0), &png[start + 4], static_cast<uInt>(length + 4));
    png.resize(png.size() + 4);
    PutBe32(&png[png.size() - 4], static_cast<std::uint32_t>(crc));
}

std::size_t BeginChunk(std::vector<unsigned char>& png, const char* type) {
    const std::size_t start = png.size();
    png.resize(start + 8);
    std::memcpy(&png[start + 4], type, 4);
    return start;
}

// A row of pixels as the file's bytes: red, green, blue (and straight alpha).
void RowBytes(const std::uint32_t* px, int width, int channels, unsigned char* out) {
    if (channels == 3) {
        for (int x = 0; x < width; ++x, out += 3) {
            const std::uint32_t p = px[x];
            out[0] = static_cast<unsigned char>(p >> 16);
            out[1] = static_cast<unsigned char>(p >> 8);
            out[2] = static_cast<unsigned char>(p);
        }
        return;
    }
    for (int x = 0; x < width; ++x, out += 4) {
        const std::uint32_t p = px[x], a = p >> 24;
        std::uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
        if (a == 0) {
            r = g = b = 0;
        } else if (a < 255) {
            // Straight colours, rounded: premultiplying them again gives ours back.
            r = std::min<std::uint32_t>(255, (r * 255 + a / 2) / a);
            g = std::min<std::uint32_t>(255, (g * 255 + a / 2) / a);
            b = std::min<std::uint32_t>(255, (b * 255 + a / 2) / a);
        }
        out[0] = static_cast<unsigned char>(r);
        out[1] = static_cast<unsigned char>(g);
        out[2] = static_cast<unsigned char>(b);
        out[3] = static_cast<unsigned char>(a);
    }
}

inline unsigned char PaethOf(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<unsigned char>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Row `cur` filtered against `prev` (zeros above the first row) into
// out[1..n], out[0] the filter's type.
void FilterRow(int filter, const unsigned char* cur, const unsigned char* prev, std::size_t n, std::size_t bpp,
               unsigned char* out) {
    out[0] = static_cast<unsigned char>(filter);
    unsigned char* d = out + 1;
    switch (filter) {
    case 0:
        std::memcpy(d, cur, n);
        break;
    case 1:
        for (std::size_t i = 0; i < bpp; ++i) d[i] = cur[i];
        for (std::size_t i = bpp; i < n; ++i) d[i] = static_cast<unsigned char>(cur[i] - cur[i - bpp]);
        break;
    case 2:
        for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<unsigned char>(cur[i] - prev[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < bpp; ++i) d[i] = static_cast<unsigned char>(cur[i] - (prev[i] >> 1));
        for (std::size_t i = bpp; i < n; ++i)
            d[i] = static_cast<unsigned char>(cur[i] - ((cur[i - bpp] + prev[i]) >> 1));
        break;
    default:
        for (std::size_t i = 0; i < bpp; ++i) d[i] = static_cast<unsigned char>(cur[i] - prev[i]);
        for (std::size_t i = bpp; i < n; ++i)
            d[i] = static_cast<unsigned char>(cur[i] - PaethOf(cur[i - bpp], prev[i], prev[i - bpp]));
        break;
    }
}

// The sum of a filtered row's bytes read as signed: the smaller, the
// likelier it deflates well.
std::uint32_t SignedSum(const unsigned char* d, std::size_t n) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += static_cast<std::uint32_t>(std::abs(static_cast<signed char>(d[i])));
    return sum;
}

}  // namespace

bool WritePng(const RasterImage& picture, std::vector<unsigned char>& png, const PngSettings& settings) {
    png.clear();
    const int width = picture.width, height = picture.height;
    if (width <= 0 || height <= 0 || width > kPngMaxSide || height > kPngMaxSide) return false;
    // Both sides below 2^15: their product fits in 32 bits, and the limit
    // keeps four bytes a pixel (and a byte a row) within 32 bits as well.
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pixels > kPngMaxPixels || picture.px.size() != pixels) return false;
    const bool opaque =
        std::all_of(picture.px.begin(), picture.px.end(), [](std::uint32_t p) { return p >> 24 == 255; });
    const std::size_t bpp = opaque ? 3 : 4;
    const std::size_t stride = static_cast<std::size_t>(width) * bpp;
    const std::size_t rawSize = (stride + 1) * static_cast<std::size_t>(height);

    z_stream z{};
    if (deflateInit2(&z, std::clamp(settings.level, 0, 9), Z_DEFLATED, 15, 8, std::clamp(settings.strategy, 0, 3)) != Z_OK)
        return false;
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.assign(kSignature, kSignature + 8);
    std::size_t chunk = BeginChunk(png, "IHDR");
    png.resize(png.size() + 13);
    PutBe32(&png[chunk + 8], static_cast<std::uint32_t>(width));
    PutBe32(&png[chunk + 12], static_cast<std::uint32_t>(height));
    png[chunk + 16] = 8;                // bits a channel
    png[chunk + 17] = opaque ? 2 : 6;   // colour, or colour and alpha
    png[chunk + 18] = 0;                // deflate
    png[chunk + 19] = 0;                // the five filters
    png[chunk + 20] = 0;                // not interlaced
    EndChunk(png, chunk);

    // The compressed rows straight into the file, room made for the worst case.
    chunk = BeginChunk(png, "IDAT");
    const std::size_t data = png.size();
    png.resize(data + deflateBound(&z, static_cast<uLong>(rawSize)));
    z.next_out = &png[data];
    z.avail_out = static_cast<uInt>(png.size() - data);

    std::vector<unsigned char> rows(2 * stride);
    unsigned char* cur = rows.data();
    unsigned char* prev = rows.data() + stride;  // zeros above the first row
    const bool adaptive = settings.filter == PngFilter::Adaptive;
    std::vector<unsigned char> lines((adaptive ? 5 : 1) * (stride + 1));
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        RowBytes(picture.px.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width), width,
                 static_cast<int>(bpp), cur);
        unsigned char* line = lines.data();
        if (!adaptive) {
            FilterRow(static_cast<int>(settings.filter), cur, prev, stride, bpp, line);
        } else {
            std::uint32_t best = 0;
            for (int f = 0; f < 5; ++f) {
                unsigned char* candidate = lines.data() + static_cast<std::size_t>(f) * (stride + 1);
                FilterRow(f, cur, prev, stride, bpp, candidate);
                const std::uint32_t sum = SignedSum(candidate + 1, stride);
                if (f == 0 || sum < best) {
                    best = sum;
                    line = candidate;
                }
            }
        }
        z.next_in = line;
        z.avail_in = static_cast<uInt>(stride + 1);
        const int flush = y + 1 == height ? Z_FINISH : Z_NO_FLUSH;
        const int status = deflate(&z, flush);
        ok = flush == Z_FINISH ? status == Z_STREAM_END : status == Z_OK && z.avail_in == 0;
        std::swap(cur, prev);
    }
    deflateEnd(&z);
    if (!ok) {
        png.clear();
        return false;
    }
    png.resize(data + z.total_out);
    EndChunk(png, chunk);
    EndChunk(png, BeginChunk(png, "IEND"));
    return true;
}

}  // namespace fh
