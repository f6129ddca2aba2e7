#include "swf/swf_bitmap.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace fh {

namespace {

std::uint32_t Be16(const unsigned char* p) { return (p[0] << 8) | p[1]; }
std::uint32_t Be32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Inflates into `out` (sized by the caller); the count written.
std::size_t Inflate(const std::vector<unsigned char>& in, unsigned char* out, std::size_t size) {
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK) return 0;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(in.size(), 0xFFFFFFFFu));
    z.next_out = out;
    z.avail_out = static_cast<uInt>(size);
    inflate(&z, Z_FINISH);
    const std::size_t produced = size - z.avail_out;
    inflateEnd(&z);
    return produced;
}

std::uint32_t Premultiply(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (a << 24) | ((r * a + 127) / 255 << 16) | ((g * a + 127) / 255 << 8) | ((b * a + 127) / 255);
}

// Premultiplied data whose colour exceeds its alpha is clamped, so that
// drawing never overflows.
std::uint32_t ClampPremultiplied(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (a << 24) | (std::min(r, a) << 16) | (std::min(g, a) << 8) | std::min(b, a);
}

}  // namespace

SwfImageType ImageTypeOf(const std::vector<unsigned char>& d) {
    if (d.size() >= 8 && d[0] == 0x89 && d[1] == 'P' && d[2] == 'N' && d[3] == 'G') return SwfImageType::Png;
    if (d.size() >= 6 && d[0] == 'G' && d[1] == 'I' && d[2] == 'F' && d[3] == '8') return SwfImageType::Gif;
    if (d.size() >= 2 && d[0] == 0xFF && (d[1] == 0xD8 || d[1] == 0xD9)) return SwfImageType::Jpeg;
    return SwfImageType::None;
}

bool ImageSize(const std::vector<unsigned char>& d, int& width, int& height) {
    switch (ImageTypeOf(d)) {
    case SwfImageType::Png:
        if (d.size() < 24) return false;
        width = static_cast<int>(std::min<std::uint32_t>(Be32(&d[16]), 0x7FFFFFFF));
        height = static_cast<int>(std::min<std::uint32_t>(Be32(&d[20]), 0x7FFFFFFF));
        return true;
    case SwfImageType::Gif:
        if (d.size() < 10) return false;
        width = d[6] | (d[7] << 8);
        height = d[8] | (d[9] << 8);
        return true;
    case SwfImageType::Jpeg: {
        std::size_t pos = 2;
        while (pos + 4 <= d.size()) {
            if (d[pos] != 0xFF) return false;
            const unsigned marker = d[pos + 1];
            if (marker == 0xD8 || marker == 0xD9 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7)) {
                pos += marker == 0xFF ? 1 : 2;
                continue;
            }
            const std::size_t length = Be16(&d[pos + 2]);
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
            if (frame && pos + 9 <= d.size()) {
                height = static_cast<int>(Be16(&d[pos + 5]));
                width = static_cast<int>(Be16(&d[pos + 7]));
                return true;
            }
            if (marker == 0xDA || length < 2) return false;
            pos += 2 + length;
        }
        return false;
    }
    case SwfImageType::None: break;
    }
    return false;
}

namespace {

// Copies marker segments of one JPEG stream, leaving out every start and end
// marker (the caller writes one of each).
void CopySegments(const unsigned char* d, std::size_t n, std::vector<unsigned char>& out) {
    std::size_t pos = 0;
    while (pos + 1 < n) {
        if (d[pos] != 0xFF) return;
        const unsigned marker = d[pos + 1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9) {
            pos += 2;
            continue;
        }
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            out.insert(out.end(), d + pos, d + pos + 2);
            pos += 2;
            continue;
        }
        if (pos + 4 > n) return;
        const std::size_t end = std::min(n, pos + 2 + Be16(d + pos + 2));
        out.insert(out.end(), d + pos, d + end);
        pos = end;
        if (marker != 0xDA) continue;
        // Entropy-coded data runs to the next marker that is not a stuffed
        // zero or a restart.
        std::size_t scan = pos;
        while (scan + 1 < n && !(d[scan] == 0xFF && d[scan + 1] != 0 && !(d[scan + 1] >= 0xD0 && d[scan + 1] <= 0xD7)))
            ++scan;
        if (scan + 1 >= n) scan = n;
        out.insert(out.end(), d + pos, d + scan);
        pos = scan;
    }
}

}  // namespace

std::vector<unsigned char> JoinJpeg(const std::vector<unsigned char>& tables, const unsigned char* data, std::size_t size) {
    std::vector<unsigned char> out = {0xFF, 0xD8};
    out.reserve(tables.size() + size + 4);
    if (!tables.empty()) CopySegments(tables.data(), tables.size(), out);
    CopySegments(data, size, out);
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

bool DecodeLossless(const SwfBitmap& bm, std::vector<std::uint32_t>& pixels) {
    const std::size_t w = static_cast<std::size_t>(bm.width), h = static_cast<std::size_t>(bm.height);
    pixels.assign(w * h, 0);
    if (!w || !h) return false;
    std::size_t tableBytes = 0, rowBytes = 0;
    const std::size_t entry = bm.withAlpha ? 4 : 3;
    switch (bm.format) {
    case 3:
        tableBytes = static_cast<std::size_t>(bm.tableSize) * entry;
        rowBytes = (w + 3) & ~std::size_t{3};
        break;
    case 4:
        rowBytes = (w * 2 + 3) & ~std::size_t{3};
        break;
    case 5:
        rowBytes = w * 4;
        break;
    default:
        return false;
    }
    std::vector<unsigned char> raw(tableBytes + rowBytes * h);
    const std::size_t got = Inflate(bm.data, raw.data(), raw.size());
    const bool complete = got == raw.size();
    raw.resize(got);
    for (std::size_t y = 0; y < h; ++y) {
        const std::size_t rowAt = tableBytes + y * rowBytes;
        if (bm.format == 5 && rowAt + w * 4 <= raw.size()) {
            // A whole row of 32-bit pixels at hand: no look at the end for each.
            const unsigned char* c = raw.data() + rowAt;
            std::uint32_t* out = pixels.data() + y * w;
            if (bm.withAlpha)
                for (std::size_t x = 0; x < w; ++x, c += 4) out[x] = ClampPremultiplied(c[0], c[1], c[2], c[3]);
            else
                for (std::size_t x = 0; x < w; ++x, c += 4)
                    out[x] = 0xFF000000u | std::uint32_t{c[1]} << 16 | std::uint32_t{c[2]} << 8 | c[3];
            continue;
        }
        for (std::size_t x = 0; x < w; ++x) {
            std::uint32_t& px = pixels[y * w + x];
            if (bm.format == 3) {
                if (rowAt + x >= raw.size()) return false;
                const std::size_t index = raw[rowAt + x];
                if (index >= static_cast<std::size_t>(bm.tableSize) || index * entry + entry > raw.size()) continue;
                const unsigned char* c = &raw[index * entry];
                px = bm.withAlpha ? ClampPremultiplied(c[3], c[0], c[1], c[2]) : Premultiply(255, c[0], c[1], c[2]);
            } else if (bm.format == 4) {
                if (rowAt + x * 2 + 2 > raw.size()) return false;
                const std::uint32_t v = Be16(&raw[rowAt + x * 2]);
                const std::uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                px = Premultiply(255, r * 255 / 31, g * 255 / 31, b * 255 / 31);
            } else {
                if (rowAt + x * 4 + 4 > raw.size()) return false;
                const unsigned char* c = &raw[rowAt + x * 4];
                px = bm.withAlpha ? ClampPremultiplied(c[0], c[1], c[2], c[3]) : Premultiply(255, c[1], c[2], c[3]);
            }
        }
    }
    return complete;
}

bool DecodeAlphaPlane(const SwfBitmap& bm, std::vector<unsigned char>& alpha) {
    const std::size_t count = static_cast<std::size_t>(bm.width) * static_cast<std::size_t>(bm.height);
    alpha.assign(count, 255);
    if (bm.alphaData.empty() || count == 0) return false;
    return Inflate(bm.alphaData, alpha.data(), count) == count;
}

}  // namespace fh
