#include "gfx/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

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

// How a part of the rows is filtered and deflated.
struct Pass {
    PngFilter filter;
    int level, strategy;
};

// The picture's rows as the file's bytes, filtered one at a time.
class RowFilter {
public:
    RowFilter(const RasterImage& picture, std::size_t bpp, PngFilter filter)
        : m_picture(picture), m_bpp(bpp), m_stride(static_cast<std::size_t>(picture.width) * bpp), m_filter(filter),
          m_rows(2 * m_stride), m_lines((filter == PngFilter::Adaptive ? 5 : 1) * (m_stride + 1)) {}

    // Starts at row y: the row above it read again (zeros above the first).
    void Start(int y) {
        m_flip = false;
        std::fill(m_rows.begin(), m_rows.end(), 0);
        if (y > 0) Bytes(y - 1, Prev());
    }

    // Row y, the one after the last: its filter's type and its bytes filtered.
    const unsigned char* Next(int y) {
        unsigned char* cur = Cur();
        const unsigned char* prev = Prev();
        Bytes(y, cur);
        unsigned char* line = m_lines.data();
        if (m_filter != PngFilter::Adaptive) {
            FilterRow(static_cast<int>(m_filter), cur, prev, m_stride, m_bpp, line);
        } else {
            std::uint32_t best = 0;
            for (int f = 0; f < 5; ++f) {
                unsigned char* candidate = m_lines.data() + static_cast<std::size_t>(f) * (m_stride + 1);
                FilterRow(f, cur, prev, m_stride, m_bpp, candidate);
                const std::uint32_t sum = SignedSum(candidate + 1, m_stride);
                if (f == 0 || sum < best) {
                    best = sum;
                    line = candidate;
                }
            }
        }
        m_flip = !m_flip;
        return line;
    }

private:
    unsigned char* Cur() { return m_rows.data() + (m_flip ? m_stride : 0); }
    unsigned char* Prev() { return m_rows.data() + (m_flip ? 0 : m_stride); }
    void Bytes(int y, unsigned char* out) const {
        RowBytes(m_picture.px.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_picture.width),
                 m_picture.width, static_cast<int>(m_bpp), out);
    }

    const RasterImage& m_picture;
    const std::size_t m_bpp, m_stride;
    const PngFilter m_filter;
    std::vector<unsigned char> m_rows, m_lines;
    bool m_flip = false;
};

// Rows [y0, y1) filtered and deflated on their own, as a piece of the one
// stream: raw deflate that refers to nothing before it, ending on a byte
// boundary (a sync flush) unless it ends the stream.
struct Part {
    int y0 = 0, y1 = 0;
    bool last = false;
    std::vector<unsigned char> out;
    uLong adler = 1;         // of the filtered rows
    std::size_t length = 0;  // filtered bytes
    bool ok = false;

    void Run(const RasterImage& picture, std::size_t bpp, const Pass& pass) {
        try {
            ok = Deflate(picture, bpp, pass);
        } catch (const std::exception&) {
            ok = false;  // out of memory
        }
    }

private:
    bool Deflate(const RasterImage& picture, std::size_t bpp, const Pass& pass) {
        const std::size_t line = static_cast<std::size_t>(picture.width) * bpp + 1;
        RowFilter filter(picture, bpp, pass.filter);
        z_stream z{};
        if (deflateInit2(&z, pass.level, Z_DEFLATED, -15, 8, pass.strategy) != Z_OK) return false;
        struct End {
            z_stream& z;
            ~End() { deflateEnd(&z); }
        } end{z};
        length = static_cast<std::size_t>(y1 - y0) * line;
        out.resize(deflateBound(&z, static_cast<uLong>(length)) + 64);
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        adler = adler32(0, Z_NULL, 0);
        filter.Start(y0);
        for (int y = y0; y < y1; ++y) {
            const unsigned char* filtered = filter.Next(y);
            adler = adler32(adler, filtered, static_cast<uInt>(line));
            z.next_in = const_cast<unsigned char*>(filtered);
            z.avail_in = static_cast<uInt>(line);
            const int flush = y + 1 < y1 ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
            for (;;) {
                if (z.avail_out == 0) {
                    // The bound holds for a whole stream; a flush may want a little more.
                    const std::size_t used = out.size();
                    out.resize(used + used / 2 + 64);
                    z.next_out = out.data() + used;
                    z.avail_out = static_cast<uInt>(out.size() - used);
                }
                const int status = deflate(&z, flush);
                if (status == Z_STREAM_END) break;
                if (status != Z_OK && status != Z_BUF_ERROR) return false;
                if (flush != Z_FINISH && z.avail_in == 0 && z.avail_out != 0) break;
            }
        }
        out.resize(z.total_out);
        return true;
    }
};

// Runs job(i) for every i below `count`, on this thread and up to
// `threads` - 1 more, each taking the next i as it finishes one.
template <typename Job>
void OnThreads(std::size_t count, unsigned threads, const Job& job) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < count;) job(i);
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < std::min<std::size_t>(threads, count); ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no thread to be had: those there do the work
        }
    }
    work();
    for (std::thread& t : helpers) t.join();
}

// The zlib header of a stream deflated at `level`, as zlib writes it.
std::uint32_t ZlibHeader(int level) {
    const std::uint32_t flags = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    const std::uint32_t header = 0x7800 | flags << 6;
    return header + 31 - header % 31;
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
    const std::size_t bpp = opaque ? 3 : 4, line = static_cast<std::size_t>(width) * bpp + 1;

    // The rows in parts of at least 64 KB, deflated side by side.
    const unsigned threads = std::clamp(settings.threads, 1u, 16u);
    const std::size_t rowsPerPart = std::max<std::size_t>(1, (std::size_t{64} << 10) / line);
    const std::size_t count =
        std::clamp<std::size_t>(static_cast<std::size_t>(height) / rowsPerPart, 1, threads);
    std::vector<Part> parts(count);
    for (std::size_t i = 0; i < count; ++i) {
        parts[i].y0 = static_cast<int>(static_cast<std::size_t>(height) * i / count);
        parts[i].y1 = static_cast<int>(static_cast<std::size_t>(height) * (i + 1) / count);
        parts[i].last = i + 1 == count;
    }
    const bool chosen = settings.level < 0;
    const Pass first = chosen ? Pass{PngFilter::Sub, 2, Z_DEFAULT_STRATEGY}
                              : Pass{settings.filter, std::min(settings.level, 9), std::clamp(settings.strategy, 0, 3)};
    OnThreads(count, threads, [&](std::size_t i) { parts[i].Run(picture, bpp, first); });
    for (const Part& part : parts)
        if (!part.ok) return false;
    int level = first.level;
    if (chosen) {
        // Parts that shrank to under a quarter are flat drawings, which
        // deflate quickly even at zlib's default level. Runs of them are
        // deflated again, unfiltered, at that level (as GDI+ writes its
        // files, in about their size); the smaller is kept.
        std::vector<Part> again;
        for (std::size_t i = 0; i < count;) {
            std::size_t j = i;
            while (j < count && parts[j].out.size() * 4 < parts[j].length) ++j;
            if (j == i) {
                ++i;
                continue;
            }
            Part run;
            run.y0 = parts[i].y0;
            run.y1 = parts[j - 1].y1;
            run.last = parts[j - 1].last;
            again.push_back(std::move(run));
            i = j;
        }
        const Pass second{PngFilter::None, Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY};
        OnThreads(again.size(), threads, [&](std::size_t i) { again[i].Run(picture, bpp, second); });
        for (Part& run : again) {
            auto from = std::find_if(parts.begin(), parts.end(), [&](const Part& p) { return p.y0 == run.y0; });
            auto to = std::find_if(from, parts.end(), [&](const Part& p) { return p.y1 == run.y1; }) + 1;
            std::size_t before = 0;
            for (auto p = from; p != to; ++p) before += p->out.size();
            if (!run.ok || run.out.size() >= before) continue;
            *from = std::move(run);
            parts.erase(from + 1, to);
            level = 6;
        }
    }

    std::size_t packed = 6;
    uLong adler = adler32(0, Z_NULL, 0);
    for (const Part& part : parts) {
        packed += part.out.size();
        adler = part.y0 == 0 ? part.adler : adler32_combine(adler, part.adler, static_cast<z_off_t>(part.length));
    }

    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.reserve(8 + 25 + 12 + packed + 12);
    png.assign(kSignature, kSignature + 8);
    std::size_t chunk = BeginChunk(png, "IHDR");
    png.resize(png.size() + 13);
    PutBe32(&png[chunk + 8], static_cast<std::uint32_t>(width));
    PutBe32(&png[chunk + 12], static_cast<std::uint32_t>(height));
    png[chunk + 16] = 8;               // bits a channel
    png[chunk + 17] = opaque ? 2 : 6;  // colour, or colour and alpha
    png[chunk + 18] = 0;               // deflate
    png[chunk + 19] = 0;               // the five filters
    png[chunk + 20] = 0;               // not interlaced
    EndChunk(png, chunk);

    // One stream in one IDAT: zlib's header, the parts, the Adler-32 of all the rows.
    chunk = BeginChunk(png, "IDAT");
    const std::uint32_t header = ZlibHeader(level);
    png.push_back(static_cast<unsigned char>(header >> 8));
    png.push_back(static_cast<unsigned char>(header));
    for (const Part& part : parts) png.insert(png.end(), part.out.begin(), part.out.end());
    png.resize(png.size() + 4);
    PutBe32(&png[png.size() - 4], static_cast<std::uint32_t>(adler));
    EndChunk(png, chunk);
    EndChunk(png, BeginChunk(png, "IEND"));
    return true;
}

}  // namespace fh
