#include "swf/swf_raster_canvas.h"

#include <algorithm>
#include <exception>

#include "raster/raster_blend.h"
#include "raster/raster_mipmap.h"
#include "swf/swf_gradient.h"

namespace fh {

namespace {

// The path moved by (-dx, -dy): from the target's pixels to a layer's.
void ToRaster(const SwfPath& path, RasterPath& out, int dx, int dy) {
    out.Clear();
    std::size_t at = 0;
    for (SwfPath::Verb v : path.verbs) {
        const std::size_t need = v == SwfPath::Quad ? 2 : v == SwfPath::Close ? 0 : 1;
        // A path whose points run short of its verbs is drawn as far as it goes.
        if (path.points.size() - at < need) return;
        const SwfPoint* p = path.points.data() + at;
        switch (v) {
        case SwfPath::Move: out.MoveTo(p[0].x - dx, p[0].y - dy); break;
        case SwfPath::Line: out.LineTo(p[0].x - dx, p[0].y - dy); break;
        case SwfPath::Quad: out.QuadTo(p[0].x - dx, p[0].y - dy, p[1].x - dx, p[1].y - dy); break;
        case SwfPath::Close: out.ClosePath(); break;
        }
        at += need;
    }
}

RasterColorTransform ToRaster(const SwfColorTransform& cx) {
    RasterColorTransform t;
    const std::int32_t mul[4] = {cx.rMul, cx.gMul, cx.bMul, cx.aMul}, add[4] = {cx.rAdd, cx.gAdd, cx.bAdd, cx.aAdd};
    for (int i = 0; i < 4; ++i) {
        t.mul[i] = mul[i] / 256.0;
        t.add[i] = add[i];
    }
    return t;
}

RasterCap ToRaster(SwfCap cap) {
    switch (cap) {
    case SwfCap::None: return RasterCap::None;
    case SwfCap::Square: return RasterCap::Square;
    case SwfCap::Round: break;
    }
    return RasterCap::Round;
}

RasterJoin ToRaster(SwfJoin join) {
    switch (join) {
    case SwfJoin::Bevel: return RasterJoin::Bevel;
    case SwfJoin::Miter: return RasterJoin::Miter;
    case SwfJoin::Round: break;
    }
    return RasterJoin::Round;
}

inline int Div255(int x) { return (x + 127) / 255; }

// Add and Subtract as players draw them: the layer's premultiplied colour
// added to (taken from) the backdrop and clamped, so that a half-transparent
// layer adds half its colour; over a transparent backdrop the layer shows as
// it is. The layer's top-left corner is at (dx, dy) of `below`.
void AddOrSubtract(const RasterImage& layer, RasterImage& below, bool add, int dx, int dy) {
    const int x0 = std::max(0, dx), y0 = std::max(0, dy);
    const int x1 = std::min(below.width, dx + layer.width), y1 = std::min(below.height, dy + layer.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t s = layer.At(x - dx, y - dy);
            std::uint32_t& b = below.At(x, y);
            const int as = static_cast<int>(s >> 24), ab = static_cast<int>(b >> 24);
            const int ao = as + ab - Div255(as * ab);
            std::uint32_t out = static_cast<std::uint32_t>(ao) << 24;
            for (int shift = 0; shift < 24; shift += 8) {
                const int cs = std::min(as, static_cast<int>((s >> shift) & 0xFF));
                const int cb = std::min(ab, static_cast<int>((b >> shift) & 0xFF));
                const int mixed = add ? std::min(ab, cb + Div255(cs * ab)) : std::max(0, cb - Div255(cs * ab));
                out |= static_cast<std::uint32_t>(std::min(ao, Div255(cs * (255 - ab)) + mixed)) << shift;
            }
            b = out;
        }
    }
}

}  // namespace

std::uint32_t PremultipliedOf(SwfColor c) {
    auto scale = [&](std::uint32_t v) { return (v * c.a + 127) / 255; };
    return static_cast<std::uint32_t>(c.a) << 24 | scale(c.r) << 16 | scale(c.g) << 8 | scale(c.b);
}

const RasterImage& SwfImages::Get(const SwfBitmap& bm) {
    auto it = m_images.find(&bm);
    if (it != m_images.end()) return it->second;
    RasterImage& image = m_images[&bm];
    image = Decode(bm, m_decoder);
    return image;
}

const RasterImage& SwfImages::Smoothed(const SwfBitmap& bm, RasterMatrix& imageToDevice) {
    const RasterImage& image = Get(bm);
    // Most fills are drawn at their size or larger: no copies, no lock.
    if (RasterMipLevel(imageToDevice, 1) == 0) return image;
    std::lock_guard<std::mutex> hold(m_copiesLock);
    std::vector<RasterImage>& copies = m_copies[&bm];
    if (copies.empty()) copies = RasterMipmaps(image);
    const int level = RasterMipLevel(imageToDevice, static_cast<int>(copies.size()));
    if (level == 0) return image;
    // Made once and never changed after: safe to read outside the lock.
    const RasterImage& copy = copies[static_cast<std::size_t>(level) - 1];
    imageToDevice = RasterMipMatrix(imageToDevice, image, copy);
    return copy;
}

void SwfImages::Prepare(const std::vector<const SwfBitmap*>& bitmaps, const Runner& run) {
    std::vector<const SwfBitmap*> missing;
    for (const SwfBitmap* bm : bitmaps)
        if (bm && !m_images.count(bm)) missing.push_back(bm);
    std::sort(missing.begin(), missing.end());
    missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
    if (missing.empty()) return;
    std::vector<RasterImage> decoded(missing.size());
    std::vector<char> done(missing.size(), 0);
    run(missing.size(), [&](std::size_t i) {
        try {
            decoded[i] = Decode(*missing[i], m_decoder);
            done[i] = 1;
        } catch (const std::exception&) {
            // Out of memory, say: left for later.
        }
    });
    // One that failed for want of memory is tried again when asked for.
    for (std::size_t i = 0; i < missing.size(); ++i)
        if (done[i]) m_images[missing[i]] = std::move(decoded[i]);
}

RasterImage SwfImages::Decode(const SwfBitmap& bm, const SwfPictureDecoder* decoder) {
    RasterImage image;
    if (bm.width <= 0 || bm.height <= 0) return image;
    std::vector<std::uint32_t> pixels;
    if (!bm.pixels.empty()) {
        pixels = bm.pixels;
    } else if (bm.lossless) {
        DecodeLossless(bm, pixels);
    } else if (decoder && decoder->Decode(bm.data, bm.width, bm.height, pixels)) {
        // A JPEG's alpha comes from its own plane; other pictures bring theirs.
        std::vector<unsigned char> alpha;
        const bool plane = !bm.alphaData.empty() && DecodeAlphaPlane(bm, alpha);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            SwfColor c{static_cast<std::uint8_t>(pixels[i] >> 16), static_cast<std::uint8_t>(pixels[i] >> 8),
                       static_cast<std::uint8_t>(pixels[i]), static_cast<std::uint8_t>(pixels[i] >> 24)};
            if (plane) c.a = i < alpha.size() ? alpha[i] : 0;
            pixels[i] = PremultipliedOf(c);
        }
    }
    if (pixels.size() != static_cast<std::size_t>(bm.width) * static_cast<std::size_t>(bm.height)) return image;
    // Once here, so that sampling can trust them: no colour above its alpha
    // (lossless bitmaps come out of their decoder so).
    if (!bm.lossless)
        for (std::uint32_t& p : pixels) p = RasterValidPixel(p);
    image = RasterImage(bm.width, bm.height);
    image.px = std::move(pixels);
    return image;
}

SwfRasterCanvas::SwfRasterCanvas(RasterImage& target, SwfImages& images)
    : m_canvas(target),
      m_width(target.width),
      m_height(target.height),
      m_drawable(target.width > 0 && target.height > 0 && target.width <= RasterCoverage::kMaxSide &&
                 target.height <= RasterCoverage::kMaxSide &&
                 target.px.size() == static_cast<std::size_t>(target.width) * static_cast<std::size_t>(target.height)),
      m_images(images) {}

SwfRasterCanvas::~SwfRasterCanvas() = default;

RasterCanvas* SwfRasterCanvas::Current() {
    if (m_cut) return nullptr;
    if (m_layers.empty()) return &m_canvas;
    return m_layers.back()->canvas.get();
}

// Read before each costly call (a clip's mask, a layer): a drawing past its
// time ends there.
bool SwfRasterCanvas::InTime() {
    if (!m_cut && m_deadline.Passed()) m_cut = true;
    return !m_cut;
}

// The stage is opaque whatever alpha its colour was given.
void SwfRasterCanvas::Clear(SwfColor color) {
    color.a = 255;
    if (RasterCanvas* canvas = Current()) canvas->Clear(PremultipliedOf(color));
}

bool SwfRasterCanvas::Paint(const SwfPaint& paint, RasterPaint& out) {
    switch (paint.kind) {
    case SwfPaint::Kind::Solid:
        out = RasterPaint::Solid(PremultipliedOf(paint.color));
        return paint.color.a != 0;
    case SwfPaint::Kind::Gradient: {
        if (!paint.gradient) return false;
        SwfMatrix m = paint.matrix;
        m.tx -= OffsetX();
        m.ty -= OffsetY();
        SwfGradientRamp(*paint.gradient, m, paint.colorTransform, m_gradient);
        out = RasterPaint::Gradient(m_gradient);
        return true;
    }
    case SwfPaint::Kind::Bitmap: {
        if (!paint.bitmap) return false;
        const SwfMatrix& m = paint.matrix;
        RasterMatrix toDevice{m.a, m.b, m.c, m.d, m.tx - OffsetX(), m.ty - OffsetY()};
        // Unsmoothed fills take the nearest texel of the bitmap itself at any
        // size, as Flash draws them.
        const RasterImage& image =
            paint.smooth ? m_images.Smoothed(*paint.bitmap, toDevice) : m_images.Get(*paint.bitmap);
        if (image.Empty()) return false;
        out = RasterPaint::Image(image, toDevice, paint.repeat, paint.smooth);
        out.transform = ToRaster(paint.colorTransform);
        return true;
    }
    }
    return false;
}

void SwfRasterCanvas::Fill(const SwfPath& path, bool nonZero, const SwfPaint& paint) {
    RasterCanvas* canvas = Current();
    RasterPaint p;
    if (!canvas || !Paint(paint, p)) return;
    ToRaster(path, m_path, OffsetX(), OffsetY());
    canvas->Fill(m_path, nonZero ? FillRule::NonZero : FillRule::EvenOdd, p);
}

void SwfRasterCanvas::Stroke(const SwfPath& path, const SwfStroke& stroke, const SwfPaint& paint) {
    RasterCanvas* canvas = Current();
    RasterPaint p;
    if (!canvas || !Paint(paint, p)) return;
    ToRaster(path, m_path, OffsetX(), OffsetY());
    RasterStroke s;
    s.width = stroke.width;
    s.startCap = ToRaster(stroke.startCap);
    s.endCap = ToRaster(stroke.endCap);
    s.join = ToRaster(stroke.join);
    s.miterLimit = stroke.miterLimit;
    s.sampled = stroke.hairline;
    if (stroke.local) {
        const SwfMatrix& m = stroke.space;
        s.space = RasterMatrix{m.a, m.b, m.c, m.d, 0, 0};
        s.local = true;
    }
    canvas->Stroke(m_path, s, p);
}

void SwfRasterCanvas::BeginFills(const SwfLayerRect& bounds) {
    if (RasterCanvas* canvas = Current())
        canvas->BeginFills(bounds.x - OffsetX(), bounds.y - OffsetY(), bounds.width, bounds.height);
}

void SwfRasterCanvas::EndFills() {
    if (RasterCanvas* canvas = Current()) canvas->EndFills();
}

void SwfRasterCanvas::PushClip(const std::vector<std::pair<SwfPath, bool>>& paths) {
    RasterCanvas* canvas = InTime() ? Current() : nullptr;
    if (!canvas) {
        ++m_skippedClips;
        return;
    }
    std::vector<std::pair<RasterPath, FillRule>> clip(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        ToRaster(paths[i].first, clip[i].first, OffsetX(), OffsetY());
        clip[i].second = paths[i].second ? FillRule::NonZero : FillRule::EvenOdd;
    }
    canvas->PushClip(clip);
}

void SwfRasterCanvas::PopClip() {
    if (m_skippedClips > 0) {
        --m_skippedClips;
        return;
    }
    if (RasterCanvas* canvas = Current()) canvas->PopClip();
}

void SwfRasterCanvas::PushLayer(const SwfLayerRect& rect) {
    auto layer = std::make_unique<Layer>();
    // 64-bit sums: a corner near INT_MAX plus a width must not wrap.
    const long long x0 = std::max<long long>(rect.x, -kMaxLayerMargin);
    const long long y0 = std::max<long long>(rect.y, -kMaxLayerMargin);
    const long long x1 = std::min<long long>(static_cast<long long>(rect.x) + std::max(rect.width, 0),
                                             static_cast<long long>(m_width) + kMaxLayerMargin);
    const long long y1 = std::min<long long>(static_cast<long long>(rect.y) + std::max(rect.height, 0),
                                             static_cast<long long>(m_height) + kMaxLayerMargin);
    if (m_drawable && InTime() && Current() && m_layers.size() < static_cast<std::size_t>(kMaxLayers) && x0 < x1 &&
        y0 < y1) {
        layer->x = static_cast<int>(x0);
        layer->y = static_cast<int>(y0);
        layer->image = RasterImage(static_cast<int>(x1 - x0), static_cast<int>(y1 - y0));
        layer->canvas = std::make_unique<RasterCanvas>(layer->image);
    }
    m_layers.push_back(std::move(layer));
}

void SwfRasterCanvas::PopLayer(const SwfLayerEffects& effects) {
    if (m_layers.empty()) return;
    std::unique_ptr<Layer> layer = std::move(m_layers.back());
    m_layers.pop_back();
    RasterCanvas* below = Current();
    if (!layer->canvas || !below) return;
    RasterImage& image = layer->image;
    if (!InTime() || (effects.filters && !ApplyFilters(image, *effects.filters, m_deadline))) {
        m_cut = true;
        return;
    }
    if (!effects.colorTransform.IsIdentity()) {
        const RasterColorTransform t = ToRaster(effects.colorTransform);
        ApplyColorTransform(image, t.mul, t.add);
    }
    // Where the picture lies on the layer below, and the part of it that
    // takes part: all of it for Alpha, which clears what the picture leaves.
    const int width = m_layers.empty() ? m_width : m_layers.back()->image.width;
    const int height = m_layers.empty() ? m_height : m_layers.back()->image.height;
    const int dx = layer->x - OffsetX(), dy = layer->y - OffsetY();
    int x0 = 0, y0 = 0, x1 = width, y1 = height;
    if (effects.blend != RasterBlend::Alpha) {
        x0 = std::max(x0, dx);
        y0 = std::max(y0, dy);
        x1 = std::min(x1, dx + image.width);
        y1 = std::min(y1, dy + image.height);
    }
    if (x0 >= x1 || y0 >= y1) return;
    below->PushLayer(x0, y0, x1 - x0, y1 - y0);
    below->PopLayer([&](RasterImage&, RasterImage& under) {
        if (effects.blend == RasterBlend::Add || effects.blend == RasterBlend::Subtract)
            AddOrSubtract(image, under, effects.blend == RasterBlend::Add, dx - x0, dy - y0);
        else
            BlendImage(image, under, effects.blend, dx - x0, dy - y0);
    });
}

}  // namespace fh
