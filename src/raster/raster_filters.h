#pragma once
// The movie's bitmap filters (the FILTERLIST of PlaceObject3) on a rendered
// layer. Every value comes from the movie: sizes, passes and matrices are
// bounded here, and the cost stays proportional to the pixels times the
// passes whatever the blur amounts.

#include <array>
#include <chrono>
#include <cstdint>
#include <variant>
#include <vector>

#include "raster/raster_image.h"

namespace fh {

// Colours are straight (not premultiplied) 0xAARRGGBB. Blur amounts are the
// width of the box in pixels; angles in radians, the y axis pointing down;
// strength is the 8.8 fixed-point value as a number (1 leaves the blurred
// alpha as is). `passes` is the quality, at most 15.

struct RasterBlur {
    double blurX = 4, blurY = 4;
    int passes = 1;
};

struct RasterDropShadow {
    std::uint32_t color = 0xFF000000;
    double blurX = 4, blurY = 4, angle = 0.785398, distance = 4, strength = 1;
    int passes = 1;
    bool inner = false, knockout = false;
    bool compositeSource = true;  // false: the object is hidden, only the shadow shows
};

struct RasterGlow {
    std::uint32_t color = 0xFFFF0000;
    double blurX = 6, blurY = 6, strength = 2;
    int passes = 1;
    bool inner = false, knockout = false, compositeSource = true;
};

// inner and onTop choose where the bevel shows: onTop both sides of the
// edge, drawn over the object ("full"); else inner inside, else outside.
struct RasterBevel {
    std::uint32_t shadowColor = 0xFF000000, highlightColor = 0xFFFFFFFF;
    double blurX = 4, blurY = 4, angle = 0.785398, distance = 4, strength = 1;
    int passes = 1;
    bool inner = true, knockout = false, compositeSource = true, onTop = false;
};

// Gradient glow and bevel: colours[i] sits at ratios[i] (0..255) of a
// 256-entry table. For the glow the blurred alpha picks the entry (0 far from
// the object, 255 at it); for the bevel the highlight picks 0..127, the
// shadow 129..255 and 128 the flat areas.
struct RasterGradientEffect {
    std::vector<std::uint32_t> colors;
    std::vector<std::uint8_t> ratios;
    double blurX = 4, blurY = 4, angle = 0.785398, distance = 4, strength = 1;
    int passes = 1;
    bool inner = false, knockout = false, compositeSource = true, onTop = false;
};
struct RasterGradientGlow : RasterGradientEffect {};
struct RasterGradientBevel : RasterGradientEffect {};

// result = sum(matrix[row * matrixX + col] * neighbour) / divisor + bias, the
// neighbour at (col - matrixX / 2, row - matrixY / 2) from the pixel. Off the
// picture: the nearest edge pixel when clamp, else defaultColor.
struct RasterConvolution {
    int matrixX = 0, matrixY = 0;
    std::vector<float> matrix;
    float divisor = 1, bias = 0;
    std::uint32_t defaultColor = 0;
    bool clamp = true, preserveAlpha = true;
};

// Rows for red, green, blue and alpha of [r g b a 1] on unpremultiplied
// channels, the fifth column in 0..255 units.
struct RasterColorMatrix {
    std::array<float, 20> matrix{{1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0}};
};

// The alternatives in the order of the FILTERLIST's FilterID (0..7).
enum class RasterFilterKind { DropShadow, Blur, Glow, Bevel, GradientGlow, Convolution, ColorMatrix, GradientBevel };

struct RasterFilter {
    std::variant<RasterDropShadow, RasterBlur, RasterGlow, RasterBevel, RasterGradientGlow, RasterConvolution,
                 RasterColorMatrix, RasterGradientBevel>
        params;
    RasterFilterKind Kind() const { return static_cast<RasterFilterKind>(params.index()); }
};

// Pixels a filter may add on each side of the picture (never negative).
struct RasterRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

RasterRect FilterReach(const RasterFilter& filter);
// The reach of several filters applied in a row: each grows the previous result.
RasterRect FilterReach(const std::vector<RasterFilter>& filters);

// When the drawing a filter works for must end: the filters read the clock
// between blocks of lines, so that a slow one stops soon after the time.
struct RasterDeadline {
    bool timed = false;
    std::chrono::steady_clock::time_point at;
    bool Passed() const { return timed && std::chrono::steady_clock::now() > at; }
};

// Applies the filter to `image` in place; the image already has the reach as
// a transparent margin around the object. False when the deadline passed
// first: the image is then half done and must not be shown.
bool ApplyFilter(RasterImage& image, const RasterFilter& filter, const RasterDeadline& deadline = RasterDeadline());
bool ApplyFilters(RasterImage& image, const std::vector<RasterFilter>& filters,
                  const RasterDeadline& deadline = RasterDeadline());

}  // namespace fh
