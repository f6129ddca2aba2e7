// BitmapData's operations between bitmaps and over areas: merge, copies,
// scrolling, thresholds, colour transforms, palette maps and the noise
// generators. Colours are mixed unpremultiplied and stored back
// premultiplied, which rounds them as the players did.

#include <algorithm>
#include <cmath>

#include "avm1/avm1_bitmapdata.h"

namespace fh::avm1 {

namespace {

std::uint32_t Channel(std::uint32_t argb, int shift) { return argb >> shift & 0xFF; }

// The pixels of a copy: source area, destination point, both clipped.
struct Copy {
    Bitmap* from;
    Bitmap* to;
    Area area;
    std::int64_t dx, dy;
    template <class F>
    void Each(Machine& m, F f) {
        ChargePixels(m, area.w * area.h);
        for (std::int64_t y = 0; y < area.h; ++y)
            for (std::int64_t x = 0; x < area.w; ++x)
                f(static_cast<int>(area.x + x), static_cast<int>(area.y + y), static_cast<int>(dx + x),
                  static_cast<int>(dy + y));
    }
};

// Reads source, area and point (arguments 0 to 2); the error code when refused, else 0.
int ReadCopy(Machine& m, Bitmap* to, const std::vector<Value>& args, Copy& c) {
    c.to = to;
    c.from = nullptr;
    Object* so = Arg(args, 0).Obj();
    if (!so || !so->NativeAs<Bitmap>()) return -2;
    c.from = LiveBitmap(args[0]);
    if (!c.from) return -3;
    if (!ReadArea(m, Arg(args, 1), c.area)) return -4;
    ReadPoint(m, Arg(args, 2), c.dx, c.dy);
    c.area = ClipCopy(c.area, *c.from, *to, c.dx, c.dy);
    return 0;
}

std::int64_t Multiplier(Machine& m, const Value& v) { return std::clamp<std::int64_t>(IntArg(m, v), 0, 256); }

Value Merge(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 6) return Value(-1);
    Copy c;
    if (int refused = ReadCopy(m, b, args, c)) return Value(refused);
    // Alpha's multiplier left out is the source's alpha in full.
    const std::int64_t mul[4] = {Multiplier(m, args[5]), Multiplier(m, args[4]), Multiplier(m, args[3]),
                                 args.size() > 6 ? Multiplier(m, args[6]) : 256};
    c.Each(m, [&](int sx, int sy, int dx, int dy) {
        const std::uint32_t s = c.from->Read(sx, sy), d = b->Read(dx, dy);
        std::uint32_t out = 0;
        for (int i = 0; i < 4; ++i) {
            const std::int64_t v = (Channel(s, i * 8) * mul[i] + Channel(d, i * 8) * (256 - mul[i])) >> 8;
            out |= static_cast<std::uint32_t>(v) << (i * 8);
        }
        b->At(dx, dy) = b->Store(out);
    });
    return Value(-1);
}

// Source over destination, both premultiplied.
std::uint32_t Over(std::uint32_t s, std::uint32_t d) {
    const std::uint32_t keep = 255 - (s >> 24);
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= std::min<std::uint32_t>(255, Channel(s, shift) + (Channel(d, shift) * keep + 127) / 255) << shift;
    return out;
}

// A premultiplied pixel scaled by an alpha.
std::uint32_t Fade(std::uint32_t p, std::uint32_t alpha) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) out |= (Channel(p, shift) * alpha + 127) / 255 << shift;
    return out;
}

Value CopyPixels(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 3) return Value(-1);
    Copy c;
    if (int refused = ReadCopy(m, b, args, c)) return Value(refused);
    Bitmap* mask = args.size() > 3 ? LiveBitmap(args[3]) : nullptr;
    std::int64_t mx = 0, my = 0;
    if (mask) ReadPoint(m, Arg(args, 4), mx, my);
    const bool mergeAlpha = args.size() > 5 && ToBoolean(args[5], m.Version());
    const std::int64_t ax = mx - c.area.x, ay = my - c.area.y;
    c.Each(m, [&](int sx, int sy, int dx, int dy) {
        std::uint32_t p = c.from->Transparent() ? c.from->At(sx, sy) : c.from->At(sx, sy) | 0xFF000000u;
        if (mask) {
            const std::int64_t x = sx + ax, y = sy + ay;
            p = mask->Inside(x, y) ? Fade(p, mask->At(static_cast<int>(x), static_cast<int>(y)) >> 24) : 0;
        }
        if (mergeAlpha && b->Transparent()) {
            b->At(dx, dy) = Over(p, b->At(dx, dy));
        } else {
            b->At(dx, dy) = b->Store(Unpremultiply(p));
        }
    });
    return Value();
}

// Channel bits: 1 red, 2 green, 4 blue, 8 alpha.
int ChannelShift(std::uint32_t channel) {
    switch (channel) {
        case 1:
            return 16;
        case 2:
            return 8;
        case 4:
            return 0;
        case 8:
            return 24;
        default:
            return -1;
    }
}

Value CopyChannel(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 5) return Value(-1);
    Copy c;
    if (int refused = ReadCopy(m, b, args, c)) return Value(refused);
    const int from = ChannelShift(ToUint32(m.ToNumber(args[3]))), to = ChannelShift(ToUint32(m.ToNumber(args[4])));
    if (from < 0 || to < 0) return Value();
    c.Each(m, [&](int sx, int sy, int dx, int dy) {
        const std::uint32_t v = Channel(c.from->Read(sx, sy), from);
        const std::uint32_t d = b->Read(dx, dy);
        b->At(dx, dy) = b->Store((d & ~(0xFFu << to)) | v << to);
    });
    return Value();
}

// Moves the pixels; what nothing moves onto keeps its old colour.
Value Scroll(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 2) return Value(-1);
    std::int64_t dx = IntArg(m, args[0]), dy = IntArg(m, args[1]);
    const Area area = ClipCopy({0, 0, b->Width(), b->Height()}, *b, *b, dx, dy);
    if (area.Empty()) return Value(0);
    ChargePixels(m, area.w * area.h);
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(area.w * area.h));
    for (std::int64_t y = 0; y < area.h; ++y)
        std::copy_n(&b->At(static_cast<int>(area.x), static_cast<int>(area.y + y)), area.w, &rows[y * area.w]);
    for (std::int64_t y = 0; y < area.h; ++y)
        std::copy_n(&rows[y * area.w], area.w, &b->At(static_cast<int>(dx), static_cast<int>(dy + y)));
    return Value(0);
}

bool Holds(const std::string& op, std::uint32_t a, std::uint32_t b) {
    if (op == "<") return a < b;
    if (op == "<=") return a <= b;
    if (op == ">") return a > b;
    if (op == ">=") return a >= b;
    if (op == "==") return a == b;
    if (op == "!=") return a != b;
    return false;
}

// Pixels whose masked colour passes the test become the colour given, the
// others the source's when asked; the count of those that passed.
Value Threshold(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 5) return Value(-1);
    Copy c;
    if (int refused = ReadCopy(m, b, args, c)) return Value(refused);
    const std::string op = m.ToString(args[3]);
    const std::uint32_t mask = args.size() > 6 ? ToUint32(m.ToNumber(args[6])) : 0xFFFFFFFFu;
    const std::uint32_t limit = ToUint32(m.ToNumber(args[4])) & mask;
    const std::uint32_t color = b->Store(ToUint32(m.ToNumber(Arg(args, 5))));
    const bool copySource = args.size() > 7 && ToBoolean(args[7], m.Version());
    double passed = 0;
    c.Each(m, [&](int sx, int sy, int dx, int dy) {
        const std::uint32_t s = c.from->Read(sx, sy);
        if (Holds(op, s & mask, limit)) {
            b->At(dx, dy) = color;
            ++passed;
        } else if (copySource) {
            b->At(dx, dy) = b->Store(s);
        }
    });
    return Value(passed);
}

Value ColorTransform(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 2) return Value(-1);
    Area a;
    if (!ReadArea(m, args[0], a)) return Value(-2);
    const Value& t = args[1];
    if (!t.IsObject()) return Value(-3);
    // Blue, green, red, alpha: the order of the bytes from the lowest.
    const char* muls[] = {"blueMultiplier", "greenMultiplier", "redMultiplier", "alphaMultiplier"};
    const char* adds[] = {"blueOffset", "greenOffset", "redOffset", "alphaOffset"};
    double mul[4], add[4];
    for (int i = 0; i < 4; ++i) {
        mul[i] = m.ToNumber(m.Get(t, muls[i]));
        add[i] = m.ToNumber(m.Get(t, adds[i]));
    }
    a = Clip(a, *b);
    if (a.Empty()) return Value();
    ChargePixels(m, a.w * a.h);
    for (std::int64_t y = a.y; y < a.y + a.h; ++y)
        for (std::int64_t x = a.x; x < a.x + a.w; ++x) {
            const std::uint32_t p = b->Read(static_cast<int>(x), static_cast<int>(y));
            std::uint32_t out = 0;
            for (int i = 0; i < 4; ++i) {
                const double v = Channel(p, i * 8) * mul[i] + add[i];
                out |= static_cast<std::uint32_t>(std::isnan(v) ? 0 : std::clamp(v, 0.0, 255.0)) << (i * 8);
            }
            b->At(static_cast<int>(x), static_cast<int>(y)) = b->Store(out);
        }
    return Value();
}

// Each channel looked up in its array (missing: left as it is), the four summed.
Value PaletteMap(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 3) return Value(-1);
    Copy c;
    if (int refused = ReadCopy(m, b, args, c)) return Value(refused);
    std::uint32_t table[4][256];
    const int shifts[4] = {16, 8, 0, 24};  // red, green, blue, alpha: the arrays' order
    for (int i = 0; i < 4; ++i) {
        Object* array = Arg(args, 3 + i).Obj();
        for (std::uint32_t v = 0; v < 256; ++v) {
            const bool listed = array && array->Kind() == ObjKind::Array && v < array->Elements().size();
            table[i][v] = listed ? ToUint32(m.ToNumber(array->Elements()[v])) : v << shifts[i];
        }
    }
    c.Each(m, [&](int sx, int sy, int dx, int dy) {
        const std::uint32_t s = c.from->Read(sx, sy);
        std::uint32_t out = 0;
        for (int i = 0; i < 4; ++i) out += table[i][Channel(s, shifts[i])];
        b->At(dx, dy) = b->Store(out);
    });
    return Value();
}

// The Park and Miller generator: the players' own sequence is unknown, so
// noise made from a seed matches theirs in kind, not pixel for pixel.
struct Random {
    std::uint32_t state;
    explicit Random(double seed) : state(ToUint32(seed) % 2147483647u) {
        if (state == 0) state = 1;
    }
    std::uint32_t Next() {
        state = static_cast<std::uint32_t>(static_cast<std::uint64_t>(state) * 16807 % 2147483647u);
        return state;
    }
};

Value Noise(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.empty()) return Value(-1);
    Random random(m.ToNumber(args[0]));
    const std::uint32_t low = args.size() > 1 ? ToUint32(m.ToNumber(args[1])) & 0xFF : 0;
    const std::uint32_t high = args.size() > 2 ? ToUint32(m.ToNumber(args[2])) & 0xFF : 255;
    const std::uint32_t channels = args.size() > 3 ? ToUint32(m.ToNumber(args[3])) : 7;
    const bool gray = args.size() > 4 && ToBoolean(args[4], m.Version());
    const std::uint32_t span = high >= low ? high - low + 1 : 1;
    ChargePixels(m, static_cast<std::int64_t>(b->Width()) * b->Height());
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) {
            std::uint32_t out = 0xFF000000u;
            if (gray) {
                const std::uint32_t v = low + random.Next() % span;
                out |= v << 16 | v << 8 | v;
            } else {
                for (int bit = 0; bit < 3; ++bit)
                    if (channels & (1u << bit)) out |= (low + random.Next() % span) << (16 - bit * 8);
            }
            if (channels & 8) out = (out & 0xFFFFFF) | (low + random.Next() % span) << 24;
            b->At(x, y) = b->Store(out);
        }
    return Value();
}

// Value noise over a lattice per octave, smoothly interpolated: the
// players' Perlin noise in kind, not pixel for pixel.
Value PerlinNoise(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 6) return Value(-1);
    const double baseX = std::max(1.0, std::fabs(m.ToNumber(args[0])));
    const double baseY = std::max(1.0, std::fabs(m.ToNumber(args[1])));
    const int octaves = static_cast<int>(std::clamp<std::int64_t>(IntArg(m, args[2]), 1, 8));
    const std::uint32_t seed = ToUint32(m.ToNumber(args[3]));
    const std::uint32_t channels = args.size() > 6 ? ToUint32(m.ToNumber(args[6])) : 7;
    const bool gray = args.size() > 7 && ToBoolean(args[7], m.Version());
    auto lattice = [](std::uint32_t s, std::int64_t x, std::int64_t y) {
        std::uint32_t h = s ^ static_cast<std::uint32_t>(x) * 374761393u ^ static_cast<std::uint32_t>(y) * 668265263u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
    };
    auto smooth = [&](std::uint32_t s, double x, double y) {
        const double fx = std::floor(x), fy = std::floor(y);
        const double u = (x - fx) * (x - fx) * (3 - 2 * (x - fx)), v = (y - fy) * (y - fy) * (3 - 2 * (y - fy));
        const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
        const double top = lattice(s, ix, iy) * (1 - u) + lattice(s, ix + 1, iy) * u;
        const double bottom = lattice(s, ix, iy + 1) * (1 - u) + lattice(s, ix + 1, iy + 1) * u;
        return top * (1 - v) + bottom * v;
    };
    ChargePixels(m, static_cast<std::int64_t>(b->Width()) * b->Height() * octaves * 4);
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) {
            std::uint32_t out = 0xFF000000u;
            for (int k = 0; k < 4; ++k) {
                const int shift = k == 3 ? 24 : 16 - k * 8;
                if (!(channels & (1u << k)) || (gray && k > 0 && k < 3)) continue;
                double sum = 0, weight = 0, amp = 1, f = 1;
                for (int o = 0; o < octaves; ++o, amp /= 2, f *= 2) {
                    sum += smooth(seed + k * 7919 + o * 104729, x * f / baseX, y * f / baseY) * amp;
                    weight += amp;
                }
                const auto v = static_cast<std::uint32_t>(sum / weight * 255);
                out = (out & ~(0xFFu << shift)) | v << shift;
                if (gray && k == 0) out = (out & 0xFF000000u) | v << 16 | v << 8 | v;
            }
            b->At(x, y) = b->Store(out);
        }
    return Value();
}

// Replaces that many pixels of the area, picked from a seeded sequence,
// with the source's (or the colour, when the source is this bitmap); the
// seed to continue with. The players' order of pixels is unknown.
Value PixelDissolve(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 3) return Value(-1);
    Copy c;
    if (int refused = ReadCopy(m, b, args, c)) return Value(refused);
    Random random(m.ToNumber(Arg(args, 3)));
    const std::int64_t total = c.area.w * c.area.h;
    if (total <= 0) return Value(static_cast<double>(random.state));
    const std::int64_t count = std::clamp<std::int64_t>(args.size() > 4 ? IntArg(m, args[4]) : total / 30, 0, total);
    const std::uint32_t color = b->Store(ToUint32(m.ToNumber(Arg(args, 5))));
    const bool fill = c.from == b;
    ChargePixels(m, count);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t at = random.Next() % total, x = at % c.area.w, y = at / c.area.w;
        const int dx = static_cast<int>(c.dx + x), dy = static_cast<int>(c.dy + y);
        b->At(dx, dy) =
            fill ? color : b->Store(c.from->Read(static_cast<int>(c.area.x + x), static_cast<int>(c.area.y + y)));
    }
    return Value(static_cast<double>(random.state));
}

// Filters are drawn by the movie's renderer, which scripts' bitmaps do not
// reach: the source is copied unfiltered.
Value ApplyFilter(Machine& m, const Value& self, const std::vector<Value>& args) {
    Bitmap* b = LiveBitmap(self);
    if (!b || args.size() < 4) return Value(-1);
    Copy c;
    if (int refused = ReadCopy(m, b, args, c)) return Value(refused);
    c.Each(m, [&](int sx, int sy, int dx, int dy) { b->At(dx, dy) = b->Store(c.from->Read(sx, sy)); });
    return Value(0);
}

Value GenerateFilterRect(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (!LiveBitmap(self) || args.empty()) return Value(-1);
    return m.CallMethod(args[0], "clone", {});
}

// Drawing clips into a bitmap needs the movie's renderer, which the engine
// does not reach: accepted, and nothing is drawn.
Value Draw(Machine&, const Value& self, const std::vector<Value>& args) {
    if (!LiveBitmap(self) || args.empty()) return Value(-1);
    return Value();
}

}  // namespace

void InstallBitmapDataOps(Machine& m, Object* proto) {
    DefineMethod(m, proto, "merge", Merge);
    DefineMethod(m, proto, "copyPixels", CopyPixels);
    DefineMethod(m, proto, "copyChannel", CopyChannel);
    DefineMethod(m, proto, "scroll", Scroll);
    DefineMethod(m, proto, "threshold", Threshold);
    DefineMethod(m, proto, "colorTransform", ColorTransform);
    DefineMethod(m, proto, "paletteMap", PaletteMap);
    DefineMethod(m, proto, "noise", Noise);
    DefineMethod(m, proto, "perlinNoise", PerlinNoise);
    DefineMethod(m, proto, "pixelDissolve", PixelDissolve);
    DefineMethod(m, proto, "applyFilter", ApplyFilter);
    DefineMethod(m, proto, "generateFilterRect", GenerateFilterRect);
    DefineMethod(m, proto, "draw", Draw);
}

}  // namespace fh::avm1
