// flash.display.BitmapData: construction within the players' size limits,
// the properties, pixel access, fills, comparison and hit tests. Methods
// answer -1 on a disposed bitmap or with too few arguments, and other
// negative numbers for an argument they refuse, as the players did.

#include "avm1/avm1_bitmapdata.h"

#include <algorithm>
#include <cmath>

#include "avm1/avm1_geom.h"

namespace fh::avm1 {

namespace {

// All bitmaps alive at once: 128 MiB of pixels, two of the largest.
constexpr std::uint64_t kMostLivePixels = 32u << 20;

}  // namespace

std::atomic<std::uint64_t> Bitmap::s_livePixels{0};

Bitmap::Bitmap(int width, int height, bool transparent, std::uint32_t fill)
    : m_width(width), m_height(height), m_transparent(transparent) {
    m_pixels.assign(static_cast<std::size_t>(width) * height, Store(fill));
    s_livePixels += m_pixels.size();
}

Bitmap::~Bitmap() { s_livePixels -= m_pixels.size(); }

bool Bitmap::Fits(std::uint64_t pixels) { return s_livePixels.load() + pixels <= kMostLivePixels; }

void Bitmap::Dispose() {
    s_livePixels -= m_pixels.size();
    std::vector<std::uint32_t>().swap(m_pixels);
    m_width = m_height = 0;
    m_disposed = true;
}

std::uint32_t Bitmap::Store(std::uint32_t argb) const { return m_transparent ? Premultiply(argb) : argb | 0xFF000000u; }

std::uint32_t Bitmap::Read(int x, int y) { return Unpremultiply(At(x, y)); }

// Rounded to nearest on the way in; on the way out halves round down.
std::uint32_t Premultiply(std::uint32_t argb) {
    const std::uint32_t a = argb >> 24;
    if (a == 255) return argb;
    if (a == 0) return 0;
    std::uint32_t out = a << 24;
    for (int shift = 0; shift < 24; shift += 8) out |= ((argb >> shift & 0xFF) * a + 127) / 255 << shift;
    return out;
}

std::uint32_t Unpremultiply(std::uint32_t argb) {
    const std::uint32_t a = argb >> 24;
    if (a == 255) return argb;
    if (a == 0) return 0;
    std::uint32_t out = a << 24;
    for (int shift = 0; shift < 24; shift += 8)
        out |= std::min<std::uint32_t>(255, ((argb >> shift & 0xFF) * 255 + (a - 1) / 2) / a) << shift;
    return out;
}

Area Clip(const Area& a, const Bitmap& b) {
    Area r;
    r.x = std::max<std::int64_t>(a.x, 0);
    r.y = std::max<std::int64_t>(a.y, 0);
    r.w = std::min<std::int64_t>(a.x + a.w, b.Width()) - r.x;
    r.h = std::min<std::int64_t>(a.y + a.h, b.Height()) - r.y;
    return r;
}

Area ClipCopy(Area s, const Bitmap& from, const Bitmap& to, std::int64_t& dx, std::int64_t& dy) {
    const Area inside = Clip(s, from);
    dx += inside.x - s.x;
    dy += inside.y - s.y;
    s = inside;
    if (dx < 0) s.x -= dx, s.w += dx, dx = 0;
    if (dy < 0) s.y -= dy, s.h += dy, dy = 0;
    s.w = std::min<std::int64_t>(s.w, to.Width() - dx);
    s.h = std::min<std::int64_t>(s.h, to.Height() - dy);
    return s;
}

Bitmap* LiveBitmap(const Value& v) {
    Object* o = v.Obj();
    Bitmap* b = o ? o->NativeAs<Bitmap>() : nullptr;
    return b && !b->Disposed() ? b : nullptr;
}

std::int64_t IntArg(Machine& m, const Value& v) {
    // Far past any bitmap, yet sums of a few stay well inside 64 bits.
    constexpr double kFar = 1e12;
    return static_cast<std::int64_t>(std::clamp(ToInteger(m.ToNumber(v)), -kFar, kFar));
}

bool ReadArea(Machine& m, const Value& v, Area& out) {
    if (!v.IsObject()) return false;
    std::int64_t* fields[] = {&out.x, &out.y, &out.w, &out.h};
    const char* names[] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        Value f = m.Get(v, names[i]);
        if (f.IsUndefined()) return false;
        *fields[i] = IntArg(m, f);
    }
    return true;
}

void ReadPoint(Machine& m, const Value& v, std::int64_t& x, std::int64_t& y) {
    x = v.IsObject() ? IntArg(m, m.Get(v, "x")) : 0;
    y = v.IsObject() ? IntArg(m, m.Get(v, "y")) : 0;
}

Value NewBitmapValue(Machine& m, std::unique_ptr<Bitmap> pixels) {
    Value ctor = m.Get(m.Get(m.Get(Value(m.R().global), "flash"), "display"), "BitmapData");
    Object* proto = ctor.IsObject() ? m.Get(ctor, "prototype").Obj() : nullptr;
    Object* o = m.NewObject(proto);
    o->SetNative(std::move(pixels));
    return Value(o);
}

void ChargePixels(Machine& m, std::int64_t pixels) {
    if (pixels > 0) m.Charge(static_cast<std::size_t>(pixels / 64));
}

namespace {

constexpr int kFirstLargeVersion = 10;

// Sizes the players accepted: 2880 a side before version 10, then 8191 a
// side and fewer than 2^24 pixels.
bool SizeAllowed(int version, double w, double h) {
    if (!(w >= 1 && h >= 1)) return false;
    if (version < kFirstLargeVersion) return w <= 2880 && h <= 2880;
    return w <= 8191 && h <= 8191 && w * h < 16777216.0;
}

Value Construct(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (!o || args.size() < 2) return Value();
    const double w = std::trunc(m.ToNumber(args[0])), h = std::trunc(m.ToNumber(args[1]));
    if (!SizeAllowed(m.Version(), w, h)) return Value();
    const bool transparent = args.size() > 2 ? ToBoolean(args[2], m.Version()) : true;
    const std::uint32_t fill = args.size() > 3 ? ToUint32(m.ToNumber(args[3])) : 0xFFFFFFFFu;
    if (!Bitmap::Fits(static_cast<std::uint64_t>(w * h))) return Value();
    ChargePixels(m, static_cast<std::int64_t>(w * h));
    o->SetNative(std::make_unique<Bitmap>(static_cast<int>(w), static_cast<int>(h), transparent, fill));
    return self;
}

Value Call(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

Value GetWidth(Machine&, const Value& self, const std::vector<Value>&) {
    Bitmap* b = LiveBitmap(self);
    return Value(b ? b->Width() : -1);
}

Value GetHeight(Machine&, const Value& self, const std::vector<Value>&) {
    Bitmap* b = LiveBitmap(self);
    return Value(b ? b->Height() : -1);
}

Value GetTransparent(Machine&, const Value& self, const std::vector<Value>&) {
    Bitmap* b = LiveBitmap(self);
    return b ? Value(b->Transparent()) : Value(-1);
}

Value GetRectangle(Machine& m, const Value& self, const std::vector<Value>&) {
    Bitmap* b = LiveBitmap(self);
    if (!b) return Value(-1);
    return NewGeom(m, "Rectangle", {Value(0), Value(0), Value(b->Width()), Value(b->Height())});
}

Value GetPixel(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 2) return Value(-1);
    const std::int64_t x = IntArg(m, args[0]), y = IntArg(m, args[1]);
    if (!b->Inside(x, y)) return Value(0);
    return Value(static_cast<double>(b->Read(static_cast<int>(x), static_cast<int>(y)) & 0xFFFFFF));
}

Value GetPixel32(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 2) return Value(-1);
    const std::int64_t x = IntArg(m, args[0]), y = IntArg(m, args[1]);
    if (!b->Inside(x, y)) return Value(0);
    return Value(static_cast<double>(static_cast<std::int32_t>(b->Read(static_cast<int>(x), static_cast<int>(y)))));
}

// setPixel keeps the pixel's alpha; setPixel32 sets all four channels.
Value SetPixelWith(Machine& m, const Value& self, const std::vector<Value>& args, bool withAlpha) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 3) return Value(-1);
    const std::int64_t x = IntArg(m, args[0]), y = IntArg(m, args[1]);
    std::uint32_t color = ToUint32(m.ToNumber(args[2]));
    if (!b->Inside(x, y)) return Value(0);
    std::uint32_t& p = b->At(static_cast<int>(x), static_cast<int>(y));
    if (!withAlpha) color = (Unpremultiply(p) & 0xFF000000u) | (color & 0xFFFFFF);
    p = b->Store(color);
    return Value(0);
}

Value SetPixel(Machine& m, const Value& self, const std::vector<Value>& args) {
    return SetPixelWith(m, self, args, false);
}

Value SetPixel32(Machine& m, const Value& self, const std::vector<Value>& args) {
    return SetPixelWith(m, self, args, true);
}

Value FillRect(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    Area a;
    if (!b || args.size() < 2) return Value(-1);
    if (!ReadArea(m, args[0], a)) return Value(-2);
    const std::uint32_t color = b->Store(ToUint32(m.ToNumber(args[1])));
    a = Clip(a, *b);
    if (a.Empty()) return Value(0);
    ChargePixels(m, a.w * a.h);
    for (std::int64_t y = a.y; y < a.y + a.h; ++y)
        std::fill_n(&b->At(static_cast<int>(a.x), static_cast<int>(y)), a.w, color);
    return Value(0);
}

Value Clone(Machine& m, const Value& self, const std::vector<Value>&) {
    Bitmap* b = LiveBitmap(self);
    if (!b) return Value(-1);
    if (!Bitmap::Fits(static_cast<std::uint64_t>(b->Width()) * b->Height())) return Value();
    ChargePixels(m, static_cast<std::int64_t>(b->Width()) * b->Height());
    auto copy = std::make_unique<Bitmap>(b->Width(), b->Height(), b->Transparent(), 0);
    for (int y = 0; y < b->Height(); ++y) std::copy_n(&b->At(0, y), b->Width(), &copy->At(0, y));
    return NewBitmapValue(m, std::move(copy));
}

Value Dispose(Machine&, const Value& self, const std::vector<Value>&) {
    Bitmap* b = LiveBitmap(self);
    if (!b) return Value(-1);
    b->Dispose();
    return Value();
}

// 0 when equal, else a bitmap of the differences: the colour channels'
// (this minus other, wrapped) with full alpha where any colour differs,
// else white with the alphas' difference.
Value Compare(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.empty()) return Value(-1);
    Bitmap* other = LiveBitmap(args[0]);
    if (!other) return Value(-2);
    if (other->Width() != b->Width()) return Value(-3);
    if (other->Height() != b->Height()) return Value(-4);
    const int w = b->Width(), h = b->Height();
    ChargePixels(m, static_cast<std::int64_t>(w) * h);
    if (!Bitmap::Fits(static_cast<std::uint64_t>(w) * h)) return Value();
    auto diff = std::make_unique<Bitmap>(w, h, true, 0);
    bool same = true;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = b->Read(x, y), q = other->Read(x, y);
            if (p == q) continue;
            same = false;
            std::uint32_t d = 0;
            for (int shift = 0; shift < 24; shift += 8) d |= (((p >> shift) - (q >> shift)) & 0xFF) << shift;
            d = (p & 0xFFFFFF) != (q & 0xFFFFFF) ? d | 0xFF000000u : (((p >> 24) - (q >> 24)) & 0xFF) << 24 | 0xFFFFFF;
            diff->At(x, y) = diff->Store(d);
        }
    if (same) return Value(0);
    return NewBitmapValue(m, std::move(diff));
}

// hitTest's points: objects with x and y of their own.
bool OwnPoint(Machine& m, const Value& v, std::int64_t& x, std::int64_t& y) {
    Object* o = v.Obj();
    if (!o || !o->FindOwn("x") || !o->FindOwn("y")) return false;
    x = IntArg(m, m.Get(v, "x"));
    y = IntArg(m, m.Get(v, "y"));
    return true;
}

bool Opaque(Bitmap& b, std::int64_t x, std::int64_t y, std::int64_t threshold) {
    return static_cast<std::int64_t>(b.At(static_cast<int>(x), static_cast<int>(y)) >> 24) >= threshold;
}

// Whether any pixel of an area (in this bitmap's own coordinates) reaches the threshold.
bool AreaHits(Machine& m, Bitmap& b, const Area& area, std::int64_t threshold) {
    const Area a = Clip(area, b);
    if (a.Empty()) return false;
    ChargePixels(m, a.w * a.h);
    for (std::int64_t y = a.y; y < a.y + a.h; ++y)
        for (std::int64_t x = a.x; x < a.x + a.w; ++x)
            if (Opaque(b, x, y, threshold)) return true;
    return false;
}

Value HitTest(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 3) return Value(-1);
    std::int64_t x1, y1;
    if (!OwnPoint(m, args[0], x1, y1)) return Value(-2);
    const std::int64_t t1 = IntArg(m, args[1]);
    const Value& second = args[2];
    Object* so = second.Obj();
    if (so && so->NativeAs<Bitmap>()) {
        Bitmap* other = LiveBitmap(second);
        if (!other) return Value(-3);
        std::int64_t x2 = 0, y2 = 0;
        if (args.size() > 3 && !OwnPoint(m, args[3], x2, y2)) return Value(-4);
        const std::int64_t t2 = args.size() > 4 ? IntArg(m, args[4]) : 1;
        // The overlap in this bitmap's coordinates.
        const Area a = Clip({x2 - x1, y2 - y1, other->Width(), other->Height()}, *b);
        if (a.Empty()) return Value(false);
        ChargePixels(m, a.w * a.h);
        for (std::int64_t y = a.y; y < a.y + a.h; ++y)
            for (std::int64_t x = a.x; x < a.x + a.w; ++x)
                if (Opaque(*b, x, y, t1) && Opaque(*other, x + x1 - x2, y + y1 - y2, t2)) return Value(true);
        return Value(false);
    }
    if (!so || !so->FindOwn("x") || !so->FindOwn("y")) return Value(-3);
    std::int64_t x2 = IntArg(m, m.Get(second, "x")), y2 = IntArg(m, m.Get(second, "y"));
    if (so->FindOwn("width") && so->FindOwn("height")) {
        Area a{x2 - x1, y2 - y1, IntArg(m, m.Get(second, "width")), IntArg(m, m.Get(second, "height"))};
        return Value(AreaHits(m, *b, a, t1));
    }
    return Value(AreaHits(m, *b, {x2 - x1, y2 - y1, 1, 1}, t1));
}

// A transparent bitmap matches its premultiplied pixels against the colour
// premultiplied; an opaque one leaves the alpha out of both.
Value GetColorBoundsRect(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 2) return Value(-1);
    std::uint32_t mask = ToUint32(m.ToNumber(args[0]));
    std::uint32_t color = ToUint32(m.ToNumber(args[1]));
    const bool find = args.size() > 2 ? ToBoolean(args[2], m.Version()) : true;
    if (b->Transparent()) {
        color = Premultiply(color);
    } else {
        mask &= 0xFFFFFF;
        color &= 0xFFFFFF;
    }
    int left = b->Width(), top = b->Height(), right = -1, bottom = -1;
    ChargePixels(m, static_cast<std::int64_t>(b->Width()) * b->Height());
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x)
            if (((b->At(x, y) & mask) == color) == find) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right < 0) return NewGeom(m, "Rectangle", {Value(0), Value(0), Value(0), Value(0)});
    return NewGeom(m, "Rectangle", {Value(left), Value(top), Value(right - left + 1), Value(bottom - top + 1)});
}

// Fills the 4-connected region of the pixel's exact colour, with a work
// list of its own (no recursion), each pixel filled as it is queued so
// that the list never holds one twice.
Value FloodFill(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 3) return Value(-1);
    const std::int64_t x0 = IntArg(m, args[0]), y0 = IntArg(m, args[1]);
    const std::uint32_t color = b->Store(ToUint32(m.ToNumber(args[2])));
    if (!b->Inside(x0, y0)) return Value(0);
    const std::uint32_t target = b->At(static_cast<int>(x0), static_cast<int>(y0));
    if (target == color) return Value(0);
    ChargePixels(m, static_cast<std::int64_t>(b->Width()) * b->Height());
    const int w = b->Width();
    std::vector<std::uint32_t> work;
    auto visit = [&](std::int64_t x, std::int64_t y) {
        if (!b->Inside(x, y) || b->At(static_cast<int>(x), static_cast<int>(y)) != target) return;
        b->At(static_cast<int>(x), static_cast<int>(y)) = color;
        work.push_back(static_cast<std::uint32_t>(y * w + x));
    };
    visit(x0, y0);
    while (!work.empty()) {
        const std::int64_t x = work.back() % w, y = work.back() / w;
        work.pop_back();
        visit(x + 1, y);
        visit(x - 1, y);
        visit(x, y + 1);
        visit(x, y - 1);
    }
    return Value(0);
}

// A library bitmap by linkage name: the engine sees no library bitmaps.
Value LoadBitmap(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

}  // namespace

void InstallBitmapData(Machine& m) {
    Object* package = DefinePackage(m, "flash.display");
    Object* proto = m.NewObject();
    // Enumerable, as the players' were.
    DefineAccessor(m, proto, "width", GetWidth, nullptr, 0);
    DefineAccessor(m, proto, "height", GetHeight, nullptr, 0);
    DefineAccessor(m, proto, "transparent", GetTransparent, nullptr, 0);
    DefineAccessor(m, proto, "rectangle", GetRectangle, nullptr, 0);
    DefineMethod(m, proto, "getPixel", GetPixel);
    DefineMethod(m, proto, "getPixel32", GetPixel32);
    DefineMethod(m, proto, "setPixel", SetPixel);
    DefineMethod(m, proto, "setPixel32", SetPixel32);
    DefineMethod(m, proto, "fillRect", FillRect);
    DefineMethod(m, proto, "clone", Clone);
    DefineMethod(m, proto, "dispose", Dispose);
    DefineMethod(m, proto, "compare", Compare);
    DefineMethod(m, proto, "hitTest", HitTest);
    DefineMethod(m, proto, "getColorBoundsRect", GetColorBoundsRect);
    DefineMethod(m, proto, "floodFill", FloodFill);
    InstallBitmapDataOps(m, proto);
    Object* ctor = DefineClassIn(m, package, "BitmapData", Call, Construct, proto);
    ctor->Function()->constructGivesResult = true;
    DefineMethod(m, ctor, "loadBitmap", LoadBitmap);
    const char* channels[] = {"RED_CHANNEL", "GREEN_CHANNEL", "BLUE_CHANNEL", "ALPHA_CHANNEL"};
    for (int i = 0; i < 4; ++i) ctor->Define(channels[i], Value(1 << i), 0);
}

}  // namespace fh::avm1
