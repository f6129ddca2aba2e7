#pragma once
// The per-pixel work of the draw manager on plain buffers: pixel functions,
// gradient steps, the texture palette and textures, blending, effect copies
// and the running-sum shadow. The GDI side only moves pixels in and out.

#include <array>
#include <cstdint>
#include <functional>

namespace fh {

using Pixel = std::uint32_t;   // blue in the low byte, alpha (or 0) on top
using ColorRef = std::uint32_t;  // red in the low byte

constexpr unsigned IMAGE_EFFECT_GRAY = 0x0001;
constexpr unsigned IMAGE_EFFECT_DARKEN = 0x0002;
constexpr unsigned IMAGE_EFFECT_LIGHTEN = 0x0004;
constexpr unsigned IMAGE_EFFECT_FILL = 0x0008;
constexpr unsigned IMAGE_EFFECT_SHADOW = 0x0100;
constexpr unsigned IMAGE_EFFECT_SOFT_SHADOW = 0x0200;
constexpr unsigned IMAGE_EFFECT_INVERT = 0x8000;

// Exchanges the low and third bytes and clears the top one.
inline Pixel ToPixelOrder(ColorRef c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

Pixel PixelGray(Pixel p);
Pixel PixelInvert(Pixel p);
Pixel PixelDarken(Pixel p, double x);
Pixel PixelLighten(Pixel p, double x);
Pixel PixelMix(Pixel p, double a, Pixel q, double b);

// Colour k (0..63) of a 64-step gradient.
ColorRef GradientStep(ColorRef start, ColorRef end, int k);

// The 256 palette entries of a texture as pixels (blue low), index 0 the
// third colour, 255 the first; colouring above 100 counts as 100.
std::array<Pixel, 256> TexturePalette(ColorRef first, ColorRef second, ColorRef third, int colouring);

// Fills a W x H 8-bit image stored bottom-up (row r = 0 is the bottom row,
// at bits + r * stride) with texture effect 7..15. `random` stands for the
// C runtime's rand() (0..32767). Other effects and empty sizes do nothing.
using RandomSource = std::function<int()>;
void ComputeTexture(int effect, int width, int height, int granularity, const RandomSource& random,
                    std::uint8_t* bits, std::int64_t stride);

// dst = src * p + dst * (1 - p) for n pixels, p = percentage / 100.
void BlendPercentPixels(const Pixel* src, Pixel* dst, std::size_t n, int percentage);
// dst = src * a + dst * (1 - a) with a the source's top byte / 255.
void BlendAlphaPixels(const Pixel* src, Pixel* dst, std::size_t n);

// Applies the effect flags in place; true when a pixel has a non-zero top byte.
bool EffectCopyPixels(Pixel* pixels, std::size_t n, unsigned flags, bool useTransparent, Pixel transparent,
                      Pixel shade);

// Darkens dst (W x H) through a silhouette of the same size whose blue byte
// gives the light that passes. With blur, the factor is the mean over a
// window of blurWidth x blurHeight (made odd) centred on the pixel, outside
// pixels counting as white; neither the cost nor the memory depends on the
// window size.
void ApplyShadow(const Pixel* silhouette, Pixel* dst, int width, int height, bool blur, int blurWidth,
                 int blurHeight);

// The odd size a blur uses for a requested one.
inline std::int64_t OddBlurSize64(std::int64_t size) { return size % 2 == 0 ? size + 1 : size; }
inline int OddBlurSize(int size) { return size % 2 == 0 && size < 0x7FFFFFFF ? size + 1 : size; }

}  // namespace fh
