#pragma once
// Pictures drawn by another player, and how close ours come: PNG files of
// 8-bit RGB or RGBA read into 0xAARRGGBB, and the score the first-frame
// references are judged by (the share of pixels whose largest channel
// difference is within a threshold, and the same forgiving a pixel that lies
// within its reference's 3 x 3 neighbourhood, as an edge one pixel off does).

#include <cstdint>
#include <string>
#include <vector>

namespace fh::test {

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> argb;  // straight alpha
};

// False for anything but a non-interlaced 8-bit RGB or RGBA PNG.
bool ReadPng(const std::string& bytes, Picture& out);

struct PictureScore {
    double within = 0, withinEdge = 0;  // percent
};
// Both pictures composited over white first; a size mismatch scores 0.
PictureScore ScorePicture(const Picture& reference, const Picture& candidate, int threshold = 8);

}  // namespace fh::test
