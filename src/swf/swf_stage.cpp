#include "swf/swf_stage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>

namespace fh {

struct SwfStage::Object {
    std::uint16_t character = 0;
    SwfMatrix matrix;
    SwfColorTransform colorTransform;
    std::uint16_t ratio = 0;
    std::uint16_t clipDepth = 0;
    std::unique_ptr<Instance> sprite;
};

struct SwfStage::Instance {
    const SwfTimeline* timeline = nullptr;
    int frame = 0;  // 0-based, the frame last executed
    std::map<std::uint16_t, Object> list;
};

SwfStage::SwfStage(std::shared_ptr<const SwfMovie> movie, const SwfStageLimits& limits)
    : m_movie(std::move(movie)), m_limits(limits) {
    m_shapeOutlines.resize(m_movie->shapes.size());
    m_glyphOutlines.resize(m_movie->fonts.size());
    for (std::size_t i = 0; i < m_movie->fonts.size(); ++i) m_glyphOutlines[i].resize(m_movie->fonts[i].glyphs.size());
    Restart();
}

SwfStage::~SwfStage() = default;

void SwfStage::Restart() {
    m_root = std::make_unique<Instance>();
    m_root->timeline = &m_movie->root;
    m_objects = 0;
    m_capped = false;
    m_background = SwfColor{255, 255, 255, 255};
    m_changed = true;
    Execute(*m_root, 0, 0);
}

int SwfStage::Frame() const { return m_root->frame + 1; }
int SwfStage::FrameCount() const { return std::max<int>(1, static_cast<int>(m_movie->root.frames.size())); }

bool SwfStage::Stopped() const {
    const auto& frames = m_movie->root.frames;
    return m_root->frame < static_cast<int>(frames.size()) && frames[m_root->frame].stop;
}

void SwfStage::Advance(bool pastStops) {
    StepChildren(*m_root, 0);
    const int frames = static_cast<int>(m_movie->root.frames.size());
    if (frames <= 1 || (!pastStops && Stopped())) return;
    if (m_root->frame + 1 >= frames) {
        Restart();
        return;
    }
    Execute(*m_root, m_root->frame + 1, 0);
}

void SwfStage::StepChildren(Instance& instance, int nesting) {
    for (auto& entry : instance.list)
        if (entry.second.sprite) StepSprite(*entry.second.sprite, nesting + 1);
}

// A sprite's own sprites move on first, then its next frame runs; after its
// last frame it starts again from a fresh list.
void SwfStage::StepSprite(Instance& sprite, int nesting) {
    StepChildren(sprite, nesting);
    const auto& frames = sprite.timeline->frames;
    const int count = static_cast<int>(frames.size());
    if (count <= 1 || (sprite.frame < count && frames[sprite.frame].stop)) return;
    if (sprite.frame + 1 >= count) {
        for (const auto& entry : sprite.list) Release(entry.second);
        m_changed = m_changed || !sprite.list.empty();
        sprite.list.clear();
        Execute(sprite, 0, nesting);
    } else {
        Execute(sprite, sprite.frame + 1, nesting);
    }
}

void SwfStage::Release(const Object& object) {
    m_objects -= std::min<std::uint32_t>(m_objects, 1);
    if (object.sprite)
        for (const auto& entry : object.sprite->list) Release(entry.second);
}

void SwfStage::PlaceCharacter(Object& object, std::uint16_t character, int nesting) {
    object.character = character;
    if (object.sprite)
        for (const auto& entry : object.sprite->list) Release(entry.second);
    object.sprite.reset();
    const SwfCharacter* c = m_movie->Find(character);
    if (!c || c->kind != SwfKind::Sprite) return;
    if (nesting + 1 >= m_limits.maxNesting) {
        m_capped = true;
        return;
    }
    object.sprite = std::make_unique<Instance>();
    object.sprite->timeline = &m_movie->sprites[c->index];
    Execute(*object.sprite, 0, nesting + 1);
}

void SwfStage::Execute(Instance& instance, int frame, int nesting) {
    instance.frame = frame;
    if (frame >= static_cast<int>(instance.timeline->frames.size())) return;
    if (!instance.timeline->frames[frame].tags.empty()) m_changed = true;
    for (const SwfControl& tag : instance.timeline->frames[frame].tags) {
        const SwfPlace& p = tag.place;
        switch (tag.kind) {
        case SwfControl::Kind::Background:
            if (&instance == m_root.get()) m_background = tag.color;
            break;
        case SwfControl::Kind::Remove: {
            auto it = instance.list.find(p.depth);
            if (it != instance.list.end()) {
                Release(it->second);
                instance.list.erase(it);
            }
            break;
        }
        case SwfControl::Kind::Place: {
            auto it = instance.list.find(p.depth);
            Object* object = nullptr;
            if (it != instance.list.end()) {
                if (!p.move) break;  // the depth is taken: a plain placement is ignored
                object = &it->second;
                if (p.character && *p.character != object->character) PlaceCharacter(*object, *p.character, nesting);
            } else {
                if (!p.character) break;  // nothing there to move
                if (m_objects >= m_limits.maxObjects) {
                    m_capped = true;
                    break;
                }
                ++m_objects;
                object = &instance.list[p.depth];
                PlaceCharacter(*object, *p.character, nesting);
            }
            if (p.matrix) object->matrix = *p.matrix;
            if (p.colorTransform) object->colorTransform = *p.colorTransform;
            if (p.ratio) object->ratio = *p.ratio;
            if (p.clipDepth) object->clipDepth = *p.clipDepth;
            break;
        }
        }
    }
}

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

namespace {

double Srgb(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double FromLinear(double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }

// The 256 colours of a gradient, premultiplied.
void GradientTable(const SwfGradient& g, const SwfColorTransform& cx, std::uint32_t (&table)[256]) {
    std::vector<SwfGradientStop> stops = g.stops;
    if (stops.empty()) stops.push_back({0, SwfColor{0, 0, 0, 0}});
    for (auto& s : stops) s.color = cx.Apply(s.color);
    for (int i = 0; i < 256; ++i) {
        std::size_t k = 0;
        while (k < stops.size() && stops[k].ratio < i) ++k;
        SwfColor c;
        if (k == 0) {
            c = stops.front().color;
        } else if (k == stops.size()) {
            c = stops.back().color;
        } else {
            const SwfGradientStop& a = stops[k - 1];
            const SwfGradientStop& b = stops[k];
            const double t = b.ratio == a.ratio ? 1.0 : (i - a.ratio) / static_cast<double>(b.ratio - a.ratio);
            auto mix = [&](std::uint8_t x, std::uint8_t y) {
                double v;
                if (g.linearRgb) v = FromLinear(Srgb(x / 255.0) + (Srgb(y / 255.0) - Srgb(x / 255.0)) * t) * 255;
                else v = x + (y - x) * t;
                return static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
            };
            c = {mix(a.color.r, b.color.r), mix(a.color.g, b.color.g), mix(a.color.b, b.color.b),
                 static_cast<std::uint8_t>(std::clamp(a.color.a + (b.color.a - a.color.a) * t + 0.5, 0.0, 255.0))};
        }
        const std::uint32_t al = c.a;
        table[i] = (al << 24) | ((c.r * al + 127) / 255 << 16) | ((c.g * al + 127) / 255 << 8) | ((c.b * al + 127) / 255);
    }
}

double Spread(double t, SwfSpread spread) {
    if (!std::isfinite(t)) return 1;
    switch (spread) {
    case SwfSpread::Pad: return std::clamp(t, 0.0, 1.0);
    case SwfSpread::Repeat: return t - std::floor(t);
    case SwfSpread::Reflect: {
        const double m = std::fmod(std::fabs(t), 2.0);
        return m > 1 ? 2 - m : m;
    }
    }
    return t;
}

}  // namespace

void RenderGradient(const SwfFillStyle& fill, const SwfMatrix& toCanvas, const SwfColorTransform& cx, SwfPixels& out) {
    out.argb.assign(static_cast<std::size_t>(std::max(0, out.width)) * static_cast<std::size_t>(std::max(0, out.height)), 0);
    SwfMatrix inverse;
    if (out.argb.empty() || !toCanvas.Invert(inverse)) return;
    std::uint32_t table[256];
    GradientTable(fill.gradient, cx, table);
    const double focal = fill.kind == SwfFillKind::Focal ? fill.gradient.focal : 0;
    for (int row = 0; row < out.height; ++row) {
        for (int col = 0; col < out.width; ++col) {
            const SwfPoint g = inverse.Apply(out.x + col + 0.5, out.y + row + 0.5);
            const double gx = g.x / 16384.0, gy = g.y / 16384.0;
            double t;
            if (fill.kind == SwfFillKind::Linear) {
                t = (gx + 1) / 2;
            } else if (focal == 0) {
                t = std::sqrt(gx * gx + gy * gy);
            } else {
                // Where the ray from the focal point through this point meets
                // the unit circle gives the distance that counts as 1.
                const double dx = gx - focal, dy = gy;
                const double len = std::sqrt(dx * dx + dy * dy);
                if (len < 1e-9) {
                    t = 0;
                } else {
                    const double ux = dx / len;
                    const double b = focal * ux;
                    const double s = -b + std::sqrt(b * b - (focal * focal - 1));
                    t = len / s;
                }
            }
            t = Spread(t, fill.gradient.spread);
            out.argb[static_cast<std::size_t>(row) * out.width + col] = table[static_cast<int>(t * 255 + 0.5)];
        }
    }
}

// One drawing of a frame: walks the display list with the matrices and
// colour transforms of each level, counting its work against the caps.
class SwfDrawing {
public:
    SwfDrawing(SwfStage& stage, SwfCanvas& canvas, const SwfMatrix& view, int width, int height, double hairline)
        : m_stage(stage), m_movie(*stage.m_movie), m_canvas(canvas), m_view(view), m_width(width), m_height(height),
          m_hairline(hairline) {}

    SwfDrawReport Run() {
        m_canvas.Clear(m_stage.m_background);
        List(*m_stage.m_root, m_view, SwfColorTransform(), 0);
        return m_report;
    }

private:
    using Instance = SwfStage::Instance;
    using Object = SwfStage::Object;

    bool Spend(std::size_t points) {
        if (m_report.cut) return false;
        m_points += points;
        if (m_points > m_stage.m_limits.maxPoints) {
            m_report.cut = true;
            return false;
        }
        // The clock is read now and then: a drawing past its time ends where it is.
        if (m_stage.m_limits.maxDrawMs > 0 && ++m_calls % 64 == 0 &&
            std::chrono::steady_clock::now() - m_start > std::chrono::milliseconds(m_stage.m_limits.maxDrawMs)) {
            m_report.cut = true;
            return false;
        }
        return true;
    }

    void List(const Instance& instance, const SwfMatrix& m, const SwfColorTransform& cx, int nesting) {
        std::vector<std::uint16_t> clips;  // clip depths of the masks in force
        for (const auto& entry : instance.list) {
            while (!clips.empty() && entry.first > clips.back()) {
                m_canvas.PopClip();
                clips.pop_back();
            }
            const Object& o = entry.second;
            const SwfMatrix om = m * o.matrix;
            if (o.clipDepth) {
                std::vector<std::pair<SwfPath, bool>> paths;
                Mask(o.character, o.sprite.get(), om, o.ratio, nesting, paths);
                m_canvas.PushClip(paths);
                clips.push_back(o.clipDepth);
                continue;
            }
            Character(o.character, o.sprite.get(), om, cx * o.colorTransform, o.ratio, nesting);
        }
        for (std::size_t i = 0; i < clips.size(); ++i) m_canvas.PopClip();
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
    void Button(std::uint16_t id, const SwfButton& button, Part part) {
        if (Expanding(id)) return;
        m_expanding.push_back(id);
        for (const SwfButtonPart& p : button.up) {
            if (m_report.cut) break;
            part(p);
        }
        m_expanding.pop_back();
    }

    void Character(std::uint16_t id, const Instance* sprite, const SwfMatrix& m, const SwfColorTransform& cx,
                   std::uint16_t ratio, int nesting) {
        if (!Enter(nesting)) return;
        const SwfCharacter* c = m_movie.Find(id);
        if (!c) return;
        switch (c->kind) {
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
            Button(id, m_movie.buttons[c->index], [&](const SwfButtonPart& part) {
                Character(part.character, nullptr, m * part.matrix, cx * part.colorTransform, 0, nesting + 1);
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
        case SwfKind::Font:
        case SwfKind::EditText: break;
        }
    }

    // Text glyphs filled in their runs' colours, or added to a mask.
    void Text(const SwfText& text, const SwfMatrix& m, const SwfColorTransform& cx,
              std::vector<std::pair<SwfPath, bool>>* mask) {
        if (text.border && !mask && Spend(5)) {
            // A bordered field: white behind its text, a black hairline round it.
            const SwfRect& b = text.bounds;
            SwfPath frame;
            frame.MoveTo(b.xMin, b.yMin);
            frame.LineTo(b.xMax, b.yMin);
            frame.LineTo(b.xMax, b.yMax);
            frame.LineTo(b.xMin, b.yMax);
            frame.ClosePath();
            const SwfPath device = frame.Transformed(m);
            if (Finite(device)) {
                SwfPaint paint;
                paint.color = cx.Apply(SwfColor{255, 255, 255, 255});
                m_canvas.Fill(device, false, paint);
                paint.color = cx.Apply(SwfColor{0, 0, 0, 255});
                SwfStroke stroke;
                stroke.width = m_hairline;
                stroke.join = SwfJoin::Miter;
                m_canvas.Stroke(device, stroke, paint);
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
              std::vector<std::pair<SwfPath, bool>>& paths) {
        if (!Enter(nesting)) return;
        const SwfCharacter* c = m_movie.Find(id);
        if (!c) return;
        auto addFills = [&](const SwfOutline& outline) {
            for (const SwfOutlineLayer& layer : outline.layers) {
                if (layer.line || !Spend(layer.path.points.size())) continue;
                SwfPath path = layer.path.Transformed(m);
                if (Finite(path)) paths.emplace_back(std::move(path), outline.nonZero);
            }
        };
        switch (c->kind) {
        case SwfKind::Shape: addFills(m_stage.ShapeOutline(c->index)); break;
        case SwfKind::Morph: addFills(BuildOutline(MorphAt(m_movie.morphs[c->index], ratio / 65535.0))); break;
        case SwfKind::Text: Text(m_movie.texts[c->index], m, SwfColorTransform(), &paths); break;
        case SwfKind::Sprite:
            if (sprite)
                for (const auto& entry : sprite->list)
                    Mask(entry.second.character, entry.second.sprite.get(), m * entry.second.matrix, entry.second.ratio,
                         nesting + 1, paths);
            break;
        case SwfKind::Button:
            Button(id, m_movie.buttons[c->index], [&](const SwfButtonPart& part) {
                Mask(part.character, nullptr, m * part.matrix, 0, nesting + 1, paths);
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
    bool Bounds(const SwfPath& path, double margin, SwfPixels& px) const {
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (const SwfPoint& p : path.points) {
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
            y1 = std::max(y1, p.y);
        }
        px.x = static_cast<int>(std::clamp(std::floor(x0 - margin), 0.0, static_cast<double>(m_width)));
        px.y = static_cast<int>(std::clamp(std::floor(y0 - margin), 0.0, static_cast<double>(m_height)));
        px.width = static_cast<int>(std::clamp(std::ceil(x1 + margin), 0.0, static_cast<double>(m_width))) - px.x;
        px.height = static_cast<int>(std::clamp(std::ceil(y1 + margin), 0.0, static_cast<double>(m_height))) - px.y;
        return px.width > 0 && px.height > 0;
    }

    // The paint of a fill style; false when it draws nothing.
    bool Paint(const SwfFillStyle& fill, const SwfMatrix& m, const SwfColorTransform& cx, const SwfPath& path,
               double margin, SwfPixels& pixels, SwfPaint& paint) {
        switch (fill.kind) {
        case SwfFillKind::Solid:
            paint.kind = SwfPaint::Kind::Solid;
            paint.color = cx.Apply(fill.color);
            return paint.color.a != 0;
        case SwfFillKind::Linear:
        case SwfFillKind::Radial:
        case SwfFillKind::Focal: {
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
            RenderGradient(fill, m * fill.matrix, cx, pixels);
            paint.kind = SwfPaint::Kind::Pixels;
            paint.pixels = &pixels;
            return true;
        }
        case SwfFillKind::Bitmap: {
            const SwfCharacter* c = m_movie.Find(fill.bitmap);
            if (!c || c->kind != SwfKind::Bitmap) return false;
            paint.kind = SwfPaint::Kind::Bitmap;
            paint.bitmap = &m_movie.bitmaps[c->index];
            paint.matrix = m * fill.matrix;
            paint.repeat = fill.repeat;
            paint.smooth = fill.smooth;
            paint.colorTransform = cx;
            return true;
        }
        }
        return false;
    }

    void Outline(const SwfOutline& outline, const SwfShape& shape, const SwfMatrix& m, const SwfColorTransform& cx) {
        const double viewScale = m_view.MeanScale();
        for (const SwfOutlineLayer& layer : outline.layers) {
            if (layer.layer >= shape.layers.size() || !Spend(layer.path.points.size())) continue;
            const SwfStyles& styles = shape.layers[layer.layer];
            const SwfPath path = layer.path.Transformed(m);
            if (!Finite(path)) continue;
            SwfPixels pixels;
            SwfPaint paint;
            if (!layer.line) {
                if (layer.style > styles.fills.size()) continue;
                if (!Paint(styles.fills[layer.style - 1], m, cx, path, 1, pixels, paint)) continue;
                m_canvas.Fill(path, outline.nonZero, paint);
                ++m_report.objects;
                continue;
            }
            if (layer.style > styles.lines.size()) continue;
            const SwfLineStyle& line = styles.lines[layer.style - 1];
            SwfStroke stroke;
            // Widths follow the object's scale unless the style opts out; a
            // line never gets thinner than a pixel.
            const double scale = (line.noHScale || line.noVScale) ? viewScale : m.MeanScale();
            stroke.width = std::clamp(line.width * scale, m_hairline, 8192.0 * m_hairline);
            if (!std::isfinite(stroke.width)) continue;
            stroke.startCap = line.startCap;
            stroke.endCap = line.endCap;
            stroke.join = line.join;
            stroke.miterLimit = line.miterLimit;
            if (line.hasFill) {
                if (!Paint(line.fill, m, cx, path, stroke.width, pixels, paint)) continue;
            } else {
                paint.color = cx.Apply(line.color);
                if (paint.color.a == 0) continue;
            }
            m_canvas.Stroke(path, stroke, paint);
            ++m_report.objects;
        }
    }

    SwfStage& m_stage;
    const SwfMovie& m_movie;
    SwfCanvas& m_canvas;
    SwfMatrix m_view;
    int m_width, m_height;
    double m_hairline;
    SwfDrawReport m_report;
    std::uint64_t m_points = 0;
    std::uint64_t m_gradientPixels = 0;
    std::uint64_t m_calls = 0;
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
