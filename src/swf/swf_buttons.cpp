// The stage's buttons: each placed one is a timeline of its own, and is
// where its hit state's shapes are; a clip that acts as a button is where
// its shapes are.

#include <cmath>
#include <map>

#include "swf/swf_display_list.h"

namespace fh {

bool SwfPathContains(const SwfPath& path, SwfPoint p, bool nonZero, std::uint64_t& budget) {
    if (path.points.size() > budget) {
        budget = 0;
        return false;
    }
    budget -= path.points.size();
    int winding = 0;
    auto edge = [&](SwfPoint a, SwfPoint b) {
        if ((a.y <= p.y) == (b.y <= p.y)) return;
        const double cross = a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
        if (cross > p.x) winding += b.y > a.y ? 1 : -1;
    };
    SwfPoint start, last;
    std::size_t at = 0;
    for (SwfPath::Verb v : path.verbs) {
        switch (v) {
        case SwfPath::Move:
            edge(last, start);
            start = last = path.points[at++];
            break;
        case SwfPath::Line:
            edge(last, path.points[at]);
            last = path.points[at++];
            break;
        case SwfPath::Quad: {
            const SwfPoint c = path.points[at], e = path.points[at + 1];
            at += 2;
            SwfPoint from = last;
            for (int i = 1; i <= 8; ++i) {
                const double t = i / 8.0, u = 1 - t;
                const SwfPoint to{u * u * last.x + 2 * u * t * c.x + t * t * e.x,
                                  u * u * last.y + 2 * u * t * c.y + t * t * e.y};
                edge(from, to);
                from = to;
            }
            last = e;
            break;
        }
        case SwfPath::Close:
            edge(last, start);
            last = start;
            break;
        }
    }
    edge(last, start);
    return nonZero ? winding != 0 : (winding & 1) != 0;
}

namespace {

// A clip with onClipEvent handlers for the pointer's moves on it acts as a button.
bool ClipHandlesPointer(const SwfStage::Instance& clip) {
    constexpr std::uint32_t kPointerEvents = kSwfEventPress | kSwfEventRelease | kSwfEventReleaseOutside |
                                             kSwfEventRollOver | kSwfEventRollOut | kSwfEventDragOver |
                                             kSwfEventDragOut;
    if (!clip.clipActions) return false;
    for (const SwfClipAction& a : *clip.clipActions)
        if (a.events & kPointerEvents) return true;
    return false;
}

}  // namespace

void SwfStage::PlaceButton(Object& object, Instance& parent) {
    const SwfCharacter* c = m_movie->Find(object.character);
    if (!c || c->kind != SwfKind::Button) return;
    if (parent.nesting + 1 >= m_limits.maxNesting) {
        m_capped = true;
        return;
    }
    object.sprite = NewInstance(m_emptyTimeline, &parent, parent.nesting + 1);
    object.sprite->button = &m_movie->buttons[c->index];
    ShowParts(object, *object.sprite);
}

bool SwfStage::TimelineIsButton(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    return instance && instance->button;
}

SwfPointerRole SwfStage::Role(SwfTimelineId id) const {
    return m_scripts ? m_scripts->PointerRole(id) : SwfPointerRole();
}

SwfTimelineId SwfStage::ButtonAt(double x, double y) {
    std::uint64_t budget = m_limits.maxPoints;
    SwfTimelineId found = 0;
    if (m_rootHolder->visible) HitButton(*m_root, m_rootHolder->matrix, x, y, budget, found);
    return found;
}

// The topmost button under the point, through sprites; masks are not
// looked at (a button is found where its hit shapes are). A clip that acts
// as a button is found where its shapes are, and hides the buttons in it.
bool SwfStage::HitButton(Instance& instance, const SwfMatrix& m, double x, double y, std::uint64_t& budget,
                         SwfTimelineId& found) {
    for (auto it = instance.list.rbegin(); it != instance.list.rend() && budget > 0; ++it) {
        const Object& o = it->second;
        --budget;
        if (!o.visible || o.clipDepth || !o.sprite || o.sprite->edit) continue;
        const SwfMatrix om = m * o.matrix;
        const Instance& inner = *o.sprite;
        if (inner.button) {
            if (!Role(inner.id).enabled) continue;
            for (const SwfButtonPart& part : inner.button->hit) {
                if (!HitCharacter(part.character, om * part.matrix, x, y, budget)) continue;
                found = inner.id;
                return true;
            }
            continue;
        }
        const SwfPointerRole role = Role(inner.id);
        if (!role.handlers && !ClipHandlesPointer(inner)) {
            if (HitButton(*o.sprite, om, x, y, budget, found)) return true;
        } else if (role.enabled && HitShapes(inner, om, x, y, budget)) {
            found = inner.id;
            return true;
        }
    }
    return false;
}

SwfTimelineId SwfStage::ClipAt(double x, double y, SwfTimelineId besides) {
    std::uint64_t budget = m_limits.maxPoints;
    SwfTimelineId found = 0;
    if (m_rootHolder->visible) ClipUnder(*m_root, m_rootHolder->matrix, x, y, besides, budget, found);
    return found;
}

// The clip that holds the topmost shape under the point, through sprites.
bool SwfStage::ClipUnder(const Instance& instance, const SwfMatrix& m, double x, double y, SwfTimelineId besides,
                         std::uint64_t& budget, SwfTimelineId& found) {
    for (auto it = instance.list.rbegin(); it != instance.list.rend() && budget > 0; ++it) {
        const Object& o = it->second;
        --budget;
        if (!o.visible || o.clipDepth) continue;
        const SwfMatrix om = m * o.matrix;
        if (o.sprite) {
            if (o.sprite->id == besides || o.sprite->button || o.sprite->edit) continue;
            if (ClipUnder(*o.sprite, om, x, y, besides, budget, found)) return true;
        } else if (HitCharacter(o.character, om, x, y, budget)) {
            found = instance.id;
            return true;
        }
    }
    return false;
}

// Whether the point is on what a timeline shows (buttons by their hit shapes).
bool SwfStage::HitShapes(const Instance& instance, const SwfMatrix& m, double x, double y, std::uint64_t& budget) {
    for (auto it = instance.list.rbegin(); it != instance.list.rend() && budget > 0; ++it) {
        const Object& o = it->second;
        --budget;
        if (!o.visible || o.clipDepth) continue;
        const SwfMatrix om = m * o.matrix;
        if (o.sprite && o.sprite->button) {
            for (const SwfButtonPart& part : o.sprite->button->hit)
                if (HitCharacter(part.character, om * part.matrix, x, y, budget)) return true;
        } else if (o.sprite && !o.sprite->edit) {
            if (HitShapes(*o.sprite, om, x, y, budget)) return true;
        } else if (HitCharacter(o.character, om, x, y, budget)) {
            return true;
        }
    }
    return false;
}

bool SwfStage::HitCharacter(std::uint16_t id, const SwfMatrix& m, double x, double y, std::uint64_t& budget,
                            int nesting) {
    const SwfCharacter* c = m_movie->Find(id);
    SwfMatrix inverse;
    if (!c || budget == 0 || nesting >= m_limits.maxNesting || !m.Invert(inverse)) return false;
    --budget;
    const SwfPoint p = inverse.Apply(x, y);
    auto inRect = [&](double x0, double y0, double x1, double y1) {
        return p.x >= x0 && p.x < x1 && p.y >= y0 && p.y < y1;
    };
    switch (c->kind) {
    case SwfKind::Shape: {
        const SwfOutline& outline = ShapeOutline(c->index);
        for (const SwfOutlineLayer& layer : outline.layers)
            if (!layer.line && SwfPathContains(layer.path, p, outline.nonZero, budget)) return true;
        return false;
    }
    case SwfKind::Text: {
        const SwfRect& r = m_movie->texts[c->index].bounds;
        return inRect(r.xMin, r.yMin, r.xMax, r.yMax);
    }
    case SwfKind::EditText: {
        const SwfRect& r = m_movie->editTexts[c->index].shown.bounds;
        return inRect(r.xMin, r.yMin, r.xMax, r.yMax);
    }
    case SwfKind::Bitmap: {
        const SwfBitmap& bm = m_movie->bitmaps[c->index];
        return inRect(0, 0, bm.width * 20.0, bm.height * 20.0);
    }
    case SwfKind::Sprite: {
        // A sprite among the hit shapes: what its first frame places (its
        // masks aside), topmost first.
        const SwfTimeline& timeline = m_movie->sprites[c->index];
        if (timeline.frames.empty()) return false;
        const std::vector<SwfControl>& tags = timeline.frames[0].tags;
        if (tags.size() > budget) {
            budget = 0;
            return false;
        }
        budget -= tags.size();
        std::map<std::uint16_t, Object> placed;
        for (const SwfControl& tag : tags) {
            const SwfPlace& place = tag.place;
            if (tag.kind == SwfControl::Kind::Remove) placed.erase(place.depth);
            if (tag.kind != SwfControl::Kind::Place) continue;
            auto it = placed.find(place.depth);
            if (it == placed.end()) {
                if (!place.character) continue;
                it = placed.emplace(place.depth, Object()).first;
            } else if (!place.move) {
                continue;
            }
            Object& o = it->second;
            if (place.character) o.character = *place.character;
            if (place.matrix) o.matrix = *place.matrix;
            if (place.clipDepth) o.clipDepth = *place.clipDepth;
            if (place.visible) o.visible = *place.visible;
        }
        for (auto it = placed.rbegin(); it != placed.rend() && budget > 0; ++it) {
            const Object& o = it->second;
            if (o.visible && !o.clipDepth && HitCharacter(o.character, m * o.matrix, x, y, budget, nesting + 1))
                return true;
        }
        return false;
    }
    default: return false;  // buttons among a button's hit shapes are not looked into
    }
}

}  // namespace fh
