#include "gfx/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "base/shelf.h"

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

// What deflating a part takes, lent from one file to the next: zlib's
// streams (a quarter of a megabyte of state each), the rows being filtered
// and the room for the output. Allocating them afresh for every file is slow
// under Wine.
struct Deflater {
    struct Stream {
        int level = 0, strategy = 0;
        z_stream z{};  // never moves once zlib knows it
    };
    std::vector<std::unique_ptr<Stream>> streams;
    std::vector<unsigned char> rows, lines;
    std::vector<unsigned char> out;  // its size is room; the part knows how much is used

    ~Deflater() {
        for (auto& stream : streams) deflateEnd(&stream->z);
    }

    // A stream for raw deflate at this level, from its start.
    z_stream* Ready(int level, int strategy) {
        for (auto& stream : streams)
            if (stream->level == level && stream->strategy == strategy)
                return deflateReset(&stream->z) == Z_OK ? &stream->z : nullptr;
        auto stream = std::make_unique<Stream>();
        stream->level = level;
        stream->strategy = strategy;
        if (deflateInit2(&stream->z, level, Z_DEFLATED, -15, 8, strategy) != Z_OK) return nullptr;
        streams.push_back(std::move(stream));
        return &streams.back()->z;
    }

    // What a large picture needed is not kept.
    void Trim() {
        constexpr std::size_t kKeptRoom = std::size_t{2} << 20;
        if (out.size() > kKeptRoom) std::vector<unsigned char>().swap(out);
        if (rows.size() + lines.size() > kKeptRoom) {
            std::vector<unsigned char>().swap(rows);
            std::vector<unsigned char>().swap(lines);
        }
    }
};

// The picture's rows as the file's bytes, filtered one at a time.
class RowFilter {
public:
    RowFilter(const RasterImage& picture, std::size_t bpp, PngFilter filter, Deflater& room)
        : m_picture(picture), m_bpp(bpp), m_stride(static_cast<std::size_t>(picture.width) * bpp), m_filter(filter),
          m_rows(room.rows), m_lines(room.lines) {
        m_rows.resize(2 * m_stride);
        m_lines.resize((filter == PngFilter::Adaptive ? 5 : 1) * (m_stride + 1));
    }

    // Starts at row y: the row above it read again (zeros above the first).
    void Start(int y) {
        m_flip = false;
        std::fill(m_rows.begin(), m_rows.begin() + static_cast<std::ptrdiff_t>(2 * m_stride), 0);
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
    std::vector<unsigned char>&m_rows, &m_lines;
    bool m_flip = false;
};

// Rows [y0, y1) filtered and deflated on their own, as a piece of the one
// stream: raw deflate that refers to nothing before it, ending on a byte
// boundary (a sync flush) unless it ends the stream. Its bytes stay in the
// room it was lent until it is done with.
struct Part {
    int y0 = 0, y1 = 0;
    bool last = false;
    std::unique_ptr<Deflater> room;
    std::size_t size = 0;    // bytes of output
    uLong adler = 1;         // of the filtered rows
    std::size_t length = 0;  // filtered bytes
    bool ok = false;

    Part() = default;
    Part(Part&& other) noexcept { *this = std::move(other); }
    Part& operator=(Part&& other) noexcept {
        if (this != &other) {
            GiveBack();
            y0 = other.y0;
            y1 = other.y1;
            last = other.last;
            room = std::move(other.room);
            size = other.size;
            adler = other.adler;
            length = other.length;
            ok = other.ok;
        }
        return *this;
    }
    ~Part() { GiveBack(); }

    const unsigned char* Bytes() const { return room ? room->out.data() : nullptr; }

    void Run(const RasterImage& picture, std::size_t bpp, const Pass& pass) {
        try {
            if (!room) room = Shelf<Deflater>::Shared().Take();
            ok = Deflate(picture, bpp, pass);
        } catch (const std::exception&) {
            ok = false;  // out of memory
        }
    }

private:
    void GiveBack() noexcept {
        if (!room) return;
        room->Trim();
        Shelf<Deflater>::Shared().Give(std::move(room));
    }

    bool Deflate(const RasterImage& picture, std::size_t bpp, const Pass& pass) {
        const std::size_t line = static_cast<std::size_t>(picture.width) * bpp + 1;
        RowFilter filter(picture, bpp, pass.filter, *room);
        z_stream* z = room->Ready(pass.level, pass.strategy);
        if (!z) return false;
        std::vector<unsigned char>& out = room->out;
        length = static_cast<std::size_t>(y1 - y0) * line;
        const std::size_t bound = deflateBound(z, static_cast<uLong>(length)) + 64;
        if (out.size() < bound) out.resize(bound);
        z->next_out = out.data();
        z->avail_out = static_cast<uInt>(out.size());
        adler = adler32(0, Z_NULL, 0);
        filter.Start(y0);
        for (int y = y0; y < y1; ++y) {
            const unsigned char* filtered = filter.Next(y);
            adler = adler32(adler, filtered, static_cast<uInt>(line));
            z->next_in = const_cast<unsigned char*>(filtered);
            z->avail_in = static_cast<uInt>(line);
            const int flush = y + 1 < y1 ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
            for (;;) {
                if (z->avail_out == 0) {
                    // The bound holds for a whole stream; a flush may want a little more.
                    const std::size_t used = out.size();
                    out.resize(used + used / 2 + 64);
                    z->next_out = out.data() + used;
                    z->avail_out = static_cast<uInt>(out.size() - used);
                }
                const int status = deflate(z, flush);
                if (status == Z_STREAM_END) break;
                if (status != Z_OK && status != Z_BUF_ERROR) return false;
                if (flush != Z_FINISH && z->avail_in == 0 && z->avail_out != 0) break;
            }
        }
        size = z->total_out;
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

// Whether the picture's size is one the writer takes, its pixels filling it.
bool Writable(const RasterImage& picture) {
    const int width = picture.width, height = picture.height;
    if (width <= 0 || height <= 0 || width > kPngMaxSide || height > kPngMaxSide) return false;
    // Both sides below 2^15: their product fits in 32 bits, and the limit
    // keeps four bytes a pixel (and a byte a row) within 32 bits as well.
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    return pixels <= kPngMaxPixels && picture.px.size() == pixels;
}

bool Opaque(const RasterImage& picture, int y0, int y1) {
    const std::size_t width = static_cast<std::size_t>(picture.width);
    return std::all_of(picture.px.begin() + static_cast<std::ptrdiff_t>(width * static_cast<std::size_t>(y0)),
                       picture.px.begin() + static_cast<std::ptrdiff_t>(width * static_cast<std::size_t>(y1)),
                       [](std::uint32_t p) { return p >> 24 == 255; });
}

// Rows [y0, y1) as up to `most` parts of at least 64 KB of filtered rows.
void Split(const RasterImage& picture, std::size_t bpp, int y0, int y1, unsigned most, std::vector<Part>& parts) {
    const std::size_t line = static_cast<std::size_t>(picture.width) * bpp + 1;
    const std::size_t rows = static_cast<std::size_t>(y1 - y0);
    const std::size_t rowsPerPart = std::max<std::size_t>(1, (std::size_t{64} << 10) / line);
    const std::size_t count = std::clamp<std::size_t>(rows / rowsPerPart, 1, std::max(most, 1u));
    for (std::size_t i = 0; i < count; ++i) {
        Part part;
        part.y0 = y0 + static_cast<int>(rows * i / count);
        part.y1 = y0 + static_cast<int>(rows * (i + 1) / count);
        part.last = part.y1 == picture.height;
        parts.push_back(std::move(part));
    }
}

// The writer's own choice, first: Sub-filtered rows at zlib's level 2.
const Pass kFirst{PngFilter::Sub, 2, Z_DEFAULT_STRATEGY};

// Parts that shrank to under a quarter are flat drawings, which deflate
// quickly even at zlib's default level. Runs of them are deflated again,
// unfiltered, at that level (as GDI+ writes its files, in about their size);
// the smaller is kept. Returns the highest level the parts now hold.
int DeflateFlatAgain(const RasterImage& picture, std::size_t bpp, std::vector<Part>& parts, unsigned threads) {
    std::vector<Part> again;
    for (std::size_t i = 0; i < parts.size();) {
        std::size_t j = i;
        while (j < parts.size() && parts[j].size * 4 < parts[j].length) ++j;
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
    int level = kFirst.level;
    for (Part& run : again) {
        auto from = std::find_if(parts.begin(), parts.end(), [&](const Part& p) { return p.y0 == run.y0; });
        auto to = std::find_if(from, parts.end(), [&](const Part& p) { return p.y1 == run.y1; }) + 1;
        std::size_t before = 0;
        for (auto p = from; p != to; ++p) before += p->size;
        if (!run.ok || run.size >= before) continue;
        *from = std::move(run);
        parts.erase(from + 1, to);
        level = 6;
    }
    return level;
}

// The file of the parts (in order, every row in one).
void Assemble(const RasterImage& picture, bool opaque, const std::vector<Part>& parts, int level,
              std::vector<unsigned char>& png) {
    std::size_t packed = 6;
    uLong adler = adler32(0, Z_NULL, 0);
    for (const Part& part : parts) {
        packed += part.size;
        adler = part.y0 == 0 ? part.adler : adler32_combine(adler, part.adler, static_cast<z_off_t>(part.length));
    }
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.reserve(8 + 25 + 12 + packed + 12);
    png.assign(kSignature, kSignature + 8);
    std::size_t chunk = BeginChunk(png, "IHDR");
    png.resize(png.size() + 13);
    PutBe32(&png[chunk + 8], static_cast<std::uint32_t>(picture.width));
    PutBe32(&png[chunk + 12], static_cast<std::uint32_t>(picture.height));
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
    for (const Part& part : parts) png.insert(png.end(), part.Bytes(), part.Bytes() + part.size);
    png.resize(png.size() + 4);
    PutBe32(&png[png.size() - 4], static_cast<std::uint32_t>(adler));
    EndChunk(png, chunk);
    EndChunk(png, BeginChunk(png, "IEND"));
}

}  // namespace

struct PngBands::State {
    explicit State(const RasterImage& p) : picture(p) {}
    const RasterImage& picture;
    std::mutex lock;
    std::vector<Part> parts;
    bool alpha = false;  // some band was not opaque
};

PngBands::PngBands(const RasterImage& picture) : m_state(std::make_unique<State>(picture)) {}

PngBands::~PngBands() = default;

void PngBands::Band(int y0, int y1) {
    const RasterImage& picture = m_state->picture;
    if (!Writable(picture) || y0 < 0 || y1 > picture.height || y0 >= y1) return;
    if (!Opaque(picture, y0, y1)) {
        std::lock_guard<std::mutex> hold(m_state->lock);
        m_state->alpha = true;
        return;
    }
    Part part;
    part.y0 = y0;
    part.y1 = y1;
    part.last = y1 == picture.height;
    part.Run(picture, 3, kFirst);
    if (!part.ok) return;  // out of memory: the rows are deflated again at the end
    std::lock_guard<std::mutex> hold(m_state->lock);
    m_state->parts.push_back(std::move(part));
}

bool PngBands::Finish(std::vector<unsigned char>& png, unsigned threads) {
    png.clear();
    const RasterImage& picture = m_state->picture;
    if (!Writable(picture)) return false;
    threads = std::clamp(threads, 1u, 16u);
    std::vector<Part> parts;
    bool opaque;
    {
        std::lock_guard<std::mutex> hold(m_state->lock);
        parts = std::move(m_state->parts);
        m_state->parts.clear();
        opaque = !m_state->alpha;
    }
    std::sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) { return a.y0 < b.y0; });
    for (std::size_t i = 1; i < parts.size(); ++i)
        if (parts[i].y0 < parts[i - 1].y1) parts.clear();  // bands that overlap: none of them kept
    // The rows no band brought, and whether they are opaque too.
    std::vector<std::pair<int, int>> gaps;
    int y = 0;
    for (const Part& part : parts) {
        if (part.y0 > y) gaps.emplace_back(y, part.y0);
        y = part.y1;
    }
    if (y < picture.height) gaps.emplace_back(y, picture.height);
    for (const auto& gap : gaps) opaque = opaque && Opaque(picture, gap.first, gap.second);
    if (!opaque) {
        // Colour and alpha after all: every row again, four bytes a pixel.
        parts.clear();
        gaps.assign(1, {0, picture.height});
    }
    const std::size_t bpp = opaque ? 3 : 4;
    std::vector<Part> more;
    for (const auto& gap : gaps) Split(picture, bpp, gap.first, gap.second, threads, more);
    OnThreads(more.size(), threads, [&](std::size_t i) { more[i].Run(picture, bpp, kFirst); });
    for (Part& part : more) {
        if (!part.ok) return false;
        parts.push_back(std::move(part));
    }
    std::sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) { return a.y0 < b.y0; });
    const int level = DeflateFlatAgain(picture, bpp, parts, threads);
    Assemble(picture, opaque, parts, level, png);
    return true;
}

bool WritePng(const RasterImage& picture, std::vector<unsigned char>& png, const PngSettings& settings) {
    png.clear();
    if (!Writable(picture)) return false;
    const unsigned threads = std::clamp(settings.threads, 1u, 16u);
    if (settings.level < 0) return PngBands(picture).Finish(png, threads);
    // One filter at one level, in parts side by side.
    const bool opaque = Opaque(picture, 0, picture.height);
    const std::size_t bpp = opaque ? 3 : 4;
    const Pass pass{settings.filter, std::min(settings.level, 9), std::clamp(settings.strategy, 0, 3)};
    std::vector<Part> parts;
    Split(picture, bpp, 0, picture.height, threads, parts);
    OnThreads(parts.size(), threads, [&](std::size_t i) { parts[i].Run(picture, bpp, pass); });
    for (const Part& part : parts)
        if (!part.ok) return false;
    Assemble(picture, opaque, parts, pass.level, png);
    return true;
}

}  // namespace fh
