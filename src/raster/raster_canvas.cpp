#include "raster/raster_canvas.h"

#include <algorithm>
#include <cmath>

namespace fh {

namespace {

inline std::uint32_t Div255(std::uint32_t x) {
    return (x + 128 + ((x + 128) >> 8)) >> 8;
}

inline std::size_t Index(int x, int y, int width) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
}

}  // namespace

std::uint8_t RasterCanvas::ClipMask::At(int x, int y) const {
    if (x < box.x0 || x >= box.x1 || y < box.y0 || y >= box.y1) return 0;
    return a[Index(x - box.x0, y - box.y0, box.Width())];
}

// Paints the coverage rows of a shape into the current layer, through the clip.
struct RasterCanvas::PaintSink final : RasterSpanSink {
    RasterCanvas& canvas;
    const Surface& surface;
    const ClipMask* clip;

    PaintSink(RasterCanvas& c, const Surface& s)
        : canvas(c), surface(s), clip(s.clips.empty() ? nullptr : &s.clips.back()) {}

    void Row(int y, int x0, int x1, const std::uint8_t* cover) override {
        const int n = x1 - x0;
        if (clip) {
            const std::uint8_t* m = clip->a.data() + Index(x0 - clip->box.x0, y - clip->box.y0, clip->box.Width());
            std::uint8_t* out = canvas.m_rowCover.data();
            for (int i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(Div255(cover[i] * m[i]));
            cover = out;
        }
        const Box& b = surface.box;
        std::uint32_t* dst = surface.image->px.data() + Index(x0 - b.x0, y - b.y0, b.Width());
        const RasterShader& shader = canvas.m_shader;
        if (shader.IsSolid()) {
            RasterBlendSolid(dst, shader.Color(), cover, n);
            return;
        }
        // Only runs with coverage are shaded: an image under a thin shape
        // costs the shape, not the image.
        std::uint32_t* colors = canvas.m_rowColor.data();
        for (int i = 0; i < n;) {
            if (!cover[i]) {
                ++i;
                continue;
            }
            int j = i + 1;
            while (j < n && cover[j]) ++j;
            shader.ShadeRow(x0 + i, y, j - i, colors);
            RasterBlendRow(dst + i, colors, cover + i, j - i);
            i = j;
        }
    }

    void Run(int y, int x0, int x1, std::uint8_t c) override {
        const int n = x1 - x0;
        const RasterShader& shader = canvas.m_shader;
        if (!clip && !shader.IsSolid()) {
            // Every pixel of the run is shaded: no gaps to look for.
            const Box& b = surface.box;
            std::uint32_t* dst = surface.image->px.data() + Index(x0 - b.x0, y - b.y0, b.Width());
            shader.ShadeRow(x0, y, n, canvas.m_rowColor.data());
            std::fill_n(canvas.m_rowCover.data(), n, c);
            RasterBlendRow(dst, canvas.m_rowColor.data(), canvas.m_rowCover.data(), n);
            return;
        }
        if (clip) {
            // Through a clip, pixel by pixel.
            std::fill_n(canvas.m_rowCover.data(), n, c);
            Row(y, x0, x1, canvas.m_rowCover.data());
            return;
        }
        const Box& b = surface.box;
        std::uint32_t* dst = surface.image->px.data() + Index(x0 - b.x0, y - b.y0, b.Width());
        const std::uint32_t color = c == 255 ? shader.Color() : RasterScale(shader.Color(), c);
        if ((color >> 24) == 255) {
            std::fill_n(dst, n, color);
            return;
        }
        RasterOverSolid(dst, color, n);
    }
};

namespace {

// Channel by channel, saturating.
inline std::uint32_t AddSaturated(std::uint32_t a, std::uint32_t b) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t v = ((a >> shift) & 0xFFu) + ((b >> shift) & 0xFFu);
        out |= std::min<std::uint32_t>(v, 0xFFu) << shift;
    }
    return out;
}

// A fill's share of a pixel: its coverage, up to what the fills over it
// left. What it hides of those under it is its share times its opacity, so
// that a translucent fill over another shows it as source-over would.
inline std::uint8_t Take(std::uint8_t& taken, std::uint8_t cover, std::uint32_t color) {
    const std::uint8_t share = std::min<std::uint8_t>(cover, static_cast<std::uint8_t>(255 - taken));
    taken = static_cast<std::uint8_t>(taken + Div255(share * (color >> 24)));
    return share;
}

}  // namespace

// Adds the coverage rows of a fill, in its paint, to the sum of the fills.
struct RasterCanvas::SumSink final : RasterSpanSink {
    RasterCanvas& canvas;
    FillSum& sum;

    SumSink(RasterCanvas& c, FillSum& s) : canvas(c), sum(s) {}

    void Row(int y, int x0, int x1, const std::uint8_t* cover) override {
        const Box& b = sum.box;
        if (y < b.y0 || y >= b.y1) return;
        const int from = std::max(x0, b.x0), to = std::min(x1, b.x1);
        if (from >= to) return;
        cover += from - x0;
        const int n = to - from;
        const std::size_t at = Index(from - b.x0, y - b.y0, b.Width());
        std::uint32_t* dst = sum.px.data() + at;
        std::uint8_t* taken = sum.taken.data() + at;
        const RasterShader& shader = canvas.m_shader;
        if (shader.IsSolid()) {
            const std::uint32_t color = shader.Color();
            for (int i = 0; i < n; ++i)
                if (const std::uint8_t share = cover[i] ? Take(taken[i], cover[i], color) : 0)
                    dst[i] = AddSaturated(dst[i], RasterScale(color, share));
            return;
        }
        std::uint32_t* colors = canvas.m_rowColor.data();
        shader.ShadeRow(from, y, n, colors);
        for (int i = 0; i < n; ++i)
            if (const std::uint8_t share = cover[i] ? Take(taken[i], cover[i], colors[i]) : 0)
                dst[i] = AddSaturated(dst[i], RasterScale(colors[i], share));
    }

    void Run(int y, int x0, int x1, std::uint8_t c) override {
        const int n = std::max(0, x1 - x0);
        std::fill_n(canvas.m_rowCover.data(), n, c);
        Row(y, x0, x1, canvas.m_rowCover.data());
    }
};

// Adds the coverage rows of one clip path to a mask, saturating.
struct RasterCanvas::MaskSink final : RasterSpanSink {
    ClipMask& mask;
    explicit MaskSink(ClipMask& m) : mask(m) {}

    void Row(int y, int x0, int x1, const std::uint8_t* cover) override {
        std::uint8_t* m = mask.a.data() + Index(x0 - mask.box.x0, y - mask.box.y0, mask.box.Width());
        for (int i = 0; i < x1 - x0; ++i) m[i] = static_cast<std::uint8_t>(std::min(255, m[i] + cover[i]));
    }
    void Run(int y, int x0, int x1, std::uint8_t c) override {
        std::uint8_t* m = mask.a.data() + Index(x0 - mask.box.x0, y - mask.box.y0, mask.box.Width());
        for (int i = 0; i < x1 - x0; ++i) m[i] = static_cast<std::uint8_t>(std::min(255, m[i] + c));
    }
};

struct RasterCanvas::Lists {
    RasterCoverage coverage;
    RasterContours flat, outline;
    std::vector<std::uint8_t> rowCover;
    std::vector<std::uint32_t> rowColor;
    RasterStrokerLists stroker;
};

RasterCanvas::RasterCanvas(RasterImage& target)
    : m_coverage(m_lists->coverage),
      m_flat(m_lists->flat),
      m_outline(m_lists->outline),
      m_rowCover(m_lists->rowCover),
      m_rowColor(m_lists->rowColor) {
    auto base = std::make_unique<Surface>();
    base->image = &target;
    const bool fits =
        target.width > 0 && target.height > 0 && target.width <= RasterCoverage::kMaxSide &&
        target.height <= RasterCoverage::kMaxSide &&
        target.px.size() == static_cast<std::size_t>(target.width) * static_cast<std::size_t>(target.height);
    if (fits) base->box = {0, 0, target.width, target.height};
    m_surfaces.push_back(std::move(base));
}

RasterCanvas::~RasterCanvas() {
    // A hostile shape's lists are not kept.
    constexpr std::size_t kKeptPoints = std::size_t{1} << 16;
    if (m_flat.points.capacity() > kKeptPoints || m_outline.points.capacity() > kKeptPoints) {
        m_flat = RasterContours();
        m_outline = RasterContours();
    }
}

void RasterCanvas::LimitRows(int y0, int y1) {
    m_rowFrom = std::max(y0, 0);
    m_rowTo = std::min(y1, RasterCoverage::kMaxSide);
}

RasterCanvas::Box RasterCanvas::DrawBox() const {
    const Surface& s = *m_surfaces.back();
    Box b = s.box;
    if (!s.clips.empty()) {
        const Box& c = s.clips.back().box;
        b = {std::max(b.x0, c.x0), std::max(b.y0, c.y0), std::min(b.x1, c.x1), std::min(b.y1, c.y1)};
    }
    return b;
}

void RasterCanvas::Clear(std::uint32_t argb) {
    const Surface& s = *m_surfaces.back();
    const int y0 = std::max(s.box.y0, m_rowFrom), y1 = std::min(s.box.y1, m_rowTo);
    if (s.box.Empty() || y0 >= y1) return;
    std::fill(s.image->px.begin() + static_cast<std::ptrdiff_t>(Index(0, y0 - s.box.y0, s.box.Width())),
              s.image->px.begin() + static_cast<std::ptrdiff_t>(Index(0, y1 - s.box.y0, s.box.Width())),
              RasterValidPixel(argb));
}

void RasterCanvas::Rasterize(const Box& box, FillRule rule, const RasterContours& contours, RasterSpanSink& sink,
                             bool sampled, bool everyRow) {
    // Only the shape's own rectangle: a small shape on a large canvas keeps
    // its cells few and close together.
    double x0 = box.x1, y0 = box.y1, x1 = box.x0, y1 = box.y0;
    for (const RasterPoint& p : contours.points) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    // Left of the shape nothing winds; not-a-number points leave the box whole.
    const Box area = {std::max(box.x0, x0 >= box.x0 ? static_cast<int>(std::floor(x0)) : box.x0),
                      std::max(box.y0, y0 >= box.y0 ? static_cast<int>(std::floor(y0)) : box.y0),
                      std::min(box.x1, x1 < box.x1 ? static_cast<int>(x1) + 2 : box.x1),
                      std::min(box.y1, y1 < box.y1 ? static_cast<int>(y1) + 2 : box.y1)};
    if (area.Empty()) return;
    m_coverage.Reset(area.x0, area.y0, area.x1, area.y1);
    if (everyRow)
        m_coverage.LimitRows(0, RasterCoverage::kMaxSide);
    else
        m_coverage.LimitRows(m_rowFrom, m_rowTo);
    m_coverage.AddContours(contours);
    if (sampled)
        m_coverage.SweepSampled(rule, sink);
    else
        m_coverage.Sweep(rule, sink);
}

void RasterCanvas::Paint(const Box& box, FillRule rule, const RasterContours& contours, bool sampled) {
    const std::size_t width = static_cast<std::size_t>(box.Width());
    if (m_rowCover.size() < width) m_rowCover.resize(width);
    if (m_rowColor.size() < width) m_rowColor.resize(width);
    if (m_sum.open) {
        if (m_sum.box.Empty()) return;
        SumSink sink(*this, m_sum);
        Rasterize(box, rule, contours, sink, sampled);
        return;
    }
    PaintSink sink(*this, *m_surfaces.back());
    Rasterize(box, rule, contours, sink, sampled);
}

void RasterCanvas::BeginFills(int x, int y, int width, int height) {
    if (m_sum.open) EndFills();
    const Box draw = DrawBox();
    // 64-bit sums: a corner near INT_MAX plus a width must not wrap.
    const long long x1 = static_cast<long long>(x) + std::max(width, 0);
    const long long y1 = static_cast<long long>(y) + std::max(height, 0);
    Box b{std::max(draw.x0, x), std::max({draw.y0, y, m_rowFrom}),
          static_cast<int>(std::min<long long>(draw.x1, x1)),
          static_cast<int>(std::min<long long>({draw.y1, y1, static_cast<long long>(m_rowTo)}))};
    if (b.Empty()) b = Box();
    m_sum.open = true;
    m_sum.box = b;
    const std::size_t area = b.Empty() ? 0 : static_cast<std::size_t>(b.Width()) * static_cast<std::size_t>(b.Height());
    m_sum.px.assign(area, 0);
    m_sum.taken.assign(area, 0);
}

void RasterCanvas::EndFills() {
    if (!m_sum.open) return;
    m_sum.open = false;
    const Box& b = m_sum.box;
    Surface& s = *m_surfaces.back();
    const ClipMask* clip = s.clips.empty() ? nullptr : &s.clips.back();
    const int n = b.Width();
    if (!b.Empty() && m_rowCover.size() < static_cast<std::size_t>(n)) m_rowCover.resize(static_cast<std::size_t>(n));
    for (int y = b.y0; y < b.y1 && !b.Empty(); ++y) {
        std::uint32_t* sum = m_sum.px.data() + Index(0, y - b.y0, n);
        std::uint32_t* dst = s.image->px.data() + Index(b.x0 - s.box.x0, y - s.box.y0, s.box.Width());
        for (int i = 0; i < n; ++i) sum[i] = RasterValidPixel(sum[i]);
        if (clip) {
            for (int i = 0; i < n; ++i) m_rowCover[static_cast<std::size_t>(i)] = clip->At(b.x0 + i, y);
            RasterBlendRow(dst, sum, m_rowCover.data(), n);
            continue;
        }
        for (int i = 0; i < n; ++i)
            if (sum[i]) dst[i] = RasterOver(sum[i], dst[i]);
    }
    // A large shape's sum is not kept for the next.
    if (m_sum.px.capacity() > (std::size_t{1} << 20)) {
        m_sum.px = std::vector<std::uint32_t>();
        m_sum.taken = std::vector<std::uint8_t>();
    }
}

void RasterCanvas::Fill(const RasterPath& path, FillRule rule, const RasterPaint& paint) {
    const Box box = DrawBox();
    if (box.Empty() || !m_shader.Prepare(paint)) return;
    FlattenPath(path, {box.x0 - 1.0, box.y0 - 1.0, box.x1 + 1.0, box.y1 + 1.0}, m_flat);
    Paint(box, rule, m_flat);
}

void RasterCanvas::Stroke(const RasterPath& path, const RasterStroke& stroke, const RasterPaint& paint) {
    const Box box = DrawBox();
    if (box.Empty() || !(stroke.width > 0) || !std::isfinite(stroke.width) || !m_shader.Prepare(paint)) return;
    // Curves farther out than a miter or a square cap reaches stay out of sight.
    const RasterMatrix& s = stroke.space;
    const double width =
        stroke.local ? stroke.width * std::max(std::hypot(s.a, s.b), std::hypot(s.c, s.d)) : stroke.width;
    const double reach = RasterStrokeReach(width, stroke.miterLimit);
    FlattenPath(path, {box.x0 - reach, box.y0 - reach, box.x1 + reach, box.y1 + reach}, m_flat);
    RasterMatrix back;
    if (stroke.local && stroke.space.Invert(back)) {
        // Flattened where the pixels are, stroked in the line's own space.
        for (RasterPoint& p : m_flat.points) p = back.Apply(p);
        StrokeContours(m_flat, stroke, m_outline, m_lists->stroker);
        for (RasterPoint& p : m_outline.points) p = stroke.space.Apply(p);
    } else {
        StrokeContours(m_flat, stroke, m_outline, m_lists->stroker);
    }
    Paint(box, FillRule::NonZero, m_outline, stroke.sampled);
}

void RasterCanvas::PushClip(const std::vector<std::pair<RasterPath, FillRule>>& paths) {
    EndFills();
    Surface& s = *m_surfaces.back();
    ClipMask mask;
    const Box box = DrawBox();
    if (s.clips.size() < kMaxClips && !box.Empty()) {
        mask.box = box;
        mask.a.assign(static_cast<std::size_t>(box.Width()) * static_cast<std::size_t>(box.Height()), 0);
        MaskSink sink(mask);
        // The clip in every row, not only in those this canvas draws: the
        // box it leaves for later shapes must be the whole drawing's, or
        // they would be cut elsewhere and differ in their last bits from
        // the same shapes drawn whole.
        for (const auto& [path, rule] : paths) {
            FlattenPath(path, {box.x0 - 1.0, box.y0 - 1.0, box.x1 + 1.0, box.y1 + 1.0}, m_flat);
            Rasterize(box, rule, m_flat, sink, /*sampled=*/false, /*everyRow=*/true);
        }
        // Within the clip before: coverages multiply.
        Box used{box.x1, box.y1, box.x0, box.y0};
        for (int y = box.y0; y < box.y1; ++y) {
            std::uint8_t* row = mask.a.data() + Index(0, y - box.y0, box.Width());
            for (int x = box.x0; x < box.x1; ++x) {
                std::uint8_t& m = row[x - box.x0];
                if (m && !s.clips.empty()) m = static_cast<std::uint8_t>(Div255(m * s.clips.back().At(x, y)));
                if (!m) continue;
                used = {std::min(used.x0, x), std::min(used.y0, y), std::max(used.x1, x + 1), std::max(used.y1, y + 1)};
            }
        }
        // Later drawing is bounded by the pixels the clip lets through.
        if (used.Empty()) {
            mask = ClipMask();
        } else if (used.Width() != box.Width() || used.Height() != box.Height()) {
            ClipMask tight;
            tight.box = used;
            tight.a.resize(static_cast<std::size_t>(used.Width()) * static_cast<std::size_t>(used.Height()));
            for (int y = used.y0; y < used.y1; ++y)
                std::copy_n(mask.a.data() + Index(used.x0 - box.x0, y - box.y0, box.Width()), used.Width(),
                            tight.a.data() + Index(0, y - used.y0, used.Width()));
            mask = std::move(tight);
        }
    }
    s.clips.push_back(std::move(mask));
}

void RasterCanvas::PopClip() {
    EndFills();
    if (!m_surfaces.back()->clips.empty()) m_surfaces.back()->clips.pop_back();
}

void RasterCanvas::PushLayer() {
    const Box& b = m_surfaces.back()->box;
    PushLayer(b.x0, b.y0, b.Width(), b.Height());
}

void RasterCanvas::PushLayer(int x, int y, int width, int height) {
    EndFills();
    const Box& parent = m_surfaces.back()->box;
    auto layer = std::make_unique<Surface>();
    // 64-bit sums: a corner near INT_MAX plus a width must not wrap.
    const long long x1 = static_cast<long long>(x) + std::max(width, 0);
    const long long y1 = static_cast<long long>(y) + std::max(height, 0);
    Box b{std::max(parent.x0, x), std::max(parent.y0, y), static_cast<int>(std::min<long long>(parent.x1, x1)),
          static_cast<int>(std::min<long long>(parent.y1, y1))};
    if (b.Empty() || m_surfaces.size() > kMaxLayers) b = Box();
    layer->box = b;
    layer->own = RasterImage(b.Width(), b.Height());
    layer->image = &layer->own;
    m_surfaces.push_back(std::move(layer));
}

void RasterCanvas::PopLayer(const Compositor& composite) {
    EndFills();
    if (m_surfaces.size() < 2) return;
    std::unique_ptr<Surface> layer = std::move(m_surfaces.back());
    m_surfaces.pop_back();
    Surface& parent = *m_surfaces.back();
    const Box b = layer->box;
    if (b.Empty()) return;
    auto merge = [&](RasterImage& below) {
        if (composite)
            composite(layer->own, below);
        else
            RasterOverImage(layer->own, below);
    };
    const ClipMask* clip = parent.clips.empty() ? nullptr : &parent.clips.back();
    const Box& p = parent.box;
    if (!clip && b.x0 == p.x0 && b.y0 == p.y0 && b.x1 == p.x1 && b.y1 == p.y1) {
        merge(*parent.image);
        return;
    }
    // A copy of the pixels below, merged, then put back through the clip.
    RasterImage below(b.Width(), b.Height());
    for (int y = b.y0; y < b.y1; ++y)
        std::copy_n(parent.image->px.data() + Index(b.x0 - p.x0, y - p.y0, p.Width()), b.Width(),
                    below.px.data() + Index(0, y - b.y0, b.Width()));
    merge(below);
    if (below.width != b.Width() || below.height != b.Height() ||
        below.px.size() != static_cast<std::size_t>(b.Width()) * static_cast<std::size_t>(b.Height()))
        return;
    for (int y = b.y0; y < b.y1; ++y) {
        std::uint32_t* dst = parent.image->px.data() + Index(b.x0 - p.x0, y - p.y0, p.Width());
        const std::uint32_t* src = below.px.data() + Index(0, y - b.y0, b.Width());
        for (int x = 0; x < b.Width(); ++x) {
            const std::uint32_t m = clip ? clip->At(b.x0 + x, y) : 255;
            if (m == 255)
                dst[x] = src[x];
            else if (m)
                dst[x] = RasterScale(src[x], m) + RasterScale(dst[x], 255 - m);
        }
    }
}

}  // namespace fh
