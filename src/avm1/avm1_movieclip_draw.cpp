// MovieClip's drawing API: fills and line styles of script numbers and
// strings made into a shape's styles, and pen moves in pixels made into
// twips, kept by the host on the clip's timeline. Calls missing arguments
// they need do nothing, as in Flash.

#include <algorithm>
#include <cmath>

#include "avm1/avm1_bitmapdata.h"
#include "avm1/avm1_geom.h"
#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

// Flash keeps at most this many stops in a gradient.
constexpr std::size_t kMaxStops = 15;
// The gradient square is 32768 twips across: 1638.4 pixels.
constexpr double kGradientSide = 1638.4;

SwfDrawnShape* DrawingOf(Machine& m, const Value& self, TimelineId& t) {
    t = m.TimelineOf(self.Obj());
    return t ? m.GetHost().Drawing(t) : nullptr;
}

double NumberOr(Machine& m, const Value& v, double fallback) {
    if (v.IsUndefined()) return fallback;
    const double n = m.ToNumber(v);
    return std::isnan(n) ? fallback : n;
}

std::uint8_t AlphaByte(Machine& m, const Value& v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(NumberOr(m, v, 100), 0.0, 100.0) * 255 / 100));
}

SwfColor ColorOf(Machine& m, const Value& rgb, std::uint8_t alpha) {
    const double n = m.ToNumber(rgb);
    const std::uint32_t c =
        std::isfinite(n) ? static_cast<std::uint32_t>(static_cast<std::int64_t>(std::fmod(n, 4294967296.0))) : 0;
    return {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c), alpha};
}

double Finite(Machine& m, const Value& v) {
    const double n = m.ToNumber(v);
    return std::isfinite(n) ? n : 0;
}

// A script matrix (pixels) as a fill's: from the gradient's square or the
// bitmap's pixels, both in twips, to the shape's twips. "box" matrices give
// the rectangle the gradient spans and its turn; a gradient's matrix scales
// a square 1638.4 pixels across, as createGradientBox's does.
SwfMatrix FillMatrix(Machine& m, const Value& v, bool gradient) {
    if (!v.IsObject()) return gradient ? SwfMatrix() : SwfMatrix::Scale(20, 20);
    SwfMatrix out;
    if (m.ToString(m.Get(v, "matrixType")) == "box") {
        const double w = Finite(m, m.Get(v, "w")), h = Finite(m, m.Get(v, "h")), r = Finite(m, m.Get(v, "r"));
        out = {std::cos(r) * w / kGradientSide, std::sin(r) * h / kGradientSide, -std::sin(r) * w / kGradientSide,
               std::cos(r) * h / kGradientSide, (Finite(m, m.Get(v, "x")) + w / 2) * 20,
               (Finite(m, m.Get(v, "y")) + h / 2) * 20};
    } else if (m.Get(v, "tx").IsUndefined() && !m.Get(v, "g").IsUndefined()) {
        // Flash MX's 3 × 3 form: rows (a b c), (d e f), (g h i), the same
        // transform as a Matrix's with d, e, g, h for c, d, tx, ty.
        out = {Finite(m, m.Get(v, "a")), Finite(m, m.Get(v, "b")),      Finite(m, m.Get(v, "d")),
               Finite(m, m.Get(v, "e")), Finite(m, m.Get(v, "g")) * 20, Finite(m, m.Get(v, "h")) * 20};
    } else {
        out = {Finite(m, m.Get(v, "a")), Finite(m, m.Get(v, "b")),       Finite(m, m.Get(v, "c")),
               Finite(m, m.Get(v, "d")), Finite(m, m.Get(v, "tx")) * 20, Finite(m, m.Get(v, "ty")) * 20};
    }
    if (!gradient) {
        out.a *= 20;
        out.b *= 20;
        out.c *= 20;
        out.d *= 20;
    }
    return out;
}

// The gradient of beginGradientFill's and lineGradientStyle's arguments;
// false when they make none (an unknown type, arrays that disagree).
bool GradientFill(Machine& m, const std::vector<Value>& args, SwfFillStyle& fill) {
    const std::string type = m.ToString(Arg(args, 0));
    if (type != "linear" && type != "radial") return false;
    const Value& colors = Arg(args, 1);
    const Value& alphas = Arg(args, 2);
    const Value& ratios = Arg(args, 3);
    if (!colors.IsObject() || !alphas.IsObject() || !ratios.IsObject()) return false;
    const double count = m.ToNumber(m.Get(colors, "length"));
    if (!(count >= 1) || m.ToNumber(m.Get(alphas, "length")) != count || m.ToNumber(m.Get(ratios, "length")) != count)
        return false;
    const std::size_t n = std::min<std::size_t>(kMaxStops, static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < n; ++i) {
        const std::string key = std::to_string(i);
        SwfGradientStop stop;
        stop.color = ColorOf(m, m.Get(colors, key), AlphaByte(m, m.Get(alphas, key)));
        stop.ratio = static_cast<std::uint8_t>(std::clamp(Finite(m, m.Get(ratios, key)), 0.0, 255.0));
        fill.gradient.stops.push_back(stop);
    }
    const std::string spread = m.ToString(Arg(args, 5));
    fill.gradient.spread = spread == "reflect" ? SwfSpread::Reflect : spread == "repeat" ? SwfSpread::Repeat : SwfSpread::Pad;
    fill.gradient.linearRgb = m.ToString(Arg(args, 6)) == "linearRGB";
    fill.gradient.focal = std::clamp(NumberOr(m, Arg(args, 7), 0), -1.0, 1.0);
    fill.kind = type == "linear" ? SwfFillKind::Linear : fill.gradient.focal != 0 ? SwfFillKind::Focal : SwfFillKind::Radial;
    fill.matrix = FillMatrix(m, Arg(args, 4), true);
    return true;
}

void Changed(Machine& m, TimelineId t) { m.GetHost().DrawingChanged(t); }

Value BeginFill(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = kNoTimeline;
    SwfDrawnShape* d = DrawingOf(m, self, t);
    if (!d) return Value();
    if (Arg(args, 0).IsUndefined()) {
        d->EndFill();
    } else {
        SwfFillStyle fill;
        fill.color = ColorOf(m, args[0], AlphaByte(m, Arg(args, 1)));
        d->BeginFill(fill);
    }
    Changed(m, t);
    return Value();
}

Value BeginGradientFill(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = kNoTimeline;
    SwfDrawnShape* d = DrawingOf(m, self, t);
    if (!d) return Value();
    SwfFillStyle fill;
    if (GradientFill(m, args, fill))
        d->BeginFill(fill);
    else
        d->EndFill();
    Changed(m, t);
    return Value();
}

Value BeginBitmapFill(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = kNoTimeline;
    SwfDrawnShape* d = DrawingOf(m, self, t);
    Bitmap* bitmap = LiveBitmap(Arg(args, 0));
    if (!d) return Value();
    std::shared_ptr<const SwfBitmap> image;
    if (bitmap) {
        // The stage draws a copy of the pixels as they are now.
        const int w = bitmap->Width(), h = bitmap->Height();
        ChargePixels(m, static_cast<std::int64_t>(w) * h);
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
        std::size_t at = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint32_t argb = bitmap->Read(x, y);
                rgba[at++] = static_cast<std::uint8_t>(argb >> 16);
                rgba[at++] = static_cast<std::uint8_t>(argb >> 8);
                rgba[at++] = static_cast<std::uint8_t>(argb);
                rgba[at++] = bitmap->Transparent() ? static_cast<std::uint8_t>(argb >> 24) : 255;
            }
        image = m.GetHost().KeepBitmap(w, h, rgba);
    }
    if (!image) {
        d->EndFill();
        Changed(m, t);
        return Value();
    }
    SwfFillStyle fill;
    fill.kind = SwfFillKind::Bitmap;
    fill.image = image;
    fill.matrix = FillMatrix(m, Arg(args, 1), false);
    fill.repeat = args.size() < 3 || ToBoolean(args[2], m.Version());
    fill.smooth = args.size() >= 4 && ToBoolean(args[3], m.Version());
    d->Keep(image);
    d->BeginFill(fill);
    Changed(m, t);
    return Value();
}

Value LineStyle(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = kNoTimeline;
    SwfDrawnShape* d = DrawingOf(m, self, t);
    if (!d) return Value();
    if (Arg(args, 0).IsUndefined()) {
        d->NoLine();
        return Value();
    }
    SwfLineStyle line;
    line.width = static_cast<std::uint16_t>(std::lround(std::clamp(Finite(m, args[0]), 0.0, 255.0) * 20));
    line.color = ColorOf(m, Arg(args, 1), AlphaByte(m, Arg(args, 2)));
    const std::string scale = m.ToString(Arg(args, 4));
    line.noHScale = scale == "none" || scale == "horizontal";
    line.noVScale = scale == "none" || scale == "vertical";
    const std::string caps = m.ToString(Arg(args, 5));
    line.startCap = line.endCap = caps == "none" ? SwfCap::None : caps == "square" ? SwfCap::Square : SwfCap::Round;
    const std::string joint = m.ToString(Arg(args, 6));
    line.join = joint == "miter" ? SwfJoin::Miter : joint == "bevel" ? SwfJoin::Bevel : SwfJoin::Round;
    line.miterLimit = std::clamp(NumberOr(m, Arg(args, 7), 3), 1.0, 255.0);
    d->LineStyle(line);
    return Value();
}

Value LineGradientStyle(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = kNoTimeline;
    SwfDrawnShape* d = DrawingOf(m, self, t);
    SwfFillStyle fill;
    if (d && GradientFill(m, args, fill)) d->LineFill(fill);
    return Value();
}

Value MoveTo(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = kNoTimeline;
    SwfDrawnShape* d = DrawingOf(m, self, t);
    if (!d || args.size() < 2) return Value();
    d->MoveTo(m.ToNumber(args[0]) * 20, m.ToNumber(args[1]) * 20);
    Changed(m, t);
    return Value();
}

Value LineTo(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = kNoTimeline;
    SwfDrawnShape* d = DrawingOf(m, self, t);
    if (!d || args.size() < 2) return Value();
    d->LineTo(m.ToNumber(args[0]) * 20, m.ToNumber(args[1]) * 20);
    Changed(m, t);
    return Value();
}

Value CurveTo(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = kNoTimeline;
    SwfDrawnShape* d = DrawingOf(m, self, t);
    if (!d || args.size() < 4) return Value();
    d->CurveTo(m.ToNumber(args[0]) * 20, m.ToNumber(args[1]) * 20, m.ToNumber(args[2]) * 20,
               m.ToNumber(args[3]) * 20);
    Changed(m, t);
    return Value();
}

Value EndFill(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t = kNoTimeline;
    if (SwfDrawnShape* d = DrawingOf(m, self, t)) {
        d->EndFill();
        Changed(m, t);
    }
    return Value();
}

Value Clear(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t = kNoTimeline;
    if (SwfDrawnShape* d = DrawingOf(m, self, t)) {
        d->Clear();
        Changed(m, t);
    }
    return Value();
}

}  // namespace

void InstallMovieClipDraw(Machine& m) {
    Object* proto = m.R().movieClipProto;
    DefineMethod(m, proto, "beginFill", BeginFill);
    DefineMethod(m, proto, "beginGradientFill", BeginGradientFill);
    DefineMethod(m, proto, "beginBitmapFill", BeginBitmapFill);
    DefineMethod(m, proto, "lineStyle", LineStyle);
    DefineMethod(m, proto, "lineGradientStyle", LineGradientStyle);
    DefineMethod(m, proto, "moveTo", MoveTo);
    DefineMethod(m, proto, "lineTo", LineTo);
    DefineMethod(m, proto, "curveTo", CurveTo);
    DefineMethod(m, proto, "endFill", EndFill);
    DefineMethod(m, proto, "clear", Clear);
}

}  // namespace fh::avm1
