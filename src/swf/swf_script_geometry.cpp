// Geometry for scripts: what scripts draw on a clip, a clip's box as its
// content gives it, its transform to the stage, and hit tests. A box is
// that of the content each level down, taken through the child's matrix as
// a rectangle, as Flash measures clips (a turned child's box grows).

#include <algorithm>
#include <cmath>

#include "swf/swf_display_list.h"

namespace fh {

namespace {

// The pixels all scripts' bitmap fills may keep on one stage, and how many
// fills (a script may fill with a tiny bitmap in a loop).
constexpr std::uint64_t kMaxKeptBytes = 64u << 20;
constexpr std::size_t kMaxKeptBitmaps = 4096;

void AddRect(SwfBox& box, const SwfBox& r, const SwfMatrix& m) {
    if (r.Empty()) return;
    const SwfPoint corners[4] = {m.Apply(r.xMin, r.yMin), m.Apply(r.xMax, r.yMin), m.Apply(r.xMax, r.yMax),
                                 m.Apply(r.xMin, r.yMax)};
    for (const SwfPoint& p : corners) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        box.xMin = std::min(box.xMin, p.x);
        box.yMin = std::min(box.yMin, p.y);
        box.xMax = std::max(box.xMax, p.x);
        box.yMax = std::max(box.yMax, p.y);
    }
}

SwfBox BoxOf(const SwfRect& r) {
    return {static_cast<double>(r.xMin), static_cast<double>(r.yMin), static_cast<double>(r.xMax),
            static_cast<double>(r.yMax)};
}

SwfBox EdgesBox(const std::vector<SwfEdge>& edges) {
    SwfBox box;
    for (const SwfEdge& e : edges) {
        for (const double x : {e.x0, e.cx, e.x1}) {
            box.xMin = std::min(box.xMin, x);
            box.xMax = std::max(box.xMax, x);
        }
        for (const double y : {e.y0, e.cy, e.y1}) {
            box.yMin = std::min(box.yMin, y);
            box.yMax = std::max(box.yMax, y);
        }
    }
    return box;
}

}  // namespace

SwfDrawnShape* SwfStage::TimelineDrawing(SwfTimelineId id) {
    Instance* instance = Timeline(id);
    if (!instance || instance->edit) return nullptr;
    if (!m_drawnPool) {
        m_drawnPool = std::make_shared<SwfDrawnPool>();
        m_drawnPool->max = m_limits.maxPoints;
    }
    if (!instance->drawn) instance->drawn = std::make_unique<SwfDrawnShape>(m_drawnPool);
    return instance->drawn.get();
}

std::shared_ptr<const SwfBitmap> SwfStage::KeepBitmap(int width, int height, const std::vector<std::uint8_t>& rgba) {
    if (width <= 0 || height <= 0) return nullptr;
    const std::uint64_t count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (rgba.size() / 4 < count || m_keptBytes + count * 4 > kMaxKeptBytes || m_keptBitmaps.size() >= kMaxKeptBitmaps)
        return nullptr;
    auto bitmap = std::make_shared<SwfBitmap>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->pixels.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < bitmap->pixels.size(); ++i) {
        const std::uint8_t* p = &rgba[i * 4];
        const std::uint32_t a = p[3];
        auto pre = [&](std::uint32_t v) { return (v * a + 127) / 255; };
        bitmap->pixels[i] = a << 24 | pre(p[0]) << 16 | pre(p[1]) << 8 | pre(p[2]);
    }
    m_keptBytes += count * 4;
    m_keptBitmaps.push_back(bitmap);
    return bitmap;
}

void SwfStage::AddCharacterBounds(const Object& o, const SwfMatrix& m, SwfBox& box, int nesting, BoundsWalk& walk) {
    if (o.sprite) {
        if (o.sprite->edit) {
            AddRect(box, BoxOf(o.sprite->edit->Shown().bounds), m);
        } else {
            SwfBox inner;
            AddBounds(*o.sprite, SwfMatrix(), inner, nesting + 1, walk);
            AddRect(box, inner, m);
        }
        return;
    }
    const SwfCharacter* c = m_movie->Find(o.character);
    if (!c) return;
    switch (c->kind) {
    case SwfKind::Shape: {
        const SwfShape& shape = m_movie->shapes[c->index];
        AddRect(box, walk.strokes ? BoxOf(shape.bounds) : EdgesBox(shape.edges), m);
        break;
    }
    case SwfKind::Morph: {
        const SwfMorphShape& morph = m_movie->morphs[c->index];
        AddRect(box, EdgesBox(morph.startEdges), m);
        AddRect(box, EdgesBox(morph.endEdges), m);
        break;
    }
    case SwfKind::Text: AddRect(box, BoxOf(m_movie->texts[c->index].bounds), m); break;
    case SwfKind::EditText: AddRect(box, BoxOf(m_movie->editTexts[c->index].shown.bounds), m); break;
    case SwfKind::Bitmap: {
        const SwfBitmap& bm = m_movie->bitmaps[c->index];
        AddRect(box, SwfBox{0, 0, bm.width * 20.0, bm.height * 20.0}, m);
        break;
    }
    case SwfKind::Button: {
        const SwfButton& button = m_movie->buttons[c->index];
        for (std::size_t i = 0; i < button.up.size() && walk.budget > 0; ++i) {
            --walk.budget;
            Object part;
            part.character = button.up[i].character;
            if (i < o.parts.size() && o.partsState == SwfButtonState::Up) part.sprite = o.parts[i];
            if (part.character != o.character && nesting < m_limits.maxNesting)
                AddCharacterBounds(part, m * button.up[i].matrix, box, nesting + 1, walk);
        }
        break;
    }
    default: break;
    }
}

void SwfStage::AddBounds(const Instance& instance, const SwfMatrix& m, SwfBox& box, int nesting, BoundsWalk& walk) {
    if (nesting >= m_limits.maxNesting || walk.budget == 0) return;
    SwfRect drawn;
    if (instance.drawn && instance.drawn->Bounds(drawn, walk.strokes)) AddRect(box, BoxOf(drawn), m);
    for (const auto& entry : instance.list) {
        if (walk.budget == 0) return;
        --walk.budget;
        const Object& o = entry.second;
        if (o.clipDepth) continue;
        SwfBox part;
        AddCharacterBounds(o, SwfMatrix(), part, nesting, walk);
        AddRect(box, part, m * o.matrix);
    }
}

SwfBox SwfStage::TimelineBounds(SwfTimelineId id, bool strokes) {
    SwfBox box;
    const Instance* instance = Timeline(id);
    if (!instance) return box;
    BoundsWalk walk{strokes, m_limits.maxPoints};
    if (instance->edit) {
        AddRect(box, BoxOf(instance->edit->Shown().bounds), SwfMatrix());
        return box;
    }
    AddBounds(*instance, SwfMatrix(), box, 0, walk);
    return box;
}

bool SwfStage::TimelineMatrix(SwfTimelineId id, SwfMatrix& m) const {
    const Instance* instance = Timeline(id);
    if (!instance) return false;
    m = SwfMatrix();
    for (int level = 0; instance && level <= m_limits.maxNesting + 1; ++level) {
        const Object* holder = Holder(*instance);
        if (holder) m = holder->matrix * m;
        instance = instance->parent;
    }
    return true;
}

double SwfStage::TimelineSize(SwfTimelineId id, bool width) {
    const Instance* instance = Timeline(id);
    const Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder) return 0;
    SwfBox box;
    AddRect(box, TimelineBounds(id), holder->matrix);
    if (box.Empty()) return 0;
    // Edges in whole twips, as Flash keeps them.
    return (width ? std::nearbyint(box.xMax) - std::nearbyint(box.xMin)
                  : std::nearbyint(box.yMax) - std::nearbyint(box.yMin)) /
           20;
}

void SwfStage::SetTimelineSize(SwfTimelineId id, bool width, double pixels) {
    const double now = TimelineSize(id, width);
    // A clip with nothing on it keeps its scale, as in Flash.
    if (!(now > 0) || !std::isfinite(pixels)) return;
    const SwfProperty scale = width ? SwfProperty::XScale : SwfProperty::YScale;
    SetTimelineProperty(id, scale, TimelineProperty(id, scale) * pixels / now);
}

bool SwfStage::HitInstance(const Instance& instance, const SwfMatrix& m, double x, double y, int nesting,
                           std::uint64_t& budget) {
    if (nesting >= m_limits.maxNesting || budget == 0) return false;
    if (instance.edit) {
        SwfMatrix inverse;
        if (!m.Invert(inverse)) return false;
        const SwfPoint p = inverse.Apply(x, y);
        const SwfRect& r = instance.edit->Shown().bounds;
        return p.x >= r.xMin && p.x < r.xMax && p.y >= r.yMin && p.y < r.yMax;
    }
    if (instance.drawn && !instance.drawn->Empty()) {
        SwfMatrix inverse;
        if (m.Invert(inverse)) {
            const SwfPoint p = inverse.Apply(x, y);
            const SwfOutline& outline = instance.drawn->Outline();
            for (const SwfOutlineLayer& layer : outline.layers)
                if (!layer.line && SwfPathContains(layer.path, p, outline.nonZero, budget)) return true;
        }
    }
    for (auto it = instance.list.rbegin(); it != instance.list.rend() && budget > 0; ++it) {
        const Object& o = it->second;
        if (o.clipDepth || !o.visible) continue;
        const SwfMatrix om = m * o.matrix;
        if (o.sprite ? HitInstance(*o.sprite, om, x, y, nesting + 1, budget)
                     : HitCharacter(o.character, om, x, y, budget, nesting + 1))
            return true;
    }
    return false;
}

bool SwfStage::TimelineHitTest(SwfTimelineId id, double x, double y, bool shape) {
    const Instance* instance = Timeline(id);
    SwfMatrix m;
    if (!instance || !TimelineMatrix(id, m)) return false;
    if (shape) {
        std::uint64_t budget = m_limits.maxPoints;
        return HitInstance(*instance, m, x, y, 0, budget);
    }
    SwfBox box;
    AddRect(box, TimelineBounds(id), m);
    return !box.Empty() && x >= box.xMin && x <= box.xMax && y >= box.yMin && y <= box.yMax;
}

}  // namespace fh
