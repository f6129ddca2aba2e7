#include "swf/swf_stage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <optional>
#include <type_traits>
#include <variant>

#include "swf/swf_display_list.h"

namespace fh {

const SwfOutline& SwfStage::ShapeOutline(std::uint32_t index) {
    auto& slot = m_shapeOutlines[index];
    if (!slot) slot = std::make_unique<SwfOutline>(BuildOutline(m_movie->shapes[index]));
    return *slot;
}

const SwfOutline& SwfStage::GlyphOutline(std::uint32_t font, std::uint32_t glyph) {
    auto& slot = m_glyphOutlines[font][glyph];
    if (!slot) slot = std::make_unique<SwfOutline>(BuildOutline(m_movie->fonts[font].glyphs[glyph]));
    return *slot;
}

// One drawing of a frame: walks the display list with the matrices and
// colour transforms of each level, counting its work against the caps.
class SwfDrawing {
public:
    SwfDrawing(SwfStage& stage, SwfCanvas& canvas, const SwfMatrix& view, int width, int height, double hairline)
        : m_stage(stage), m_movie(*stage.m_movie), m_canvas(canvas), m_view(view), m_width(std::max(0, width)),
          m_height(std::max(0, height)), m_hairline(hairline), m_filterScale(view.MeanScale() * 20),
          m_area{0, 0, m_width, m_height} {}

    SwfDrawReport Run() {
        m_canvas.Clear(m_stage.m_background);
        const Object& root = *m_stage.m_rootHolder;
        if (root.visible) List(*m_stage.m_root, m_view * root.matrix, root.colorTransform, 0);
        return m_report;
    }

private:
    using Instance = SwfStage::Instance;
    using Object = SwfStage::Object;
    using Parts = std::vector<std::shared_ptr<Instance>>;

    // The sprite instances of a button object's parts in `state`, when it
    // keeps them for that state.
    static const Parts* PartsOf(const Object& o, SwfButtonState state) {
        return !o.parts.empty() && o.partsState == state ? &o.parts : nullptr;
    }
    static const Instance* PartSprite(const Parts* parts, std::size_t index) {
        return parts && index < parts->size() ? (*parts)[index].get() : nullptr;
    }

    bool Spend(std::size_t points, bool readClock = false) {
        if (m_report.cut) return false;
        m_points += points;
        if (m_points > m_stage.m_limits.maxPoints) {
            m_report.cut = true;
            return false;
        }
        // The clock is read now and then (before every layer, which may take
        // long): a drawing past its time ends where it is.
        if (m_stage.m_limits.maxDrawMs > 0 && (++m_calls % 64 == 0 || readClock) &&
            std::chrono::steady_clock::now() - m_start > std::chrono::milliseconds(m_stage.m_limits.maxDrawMs)) {
            m_report.cut = true;
            return false;
        }
        return true;
    }

    void List(const Instance& instance, const SwfMatrix& m, const SwfColorTransform& cx, int nesting) {
        std::vector<std::pair<std::uint16_t, std::uint64_t>> clips;  // clip depths of the masks in force, their bytes
        auto pop = [&] {
            m_canvas.PopClip();
            m_liveBytes -= clips.back().second;
            clips.pop_back();
        };
        if (instance.drawn && !instance.drawn->Empty())
            Outline(instance.drawn->Outline(), instance.drawn->Shape(), m, cx);
        for (const auto& entry : instance.list) {
            while (!clips.empty() && entry.first > clips.back().first) pop();
            const Object& o = entry.second;
            const SwfMatrix om = m * o.matrix;
            if (o.clipDepth) {
                // A mask the budget cannot afford ends the drawing: what it
                // masks must not show unmasked.
                std::uint64_t bytes = 0;
                if (!Spend(1, true) || !ReserveMask(bytes)) continue;
                std::vector<std::pair<SwfPath, bool>> paths;
                Mask(o.character, o.sprite.get(), om, o.ratio, nesting, paths, PartsOf(o, SwfButtonState::Up));
                m_canvas.PushClip(paths);
                clips.emplace_back(o.clipDepth, bytes);
                continue;
            }
            if (!o.visible) continue;
            if (o.sprite && (o.sprite->masks.lock() || o.sprite->maskedBy.lock())) {
                ScriptMasked(o, om, cx, nesting);
                continue;
            }
            Placed(o, om, cx, nesting);
        }
        while (!clips.empty()) pop();
    }

    // A clip a script masks (setMask) is drawn within its mask clip's
    // shapes where that clip is; a clip that masks another is not drawn.
    void ScriptMasked(const Object& o, const SwfMatrix& m, const SwfColorTransform& cx, int nesting) {
        if (o.sprite->masks.lock()) return;
        const std::shared_ptr<Instance> mask = o.sprite->maskedBy.lock();
        SwfMatrix placed;
        const Object* holder = mask ? m_stage.Holder(*mask) : nullptr;
        std::uint64_t bytes = 0;
        if (!holder || !m_stage.WorldMatrix(*mask, placed) || !Spend(1, true) || !ReserveMask(bytes)) return;
        std::vector<std::pair<SwfPath, bool>> paths;
        Mask(holder->character, mask.get(), m_view * placed, holder->ratio, nesting, paths,
             PartsOf(*holder, SwfButtonState::Up));
        m_canvas.PushClip(paths);
        Placed(o, m, cx, nesting);
        m_canvas.PopClip();
        m_liveBytes -= bytes;
    }

    // A mask covers the area drawn on, a byte a pixel, on every canvas that
    // draws the calls: its pixels count against the drawing's work and,
    // while it is in force, its memory.
    bool ReserveMask(std::uint64_t& bytes) {
        const std::uint64_t area = static_cast<std::uint64_t>(std::max(0, m_area.width)) *
                                   static_cast<std::uint64_t>(std::max(0, m_area.height));
        bytes = area * static_cast<std::uint64_t>(std::clamp(m_canvas.Copies(), 1, 64));
        m_maskWork += bytes;
        if (m_maskWork > Canvas() * m_stage.m_limits.maxMaskWork || !Live(bytes)) {
            m_report.cut = true;
            return false;
        }
        return true;
    }

    // Memory that layers and masks hold at once, against a cap that keeps a
    // frame within what a 32-bit process can have whatever the canvas size.
    bool Live(std::uint64_t bytes) {
        if (m_liveBytes + bytes > m_stage.m_limits.maxLiveBytes) return false;
        m_liveBytes += bytes;
        return true;
    }

    std::uint64_t Canvas() const {
        return std::max<std::uint64_t>(1, static_cast<std::uint64_t>(m_width) * static_cast<std::uint64_t>(m_height));
    }

    static bool Layered(const Object& o) {
        return o.blend != RasterBlend::Normal || (o.filters && !o.filters->empty()) || o.cacheAsBitmap;
    }

    // An object as placed: straight onto the canvas, or, when an effect
    // needs its picture whole, into a layer of its own. A layer's colour
    // transform (its own and its parents') applies to the finished picture,
    // as to a cached bitmap, so the layer's content is drawn untransformed.
    void Placed(const Object& o, const SwfMatrix& m, const SwfColorTransform& cx, int nesting) {
        // Erase and Alpha cut into the layer they are drawn in; with none
        // above them they neither cut nor show, as the reference player draws them.
        if ((o.blend == RasterBlend::Erase || o.blend == RasterBlend::Alpha) && m_layers == 0) return;
        if (!Layered(o)) {
            const SwfColorTransform ocx = cx * o.colorTransform;
            if (o.background) Background(o, m, ocx, nesting);
            Character(o.character, o.sprite.get(), m, ocx, o.ratio, nesting, o.buttonState, PartsOf(o, o.buttonState));
            return;
        }
        const SwfFilterList* filters = o.filters && !o.filters->empty() ? o.filters.get() : nullptr;
        SwfFilterList scaled;
        if (filters && std::fabs(m_filterScale - 1) > 1e-9) filters = &(scaled = ScaledFilters(*filters, m_filterScale));
        SwfLayerRect rect;
        std::uint64_t bytes = 0;
        if (!LayerRect(o, m, filters, nesting, rect, bytes)) return;
        m_canvas.PushLayer(rect);
        ++m_layers;
        const SwfLayerRect outer = m_area;
        m_area = rect;
        if (o.background) Background(o, m, SwfColorTransform(), nesting);
        Character(o.character, o.sprite.get(), m, SwfColorTransform(), o.ratio, nesting, o.buttonState,
                  PartsOf(o, o.buttonState));
        m_area = outer;
        --m_layers;
        SwfLayerEffects effects;
        effects.blend = o.blend;
        effects.filters = filters;
        effects.colorTransform = cx * o.colorTransform;
        m_canvas.PopLayer(effects);
        m_liveBytes -= bytes;
    }

    // The canvas rectangle of an object's layer: what it draws, grown by its
    // filters' reach, within the layer below grown by that reach (so that
    // what lies just outside still spreads into view) and never farther
    // than a margin past the canvas. False when there is nothing to draw or
    // the drawing's layer budget is spent.
    bool LayerRect(const Object& o, const SwfMatrix& m, const SwfFilterList* filters, int nesting, SwfLayerRect& out,
                   std::uint64_t& bytes) {
        if (m_layers + 1 >= SwfCanvas::kMaxLayers || !Spend(1, true)) {
            m_report.cut = true;
            return false;
        }
        Extent box;
        Measure(o, m, nesting, true, box);
        if (box.Empty()) return false;
        const RasterRect reach = filters ? FilterMargin(*filters) : RasterRect();
        const double margin = std::min<double>(SwfCanvas::kMaxLayerMargin, 16 + std::max(m_width, m_height) / 8);
        const double below[4] = {static_cast<double>(m_area.x), static_cast<double>(m_area.y),
                                 static_cast<double>(m_area.x) + m_area.width,
                                 static_cast<double>(m_area.y) + m_area.height};
        // Two pixels more for anti-aliasing and the spikes of mitred lines.
        const double x0 = std::max({std::floor(box.x0) - 2 - reach.left, below[0] - std::min<double>(reach.left, margin), -margin});
        const double y0 = std::max({std::floor(box.y0) - 2 - reach.top, below[1] - std::min<double>(reach.top, margin), -margin});
        const double x1 = std::min({std::ceil(box.x1) + 2 + reach.right, below[2] + std::min<double>(reach.right, margin),
                                    m_width + margin});
        const double y1 = std::min({std::ceil(box.y1) + 2 + reach.bottom, below[3] + std::min<double>(reach.bottom, margin),
                                    m_height + margin});
        if (!(x0 < x1 && y0 < y1)) return false;
        out = {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
        return Reserve(out, filters, bytes);
    }

    // Counts a layer and the filter passes over it against the drawing's
    // budget, which grows with the canvas, and its memory while it is open.
    bool Reserve(const SwfLayerRect& rect, const SwfFilterList* filters, std::uint64_t& bytes) {
        const std::uint64_t canvas = Canvas();
        const std::uint64_t area = static_cast<std::uint64_t>(std::max(0, rect.width)) *
                                   static_cast<std::uint64_t>(std::max(0, rect.height));
        std::uint64_t passes = 1;
        if (filters)
            for (const RasterFilter& f : *filters) passes += FilterCost(f);
        m_layerPixels += area;
        m_layerWork += area * passes;
        // Its picture, the one it is merged through, and a filter's planes.
        bytes = area * (filters ? 12 : 8);
        if (m_layerPixels > canvas * m_stage.m_limits.maxLayerPixels ||
            m_layerWork > std::max<std::uint64_t>(canvas * m_stage.m_limits.maxLayerWork, kLeastLayerWork) ||
            !Live(bytes)) {
            m_report.cut = true;
            return false;
        }
        return true;
    }

    // A box on the canvas (or in an object's own twips); points that are
    // not finite or absurdly far are left out.
    struct Extent {
        double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
        bool Empty() const { return !(x0 <= x1 && y0 <= y1); }
        void Add(const SwfPoint& p) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > 1e9 || std::fabs(p.y) > 1e9) return;
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
            y1 = std::max(y1, p.y);
        }
        void Add(const Extent& e) {
            if (e.Empty()) return;
            Add(SwfPoint{e.x0, e.y0});
            Add(SwfPoint{e.x1, e.y1});
        }
        void AddRect(double xMin, double yMin, double xMax, double yMax, const SwfMatrix& m) {
            Add(m.Apply(xMin, yMin));
            Add(m.Apply(xMax, yMin));
            Add(m.Apply(xMax, yMax));
            Add(m.Apply(xMin, yMax));
        }
    };

    // What an object draws, through `m`: its content and its opaque
    // background, and with `reach` what its descendants' filters add.
    void Measure(const Object& o, const SwfMatrix& m, int nesting, bool reach, Extent& box) {
        Content(o.character, o.sprite.get(), m, nesting, reach, box, o.buttonState, PartsOf(o, o.buttonState));
        if (!o.background) return;
        Extent local;
        Content(o.character, o.sprite.get(), SwfMatrix(), nesting, false, local, o.buttonState, PartsOf(o, o.buttonState));
        if (!local.Empty()) box.AddRect(local.x0, local.y0, local.x1, local.y1, m);
    }

    // The bounds a character's records give (shapes, texts, bitmaps), or
    // those of its parts, through `m`. Each step counts against the budget.
    void Content(std::uint16_t id, const Instance* sprite, const SwfMatrix& m, int nesting, bool reach, Extent& box,
                 SwfButtonState state = SwfButtonState::Up, const Parts* parts = nullptr) {
        if (!Enter(nesting)) return;
        if (sprite && sprite->edit) {
            const SwfRect& r = sprite->edit->Shown().bounds;
            box.AddRect(r.xMin, r.yMin, r.xMax, r.yMax, m);
            return;
        }
        // An empty clip scripts made has no character: a sprite all the same.
        const SwfCharacter* c = m_movie.Find(id);
        if (!c && !sprite) return;
        switch (c ? c->kind : SwfKind::Sprite) {
        case SwfKind::Shape: {
            const SwfShape& shape = m_movie.shapes[c->index];
            double line = 0;
            for (const SwfStyles& styles : shape.layers) line = std::max(line, HalfLine(styles));
            Edges(shape.edges, line, m, box);
            break;
        }
        case SwfKind::Morph: {
            // Every shape between the two lies within the box of both edge sets.
            const SwfMorphShape& morph = m_movie.morphs[c->index];
            const double line = std::max(HalfLine(morph.start), HalfLine(morph.end));
            Edges(morph.startEdges, line, m, box);
            Edges(morph.endEdges, line, m, box);
            break;
        }
        case SwfKind::Text: {
            const SwfRect& r = m_movie.texts[c->index].bounds;
            box.AddRect(r.xMin, r.yMin, r.xMax, r.yMax, m);
            break;
        }
        case SwfKind::Bitmap: {
            const SwfBitmap& bm = m_movie.bitmaps[c->index];
            box.AddRect(0, 0, bm.width * 20.0, bm.height * 20.0, m);
            break;
        }
        case SwfKind::Button:
            Button(id, m_movie.buttons[c->index], state, [&](const SwfButtonPart& part, std::size_t i) {
                Content(part.character, PartSprite(parts, i), m * part.matrix, nesting + 1, reach, box);
            });
            break;
        case SwfKind::Sprite:
            if (!sprite) break;
            if (sprite->drawn) {
                const SwfShape& drawn = sprite->drawn->Shape();
                double line = 0;
                for (const SwfStyles& styles : drawn.layers) line = std::max(line, HalfLine(styles));
                Edges(drawn.edges, line, m, box);
            }
            for (const auto& entry : sprite->list) {
                const Object& child = entry.second;
                if (child.clipDepth || !child.visible) continue;
                Extent part;
                Measure(child, m * child.matrix, nesting + 1, reach, part);
                if (reach && child.filters && !part.Empty()) {
                    const RasterRect r = FilterMargin(ScaledFilters(*child.filters, m_filterScale));
                    part.x0 -= r.left;
                    part.y0 -= r.top;
                    part.x1 += r.right;
                    part.y1 += r.bottom;
                }
                box.Add(part);
            }
            break;
        case SwfKind::EditText: {
            const SwfRect& r = m_movie.editTexts[c->index].shown.bounds;
            box.AddRect(r.xMin, r.yMin, r.xMax, r.yMax, m);
            break;
        }
        case SwfKind::Font: break;
        }
    }

    // The box of the edges (their control points hold the curves) grown by
    // half the widest line; drawn rather than declared bounds, which
    // movies do not always get right.
    void Edges(const std::vector<SwfEdge>& edges, double line, const SwfMatrix& m, Extent& box) {
        if (edges.empty() || !Spend(edges.size())) return;
        Extent local;
        for (const SwfEdge& e : edges) {
            local.Add(SwfPoint{double(e.x0), double(e.y0)});
            local.Add(SwfPoint{double(e.cx), double(e.cy)});
            local.Add(SwfPoint{double(e.x1), double(e.y1)});
        }
        if (!local.Empty()) box.AddRect(local.x0 - line, local.y0 - line, local.x1 + line, local.y1 + line, m);
    }

    static double HalfLine(const SwfStyles& styles) {
        double line = 0;
        for (const SwfLineStyle& l : styles.lines) line = std::max(line, l.width / 2.0);
        return line;
    }

    // The opaque background: the object's own bounding box, filled under it
    // in the colour (opaque, as the name says) with the object's transform.
    void Background(const Object& o, const SwfMatrix& m, const SwfColorTransform& cx, int nesting) {
        Extent local;
        Content(o.character, o.sprite.get(), SwfMatrix(), nesting, false, local, o.buttonState, PartsOf(o, o.buttonState));
        if (local.Empty() || !Spend(5)) return;
        const SwfPath device = SwfPath::Rectangle(local.x0, local.y0, local.x1, local.y1).Transformed(m);
        if (!Finite(device)) return;
        SwfColor color = *o.background;
        color.a = 255;
        SwfPaint paint;
        paint.color = cx.Apply(color);
        if (paint.color.a) m_canvas.Fill(device, false, paint);
    }

    // Filter work any drawing may do, however small its canvas (a few
    // milliseconds): a small picture may still show a heavy blur.
    static constexpr std::uint64_t kLeastLayerWork = std::uint64_t{1} << 26;

    // Passes over the layer's pixels a filter makes: a blur goes over each of
    // the four channel planes, across and down, once a pass; the others
    // blur the alpha alone, then colour and composite it.
    static std::uint64_t FilterCost(const RasterFilter& filter) {
        const auto passes = [](int n) { return static_cast<std::uint64_t>(std::clamp(n, 1, 15)); };
        return std::visit(
            [&](const auto& f) -> std::uint64_t {
                using T = std::decay_t<decltype(f)>;
                if constexpr (std::is_same_v<T, RasterColorMatrix>) {
                    return 2;
                } else if constexpr (std::is_same_v<T, RasterConvolution>) {
                    return 1 + static_cast<std::uint64_t>(std::clamp(f.matrixX, 0, 15) * std::clamp(f.matrixY, 0, 15));
                } else if constexpr (std::is_same_v<T, RasterBlur>) {
                    return 2 + 8 * passes(f.passes);
                } else {
                    return 4 + 2 * passes(f.passes);
                }
            },
            filter.params);
    }

    // Every expansion counts against the drawing's budget, drawn or not: a
    // button made of buttons draws nothing yet may fan out without end.
    bool Enter(int nesting) { return nesting < m_stage.m_limits.maxNesting && Spend(1); }

    // A button that lists itself among its parts (directly or through other
    // buttons) is not expanded again inside itself.
    bool Expanding(std::uint16_t id) const {
        return std::find(m_expanding.begin(), m_expanding.end(), id) != m_expanding.end();
    }

    template <typename Part>
    void Button(std::uint16_t id, const SwfButton& button, SwfButtonState state, Part part) {
        if (Expanding(id)) return;
        m_expanding.push_back(id);
        const auto& parts = state == SwfButtonState::Over   ? button.over
                            : state == SwfButtonState::Down ? button.down
                                                            : button.up;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (m_report.cut) break;
            part(parts[i], i);
        }
        m_expanding.pop_back();
    }

    // A character as drawn: a sprite's objects from its instance, a button's
    // parts in `state`, its sprites from the instances in `parts`.
    void Character(std::uint16_t id, const Instance* sprite, const SwfMatrix& m, const SwfColorTransform& cx,
                   std::uint16_t ratio, int nesting, SwfButtonState state = SwfButtonState::Up,
                   const Parts* parts = nullptr) {
        if (!Enter(nesting)) return;
        if (sprite && sprite->edit) {
            Text(sprite->edit->Shown(), m, cx, nullptr);
            return;
        }
        // An empty clip scripts made has no character: a sprite all the same.
        const SwfCharacter* c = m_movie.Find(id);
        if (!c && !sprite) return;
        switch (c ? c->kind : SwfKind::Sprite) {
        case SwfKind::Shape: Outline(m_stage.ShapeOutline(c->index), m_movie.shapes[c->index], m, cx); break;
        case SwfKind::Morph: {
            const SwfShape shape = MorphAt(m_movie.morphs[c->index], ratio / 65535.0);
            Outline(BuildOutline(shape), shape, m, cx);
            break;
        }
        case SwfKind::Sprite:
            if (sprite) List(*sprite, m, cx, nesting + 1);
            break;
        case SwfKind::Text: Text(m_movie.texts[c->index], m, cx, nullptr); break;
        case SwfKind::Button:
            Button(id, m_movie.buttons[c->index], state, [&](const SwfButtonPart& part, std::size_t i) {
                Character(part.character, PartSprite(parts, i), m * part.matrix, cx * part.colorTransform, 0, nesting + 1);
            });
            break;
        case SwfKind::Bitmap: {
            const SwfBitmap& bm = m_movie.bitmaps[c->index];
            SwfShape rect;
            rect.layers.emplace_back();
            SwfFillStyle fill;
            fill.kind = SwfFillKind::Bitmap;
            fill.bitmap = id;
            fill.matrix = SwfMatrix::Scale(20, 20);
            rect.layers[0].fills.push_back(fill);
            const std::int32_t w = bm.width * 20, h = bm.height * 20;
            const std::int32_t pts[5][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
            for (int i = 0; i < 4; ++i) {
                SwfEdge e;
                e.x0 = pts[i][0];
                e.y0 = pts[i][1];
                e.x1 = pts[i + 1][0];
                e.y1 = pts[i + 1][1];
                e.fill1 = 1;
                rect.edges.push_back(e);
            }
            Outline(BuildOutline(rect), rect, m, cx);
            break;
        }
        case SwfKind::EditText: Text(m_movie.editTexts[c->index].shown, m, cx, nullptr); break;
        case SwfKind::Font: break;
        }
    }

    // Text glyphs filled in their runs' colours, or added to a mask.
    void Text(const SwfText& text, const SwfMatrix& m, const SwfColorTransform& cx,
              std::vector<std::pair<SwfPath, bool>>* mask) {
        if ((text.border || text.background) && !mask && Spend(5)) {
            // A field's box: its background behind its text, a hairline border round it.
            const SwfRect& b = text.bounds;
            const SwfPath device = SwfPath::Rectangle(b.xMin, b.yMin, b.xMax, b.yMax).Transformed(m);
            if (Finite(device) && m.b == 0 && m.c == 0 && m.a > 0 && m.d > 0) {
                // Unturned, the box keeps to whole pixels as the reference
                // player draws it: its corner and size rounded (halves to
                // even), the frame the pixels along its left and top edges
                // and those just past its right and bottom ones.
                const double x0 = std::nearbyint(m.a * b.xMin + m.tx), y0 = std::nearbyint(m.d * b.yMin + m.ty);
                const double x1 = x0 + std::nearbyint(m.a * (b.xMax - b.xMin));
                const double y1 = y0 + std::nearbyint(m.d * (b.yMax - b.yMin));
                SwfPaint paint;
                paint.color = cx.Apply(text.backgroundColor);
                if (text.background) m_canvas.Fill(SwfPath::Rectangle(x0, y0, x1, y1), false, paint);
                paint.color = cx.Apply(text.borderColor);
                if (text.border) {
                    m_canvas.Fill(SwfPath::Rectangle(x0, y0, x1, y0 + 1), false, paint);
                    m_canvas.Fill(SwfPath::Rectangle(x0, y1, x1, y1 + 1), false, paint);
                    m_canvas.Fill(SwfPath::Rectangle(x0, y0 + 1, x0 + 1, y1), false, paint);
                    m_canvas.Fill(SwfPath::Rectangle(x1, y0, x1 + 1, y1), false, paint);
                }
            } else if (Finite(device)) {
                SwfPaint paint;
                paint.color = cx.Apply(text.backgroundColor);
                if (text.background) m_canvas.Fill(device, false, paint);
                paint.color = cx.Apply(text.borderColor);
                SwfStroke stroke;
                stroke.width = m_hairline;
                stroke.hairline = true;
                stroke.join = SwfJoin::Miter;
                if (text.border) m_canvas.Stroke(device, stroke, paint);
            }
        }
        const SwfMatrix tm = m * text.matrix;
        for (const SwfTextRun& run : text.runs) {
            const SwfCharacter* fc = m_movie.Find(run.font);
            if (!fc || fc->kind != SwfKind::Font) continue;
            const SwfFont& font = m_movie.fonts[fc->index];
            const double scale = run.height / font.emSquare;
            for (const SwfGlyph& g : run.glyphs) {
                if (g.index >= font.glyphs.size() || m_report.cut) continue;
                const SwfOutline& outline = m_stage.GlyphOutline(fc->index, g.index);
                const SwfMatrix gm = tm * SwfMatrix::Translate(g.x, run.y) * SwfMatrix::Scale(scale, scale);
                for (const SwfOutlineLayer& layer : outline.layers) {
                    if (layer.line || !Spend(layer.path.points.size())) continue;
                    SwfPath path = layer.path.Transformed(gm);
                    if (!Finite(path)) continue;
                    if (mask) {
                        mask->emplace_back(std::move(path), outline.nonZero);
                        continue;
                    }
                    SwfPaint paint;
                    paint.color = cx.Apply(run.color);
                    m_canvas.Fill(path, outline.nonZero, paint);
                    ++m_report.objects;
                }
            }
        }
    }

    void Mask(std::uint16_t id, const Instance* sprite, const SwfMatrix& m, std::uint16_t ratio, int nesting,
              std::vector<std::pair<SwfPath, bool>>& paths, const Parts* parts = nullptr) {
        if (!Enter(nesting)) return;
        if (sprite && sprite->edit) {
            Text(sprite->edit->Shown(), m, SwfColorTransform(), &paths);
            return;
        }
        const SwfCharacter* c = m_movie.Find(id);
        if (!c && !sprite) return;
        auto addFills = [&](const SwfOutline& outline) {
            for (const SwfOutlineLayer& layer : outline.layers) {
                if (layer.line || !Spend(layer.path.points.size())) continue;
                SwfPath path = layer.path.Transformed(m);
                if (Finite(path)) paths.emplace_back(std::move(path), outline.nonZero);
            }
        };
        switch (c ? c->kind : SwfKind::Sprite) {
        case SwfKind::Shape: addFills(m_stage.ShapeOutline(c->index)); break;
        case SwfKind::Morph: addFills(BuildOutline(MorphAt(m_movie.morphs[c->index], ratio / 65535.0))); break;
        case SwfKind::Text: Text(m_movie.texts[c->index], m, SwfColorTransform(), &paths); break;
        case SwfKind::EditText: Text(m_movie.editTexts[c->index].shown, m, SwfColorTransform(), &paths); break;
        case SwfKind::Sprite:
            if (sprite && sprite->drawn) addFills(sprite->drawn->Outline());
            if (sprite)
                for (const auto& entry : sprite->list)
                    Mask(entry.second.character, entry.second.sprite.get(), m * entry.second.matrix, entry.second.ratio,
                         nesting + 1, paths, PartsOf(entry.second, SwfButtonState::Up));
            break;
        case SwfKind::Button:
            Button(id, m_movie.buttons[c->index], SwfButtonState::Up, [&](const SwfButtonPart& part, std::size_t i) {
                Mask(part.character, PartSprite(parts, i), m * part.matrix, 0, nesting + 1, paths);
            });
            break;
        default: break;
        }
    }

    // Matrices multiplied deep enough can overflow; such a path is not drawn.
    static bool Finite(const SwfPath& path) {
        for (const SwfPoint& p : path.points)
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > 1e9 || std::fabs(p.y) > 1e9) return false;
        return true;
    }

    // The canvas rectangle a path covers, widened by `margin` pixels.
    bool Bounds(const SwfPath& path, double margin, SwfLayerRect& px) const {
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (const SwfPoint& p : path.points) {
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
            y1 = std::max(y1, p.y);
        }
        // Within the layer drawn on, which may reach past the canvas.
        const double ax0 = m_area.x, ay0 = m_area.y;
        const double ax1 = ax0 + m_area.width, ay1 = ay0 + m_area.height;
        px.x = static_cast<int>(std::clamp(std::floor(x0 - margin), ax0, ax1));
        px.y = static_cast<int>(std::clamp(std::floor(y0 - margin), ay0, ay1));
        px.width = static_cast<int>(std::clamp(std::ceil(x1 + margin), ax0, ax1)) - px.x;
        px.height = static_cast<int>(std::clamp(std::ceil(y1 + margin), ay0, ay1)) - px.y;
        return px.width > 0 && px.height > 0;
    }

    // The paint of a fill style; false when it draws nothing.
    bool Paint(const SwfFillStyle& fill, const SwfMatrix& m, const SwfColorTransform& cx, const SwfPath& path,
               double margin, SwfPaint& paint) {
        switch (fill.kind) {
        case SwfFillKind::Solid:
            paint.kind = SwfPaint::Kind::Solid;
            paint.color = cx.Apply(fill.color);
            return paint.color.a != 0;
        case SwfFillKind::Linear:
        case SwfFillKind::Radial:
        case SwfFillKind::Focal: {
            SwfLayerRect pixels;
            if (!Bounds(path, margin, pixels)) return false;
            const std::uint64_t area = static_cast<std::uint64_t>(pixels.width) * pixels.height;
            m_gradientPixels += area;
            // The cap grows with the canvas: a larger picture has more pixels to shade.
            const std::uint64_t cap = std::max<std::uint64_t>(m_stage.m_limits.maxGradientPixels,
                                                              16ull * static_cast<std::uint64_t>(m_width) * m_height);
            if (m_gradientPixels > cap) {
                m_report.cut = true;
                return false;
            }
            paint.kind = SwfPaint::Kind::Gradient;
            paint.gradient = &fill;
            paint.matrix = m * fill.matrix;
            paint.colorTransform = cx;
            return true;
        }
        case SwfFillKind::Bitmap: {
            const SwfCharacter* c = fill.image ? nullptr : m_movie.Find(fill.bitmap);
            if (!fill.image && (!c || c->kind != SwfKind::Bitmap)) return false;
            paint.kind = SwfPaint::Kind::Bitmap;
            paint.bitmap = fill.image ? fill.image.get() : &m_movie.bitmaps[c->index];
            paint.matrix = m * fill.matrix;
            paint.repeat = fill.repeat;
            paint.smooth = fill.smooth;
            paint.colorTransform = cx;
            return true;
        }
        }
        return false;
    }

    // The canvas rectangle of the fills of one style layer from `first` on,
    // when there are two or more of them (they meet along shared edges);
    // false otherwise.
    bool FillGroup(const SwfOutline& outline, std::size_t first, const SwfMatrix& m, SwfLayerRect& rect) const {
        Extent local;
        std::size_t fills = 0;
        for (std::size_t i = first; i < outline.layers.size(); ++i) {
            const SwfOutlineLayer& layer = outline.layers[i];
            if (layer.line || layer.layer != outline.layers[first].layer) break;
            for (const SwfPoint& p : layer.path.points) local.Add(p);
            ++fills;
        }
        if (fills < 2 || local.Empty()) return false;
        Extent device;
        device.AddRect(local.x0, local.y0, local.x1, local.y1, m);
        if (device.Empty()) return false;
        // A pixel more each side for anti-aliasing; within the area drawn on.
        const double x0 = std::max(std::floor(device.x0) - 2, static_cast<double>(m_area.x));
        const double y0 = std::max(std::floor(device.y0) - 2, static_cast<double>(m_area.y));
        const double x1 = std::min(std::ceil(device.x1) + 2, static_cast<double>(m_area.x) + m_area.width);
        const double y1 = std::min(std::ceil(device.y1) + 2, static_cast<double>(m_area.y) + m_area.height);
        if (!(x0 < x1 && y0 < y1)) return false;
        rect = {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
        return true;
    }

    // The fills of a style layer go to the canvas as a group, last first: a
    // later fill covers an earlier one where they overlap, and where they
    // only meet their coverages add up. Lines follow the fills they stroke.
    void Outline(const SwfOutline& outline, const SwfShape& shape, const SwfMatrix& m, const SwfColorTransform& cx) {
        for (std::size_t i = 0; i < outline.layers.size();) {
            std::size_t fills = 0;
            while (i + fills < outline.layers.size() && !outline.layers[i + fills].line &&
                   outline.layers[i + fills].layer == outline.layers[i].layer)
                ++fills;
            SwfLayerRect rect;
            if (fills >= 2 && !m_report.cut && FillGroup(outline, i, m, rect)) {
                m_canvas.BeginFills(rect);
                for (std::size_t j = i + fills; j-- > i;) OutlineLayer(outline, outline.layers[j], shape, m, cx);
                m_canvas.EndFills();
                i += fills;
                continue;
            }
            OutlineLayer(outline, outline.layers[i], shape, m, cx);
            ++i;
        }
    }

    void OutlineLayer(const SwfOutline& outline, const SwfOutlineLayer& layer, const SwfShape& shape,
                      const SwfMatrix& m, const SwfColorTransform& cx) {
        if (layer.layer >= shape.layers.size() || !Spend(layer.path.points.size())) return;
        const SwfStyles& styles = shape.layers[layer.layer];
        SwfPath& path = m_path;
        layer.path.TransformInto(m, path);
        if (!Finite(path)) return;
        SwfPaint paint;
        if (!layer.line) {
            if (layer.style > styles.fills.size()) return;
            if (!Paint(styles.fills[layer.style - 1], m, cx, path, 1, paint)) return;
            m_canvas.Fill(path, outline.nonZero, paint);
            ++m_report.objects;
            return;
        }
        if (layer.style > styles.lines.size()) return;
        const SwfLineStyle& line = styles.lines[layer.style - 1];
        SwfStroke stroke;
        // The pen follows the object's scale as its scale mode says; a line
        // never gets thinner than a pixel, and one drawn that thin is a
        // hairline.
        const SwfMatrix pen = SwfLinePen(line, m, m_view.MeanScale());
        const double sx = pen.ScaleX(), sy = pen.ScaleY();
        const bool uneven = std::fabs(sx - sy) > 1e-3 * std::max(sx, sy) ||
                            std::fabs(pen.a * pen.c + pen.b * pen.d) > 1e-3 * sx * sy;
        if (uneven && std::fabs(pen.a * pen.d - pen.b * pen.c) > 1e-12) {
            // Stroked in the pen's space; the thinnest line is a pixel wide
            // along the axis scaled most.
            const double most = std::max(sx, sy);
            stroke.local = true;
            stroke.space = pen;
            stroke.width = std::clamp(static_cast<double>(line.width), m_hairline / most, 8192.0 * m_hairline / most);
            stroke.hairline = !(line.width * most > m_hairline);
        } else {
            const double scale = pen.MeanScale();
            stroke.width = std::clamp(line.width * scale, m_hairline, 8192.0 * m_hairline);
            stroke.hairline = !(line.width * scale > m_hairline);
        }
        if (!std::isfinite(stroke.width)) return;
        stroke.startCap = line.startCap;
        stroke.endCap = line.endCap;
        stroke.join = line.join;
        stroke.miterLimit = line.miterLimit;
        if (line.hasFill) {
            if (!Paint(line.fill, m, cx, path, stroke.width, paint)) return;
        } else {
            paint.color = cx.Apply(line.color);
            if (paint.color.a == 0) return;
        }
        m_canvas.Stroke(path, stroke, paint);
        ++m_report.objects;
    }

    SwfStage& m_stage;
    const SwfMovie& m_movie;
    SwfCanvas& m_canvas;
    SwfMatrix m_view;
    int m_width, m_height;
    double m_hairline;
    SwfDrawReport m_report;
    SwfPath m_path;  // the outline layer being drawn, in the canvas's pixels
    std::uint64_t m_points = 0;
    std::uint64_t m_gradientPixels = 0;
    std::uint64_t m_calls = 0;
    double m_filterScale;         // canvas pixels to a stage pixel, for filter sizes
    SwfLayerRect m_area;          // the canvas, or the layer drawn on
    int m_layers = 0;             // layers pushed and not yet popped
    std::uint64_t m_layerPixels = 0, m_layerWork = 0, m_maskWork = 0;
    std::uint64_t m_liveBytes = 0;  // of the layers and masks open now
    std::vector<std::uint16_t> m_expanding;  // the buttons being expanded, outermost first
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

SwfDrawReport SwfStage::Draw(SwfCanvas& canvas, const SwfMatrix& view, int width, int height, double hairline) {
    SwfDrawing drawing(*this, canvas, view, width, height, hairline);
    SwfDrawReport report = drawing.Run();
    if (m_capped) report.cut = true;
    return report;
}

}  // namespace fh
