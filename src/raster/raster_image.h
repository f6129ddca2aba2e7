#pragma once
// A picture the rasterizer draws on and composites: premultiplied
// 0xAARRGGBB pixels in rows from the top, `width` to a row.

#include <cstdint>
#include <vector>

namespace fh {

struct RasterImage {
    int width = 0, height = 0;
    std::vector<std::uint32_t> px;

    RasterImage() = default;
    RasterImage(int w, int h, std::uint32_t fill = 0)
        : width(w > 0 && h > 0 ? w : 0), height(w > 0 && h > 0 ? h : 0),
          px(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}
    bool Empty() const { return px.empty(); }
    std::uint32_t& At(int x, int y) { return px[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
    std::uint32_t At(int x, int y) const { return px[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
};

}  // namespace fh
