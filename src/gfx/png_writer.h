#pragma once
// Our pictures as PNG files, written with the zlib the program links: 8-bit
// colour alone (type 2) for an opaque picture, colour and straight alpha
// (type 6) otherwise, one filter chosen per row, deflated at a fast level.

#include <cstddef>
#include <cstdint>
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

}  // namespace fh
