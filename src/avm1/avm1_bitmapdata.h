#pragma once
// flash.display.BitmapData's pixels and the helpers its two files share.
// Pixels are kept premultiplied by their alpha, as the players kept them,
// so a colour set with a partial alpha reads back rounded as theirs did.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

class Bitmap : public NativeData {
public:
    Bitmap(int width, int height, bool transparent, std::uint32_t fill);
    ~Bitmap() override;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // Whether another bitmap of that many pixels fits under the cap on all
    // bitmaps alive (of every machine: they may run on several threads).
    static bool Fits(std::uint64_t pixels);
    void Dispose();

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Transparent() const { return m_transparent; }
    bool Disposed() const { return m_disposed; }
    std::uint32_t& At(int x, int y) { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }
    bool Inside(std::int64_t x, std::int64_t y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    // A colour (not premultiplied) stored as this bitmap keeps it: opaque ones drop the alpha.
    std::uint32_t Store(std::uint32_t argb) const;
    // The colour at a pixel, not premultiplied.
    std::uint32_t Read(int x, int y);

private:
    static std::atomic<std::uint64_t> s_livePixels;
    int m_width, m_height;
    bool m_transparent;
    bool m_disposed = false;
    std::vector<std::uint32_t> m_pixels;
};

std::uint32_t Premultiply(std::uint32_t argb);
std::uint32_t Unpremultiply(std::uint32_t argb);

// An area of pixels; the 64-bit fields keep sums of script numbers from overflowing.
struct Area {
    std::int64_t x = 0, y = 0, w = 0, h = 0;
    bool Empty() const { return w <= 0 || h <= 0; }
};
// The part of an area inside a bitmap.
Area Clip(const Area& a, const Bitmap& b);
// A source area copied to (dx, dy): clipped to both bitmaps, the point moved to match.
Area ClipCopy(Area source, const Bitmap& from, const Bitmap& to, std::int64_t& dx, std::int64_t& dy);

// The live bitmap a value holds, none if it holds none or a disposed one.
Bitmap* LiveBitmap(const Value& v);
// A coordinate or a count from a script number: truncated, NaN 0, clamped far past any bitmap.
std::int64_t IntArg(Machine& m, const Value& v);
// A rectangle argument: false unless its x, y, width and height are all there.
bool ReadArea(Machine& m, const Value& v, Area& out);
// A point argument read leniently: what is missing is 0.
void ReadPoint(Machine& m, const Value& v, std::int64_t& x, std::int64_t& y);
// A new BitmapData object holding these pixels.
Value NewBitmapValue(Machine& m, std::unique_ptr<Bitmap> pixels);
// Counts a pass over that many pixels against the run's caps.
void ChargePixels(Machine& m, std::int64_t pixels);

// The methods of avm1_bitmapdata_ops.cpp, installed on the prototype.
void InstallBitmapDataOps(Machine& m, Object* proto);

}  // namespace fh::avm1
