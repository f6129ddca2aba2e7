#pragma once
// Compositing a rendered layer onto what lies below it with one of the
// movie's blend modes, and a group's colour transform. All pictures are
// premultiplied 0xAARRGGBB.

#include <cstdint>

#include "raster/raster_image.h"

namespace fh {

// In the order of the BlendMode byte of PlaceObject3 (Normal stands for 0 and 1).
enum class RasterBlend { Normal, Layer, Multiply, Screen, Lighten, Darken, Difference, Add, Subtract, Invert, Alpha,
                         Erase, Overlay, Hardlight };

// The mode a PlaceObject3 BlendMode byte names; unknown values draw normally.
RasterBlend RasterBlendFromSwf(std::uint8_t value);

// One pixel of `layer` composited onto one of `below`.
std::uint32_t BlendPixel(std::uint32_t layer, std::uint32_t below, RasterBlend mode);

// Composites `layer`, its top-left corner at (dx, dy) of `below`, onto
// `below`. Alpha and Erase act on the whole of `below` (the enclosing layer
// group): below's pixels the layer does not cover count as under a fully
// transparent layer pixel, so Alpha clears them and Erase keeps them.
void BlendImage(const RasterImage& layer, RasterImage& below, RasterBlend mode, int dx = 0, int dy = 0);

// A colour transform on every pixel: the unpremultiplied channel c becomes
// c * mul[i] + add[i], clamped to 0..255 (i = 0 red, 1 green, 2 blue,
// 3 alpha; `add` in 0..255 units). Fully transparent pixels count as black.
void ApplyColorTransform(RasterImage& image, const double mul[4], const double add[4]);

}  // namespace fh
