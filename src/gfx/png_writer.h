#pragma once
// Our pictures as PNG files, written with the zlib the program links: 8-bit
// colour alone (type 2) for an opaque picture, colour and straight alpha
// (type 6) otherwise, CRCs and Adler-32 by zlib. The rows are filtered and
// deflated at a fast level in parts side by side (one stream, each part
// ending on a byte boundary), flat drawings harder: within 10% of the size
// GDI+'s encoder (zlib's default level, unfiltered) writes, in two thirds of
// its time on one core and about a third on two (the bench's picture of 500
// shapes over noise, under Wine).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/raster_image.h"

namespace fh {

// The largest picture written: a side of at most 32 768 pixels and at most
// 64 M pixels in all (256 MB of rows), far above the 4096-pixel snapshots.
constexpr int kPngMaxSide = 1 << 15;
constexpr std::size_t kPngMaxPixels = std::size_t{1} << 26;

// How each row is filtered before deflating: one filter for every row, or
// per row the one whose bytes, read as signed, sum smallest (as libpng does).
enum class PngFilter { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4, Adaptive = 5 };

struct PngSettings {
    // Below 0, the writer's own choice: the rows Sub-filtered and deflated
    // at zlib's level 2, and those parts of them that shrink to under a
    // quarter (flat drawings, quick to deflate harder) again unfiltered at
    // its default level, the smaller kept. Otherwise `filter` for every row
    // at this level (0 to 9), for measuring.
    int level = -1;
    PngFilter filter = PngFilter::None;
    int strategy = 0;  // zlib's, with a level: 0 its default, 1 filtered, 2 Huffman codes alone, 3 runs alone
    // The rows in up to this many parts of 64 KB or more, deflated side by
    // side (one stream all the same).
    unsigned threads = 1;
};

// The picture (premultiplied 0xAARRGGBB, as the rasterizer draws) as a PNG
// file in `png`; false, with `png` empty, for an empty picture, one beyond
// the limits above, or one whose pixels do not fill its size.
bool WritePng(const RasterImage& picture, std::vector<unsigned char>& png, const PngSettings& settings = PngSettings());

// The writer's own choice for a picture still being drawn: each band of
// rows deflated as soon as it is final, on the thread that drew it, while
// other bands are drawn. Bands may come in any order from any thread; they
// are taken as colour alone (a band that is not opaque makes Finish write
// every row again with alpha).
class PngBands {
public:
    // The picture is read at each band and at Finish, not before: it may
    // be given its size after this, but not change it between.
    explicit PngBands(const RasterImage& picture);
    ~PngBands();
    PngBands(const PngBands&) = delete;
    PngBands& operator=(const PngBands&) = delete;

    // Rows [y0, y1) are final.
    void Band(int y0, int y1);
    // The file, the rows no band brought deflated now on up to `threads`
    // threads; as WritePng with the writer's own choice.
    bool Finish(std::vector<unsigned char>& png, unsigned threads);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace fh
