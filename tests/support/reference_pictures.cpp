#include "support/reference_pictures.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace fh::test {

namespace {

std::uint32_t Be32At(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
           static_cast<unsigned char>(b[at + 3]);
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The RGB of a pixel over white.
void OverWhite(std::uint32_t p, int rgb[3]) {
    const int a = static_cast<int>(p >> 24);
    for (int c = 0; c < 3; ++c) {
        const int v = static_cast<int>(p >> (16 - 8 * c) & 0xFF);
        rgb[c] = (v * a + 255 * (255 - a) + 127) / 255;
    }
}

}  // namespace

bool ReadPng(const std::string& bytes, Picture& out) {
    if (bytes.size() < 33 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return false;
    std::string packed;
    int channels = 0;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::uint32_t length = Be32At(bytes, at);
        if (length > bytes.size() - at - 12) return false;
        const std::string type = bytes.substr(at + 4, 4);
        if (type == "IHDR") {
            out.width = static_cast<int>(Be32At(bytes, at + 8));
            out.height = static_cast<int>(Be32At(bytes, at + 12));
            const int depth = bytes[at + 16], color = bytes[at + 17], interlace = bytes[at + 20];
            if (depth != 8 || (color != 2 && color != 6) || interlace != 0 || out.width <= 0 || out.height <= 0 ||
                out.width > 8192 || out.height > 8192)
                return false;
            channels = color == 6 ? 4 : 3;
        } else if (type == "IDAT") {
            packed += bytes.substr(at + 8, length);
        }
        at += 12 + length;
    }
    if (!channels) return false;
    const std::size_t stride = static_cast<std::size_t>(out.width) * channels;
    std::string raw((stride + 1) * out.height, '\0');
    uLongf size = static_cast<uLongf>(raw.size());
    if (uncompress(reinterpret_cast<Bytef*>(&raw[0]), &size, reinterpret_cast<const Bytef*>(packed.data()),
                   static_cast<uLong>(packed.size())) != Z_OK ||
        size != raw.size())
        return false;
    std::vector<unsigned char> prior(stride, 0), row(stride);
    out.argb.assign(static_cast<std::size_t>(out.width) * out.height, 0);
    for (int y = 0; y < out.height; ++y) {
        const unsigned char* line = reinterpret_cast<const unsigned char*>(raw.data()) + (stride + 1) * y;
        const int filter = line[0];
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= static_cast<std::size_t>(channels) ? row[i - channels] : 0, b = prior[i];
            const int c = i >= static_cast<std::size_t>(channels) ? prior[i - channels] : 0;
            const int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? Paeth(a, b, c) : 0;
            row[i] = static_cast<unsigned char>(line[1 + i] + predicted);
        }
        for (int x = 0; x < out.width; ++x) {
            const unsigned char* p = row.data() + static_cast<std::size_t>(x) * channels;
            out.argb[static_cast<std::size_t>(y) * out.width + x] =
                static_cast<std::uint32_t>(channels == 4 ? p[3] : 255) << 24 | p[0] << 16 | p[1] << 8 | p[2];
        }
        prior = row;
    }
    return true;
}

PictureScore ScorePicture(const Picture& ref, const Picture& cand, int threshold) {
    PictureScore score;
    if (ref.width != cand.width || ref.height != cand.height || ref.argb.empty() ||
        ref.argb.size() != cand.argb.size())
        return score;
    const int w = ref.width, h = ref.height;
    std::vector<int> a(ref.argb.size() * 3), b(a.size());
    for (std::size_t i = 0; i < ref.argb.size(); ++i) {
        OverWhite(ref.argb[i], &a[3 * i]);
        OverWhite(cand.argb[i], &b[3 * i]);
    }
    std::size_t bad = 0, still = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            int worst = 0;
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a[3 * i + c] - b[3 * i + c]));
            if (worst <= threshold) continue;
            ++bad;
            for (int c = 0; c < 3; ++c) {
                int lo = 255, hi = 0;
                for (int yy = std::max(0, y - 1); yy <= std::min(h - 1, y + 1); ++yy)
                    for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); ++xx) {
                        const int r = a[3 * (static_cast<std::size_t>(yy) * w + xx) + c];
                        lo = std::min(lo, r);
                        hi = std::max(hi, r);
                    }
                const int v = b[3 * i + c];
                if (v < lo - threshold || v > hi + threshold) {
                    ++still;
                    break;
                }
            }
        }
    }
    const double n = static_cast<double>(ref.argb.size());
    score.within = 100.0 * (n - bad) / n;
    score.withinEdge = 100.0 * (n - still) / n;
    return score;
}

}  // namespace fh::test
