#pragma once
// A movie's bitmaps as its tags hold them: lossless pixels deflated with
// zlib (colour-mapped, 15-bit, 24-bit or premultiplied 32-bit), or JPEG, PNG
// or GIF data with an optional deflated alpha plane. The core decodes the
// lossless ones and the alpha planes; the pictures go to the platform's
// decoders. Sizes are read from the data before anything is decoded, so the
// caps hold whatever the data claims.

#include <cstdint>
#include <string>
#include <vector>

namespace fh {

enum class SwfImageType { None, Jpeg, Png, Gif };

struct SwfBitmap {
    bool lossless = false;
    int width = 0, height = 0;  // 0 when unknown
    // Lossless: format 3, 4 or 5, colour table entries, alpha (DefineBitsLossless2).
    int format = 0;
    int tableSize = 0;
    bool withAlpha = false;
    std::vector<unsigned char> data;       // deflated pixels, or the picture file's bytes
    std::vector<unsigned char> alphaData;  // deflated alpha plane for JPEG data, when present
    SwfImageType type = SwfImageType::None;
    // A script's bitmap comes decoded: premultiplied 0xAARRGGBB.
    std::vector<std::uint32_t> pixels;
};

// The picture's type and size from its first bytes (JPEG: its frame header).
SwfImageType ImageTypeOf(const std::vector<unsigned char>& data);
bool ImageSize(const std::vector<unsigned char>& data, int& width, int& height);

// One JPEG stream from encoding tables (JPEGTables, may be empty) and image
// data, dropping the stray end and start markers movies put between them.
std::vector<unsigned char> JoinJpeg(const std::vector<unsigned char>& tables, const unsigned char* data, std::size_t size);

// Premultiplied 0xAARRGGBB, row by row; false when the data is cut or corrupt
// (what was decoded is kept, the rest transparent).
bool DecodeLossless(const SwfBitmap& bitmap, std::vector<std::uint32_t>& pixels);
// width × height alpha values; false when the plane is missing or short.
bool DecodeAlphaPlane(const SwfBitmap& bitmap, std::vector<unsigned char>& alpha);

}  // namespace fh
