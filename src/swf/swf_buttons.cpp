// The stage's buttons and the pointer: a button is where its hit state's
// shapes are; the one under the pointer shows its over state, the one a
// press began on its down state while the pointer stays on it, and a press
// ended there runs the button's actions for a release.

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

bool SameButton(const SwfStage::ButtonRef& a, const SwfStage::ButtonRef& b) {
    return a.parent.lock() == b.parent.lock() && a.depth == b.depth && a.serial == b.serial;
}

}  // namespace

bool SwfStage::PointerMove(double x, double y, bool pressed) {
    m_pointer = {x, y};
    m_hasHover = ButtonAt(x, y, m_hover);
    if (!pressed) m_hasPressed = false;
    ShowButtonStates();
    return m_hasHover;
}

bool SwfStage::PointerDown(double x, double y) {
    m_pointer = {x, y};
    m_hasHover = ButtonAt(x, y, m_hover);
    m_hasPressed = m_hasHover;
    m_pressed = m_hover;
    ShowButtonStates();
    return m_hasPressed;
}

void SwfStage::PointerUp(double x, double y) {
    m_pointer = {x, y};
    m_hasHover = ButtonAt(x, y, m_hover);
    const bool click = m_hasHover && m_hasPressed && SameButton(m_hover, m_pressed);
    m_hasPressed = false;
    Instance* parent = nullptr;
    const Object* button = click ? Find(m_hover, &parent) : nullptr;
    if (button) {
        // A click's actions run at once, with a frame's caps of their own.
        m_actionsRun = m_gotos = 0;
        m_gotoTags = 0;
        const std::shared_ptr<Instance> base = parent->shared_from_this();
        const SwfCharacter* c = m_movie->Find(button->character);
        for (std::uint32_t block : m_movie->buttons[c->index].release) Queue(*base, block);
        RunQueue();
        // The actions may have moved the button away from under the pointer.
        m_hasHover = ButtonAt(x, y, m_hover);
    }
    ShowButtonStates();
}

void SwfStage::PointerLeave() {
    m_hasHover = m_hasPressed = false;
    ShowButtonStates();
}

void SwfStage::ShowButtonStates() {
    auto show = [&](const ButtonRef& ref, SwfButtonState state) {
        Instance* parent = nullptr;
        Object* object = Find(ref, &parent);
        if (!object || object->buttonState == state) return;
        object->buttonState = state;
        // The sprites of the state now shown (their first frames' actions
        // run with the next frame's).
        ShowParts(*object, *parent);
        m_changed = true;
    };
    if (m_hasShown) show(m_shown, SwfButtonState::Up);
    m_hasShown = false;
    if (m_hasPressed) {
        m_shown = m_pressed;
        m_hasShown = true;
        show(m_shown, m_hasHover && SameButton(m_hover, m_pressed) ? SwfButtonState::Down : SwfButtonState::Up);
    } else if (m_hasHover) {
        m_shown = m_hover;
        m_hasShown = true;
        show(m_shown, SwfButtonState::Over);
    }
}

SwfStage::Object* SwfStage::Find(const ButtonRef& ref, Instance** parent) const {
    const std::shared_ptr<Instance> instance = ref.parent.lock();
    if (!instance || instance->removed) return nullptr;
    const auto it = instance->list.find(ref.depth);
    if (it == instance->list.end() || it->second.serial != ref.serial) return nullptr;
    const SwfCharacter* c = m_movie->Find(it->second.character);
    if (!c || c->kind != SwfKind::Button) return nullptr;
    if (parent) *parent = instance.get();
    return &it->second;
}

bool SwfStage::ButtonAt(double x, double y, ButtonRef& found) {
    std::uint64_t budget = m_limits.maxPoints;
    return m_rootHolder->visible && HitButton(*m_root, m_rootHolder->matrix, x, y, budget, found);
}

// The topmost button under the point, through sprites; masks are not
// looked at (a button is found where its hit shapes are).
bool SwfStage::HitButton(Instance& instance, const SwfMatrix& m, double x, double y, std::uint64_t& budget,
                         ButtonRef& found) {
    for (auto it = instance.list.rbegin(); it != instance.list.rend() && budget > 0; ++it) {
        const Object& o = it->second;
        if (!o.visible || o.clipDepth) continue;
        const SwfMatrix om = m * o.matrix;
        if (o.sprite) {
            if (HitButton(*o.sprite, om, x, y, budget, found)) return true;
            continue;
        }
        const SwfCharacter* c = m_movie->Find(o.character);
        if (!c || c->kind != SwfKind::Button) continue;
        for (const SwfButtonPart& part : m_movie->buttons[c->index].hit) {
            if (!HitCharacter(part.character, om * part.matrix, x, y, budget)) continue;
            found.parent = instance.weak_from_this();
            found.depth = it->first;
            found.serial = o.serial;
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
