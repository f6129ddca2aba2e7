// The pointer and the keyboard on the stage. One button (or clip acting as
// one) is under the pointer, one holds the press that began on it; each
// move between a button's states (idle, over up, over down, out down) runs
// its action lists for that move, then its object's handler. Clips and the
// scripts' listeners hear every press, release, move and key first; all of
// it runs at once, with a frame's caps of its own.

#include "swf/swf_display_list.h"

namespace fh {

namespace {

// A key as button conditions name it: the keys that type nothing by
// codes of their own below 20, the others by their character.
int ButtonKey(int code, int ascii) {
    static const struct {
        int code, key;
    } kUntyped[] = {{37, 1},  {39, 2},  {36, 3},  {35, 4},  {45, 5},  {46, 6},  {8, 8},
                    {13, 13}, {38, 14}, {40, 15}, {33, 16}, {34, 17}, {9, 18},  {27, 19}};
    for (const auto& k : kUntyped)
        if (k.code == code) return k.key;
    return ascii >= 32 && ascii < 128 ? ascii : 0;
}

}  // namespace

bool SwfStage::PointerInput(SwfInput input, double x, double y) {
    m_actionsRun = m_gotos = 0;
    m_gotoTags = 0;
    const std::uint32_t event = input == SwfInput::MouseDown ? kSwfEventMouseDown
                                : input == SwfInput::MouseUp ? kSwfEventMouseUp
                                                             : kSwfEventMouseMove;
    bool heard = false;
    const bool moved = x != m_pointer.x || y != m_pointer.y;
    // Handlers read the pointer where it is now (_xmouse, a dragged clip).
    m_pointer = {x, y};
    if (input != SwfInput::MouseMove || moved) {
        BroadcastClipEvent(event);
        heard = m_scripts && m_scripts->Input(input, 0, 0);
        for (std::size_t i = 0; i < m_instances.size() && !heard; ++i) {
            const std::shared_ptr<Instance> instance = m_instances[i].lock();
            if (!instance || instance->removed || !instance->clipActions) continue;
            for (const SwfClipAction& a : *instance->clipActions) heard = heard || (a.events & event) != 0;
        }
    }
    return heard;
}

bool SwfStage::PointerMove(double x, double y, bool pressed) {
    PointerInput(SwfInput::MouseMove, x, y);
    const SwfTimelineId hit = ButtonAt(x, y);
    // A press that ended where the stage did not see it ends quietly.
    if (!pressed) m_pressed = 0;
    Track(hit, pressed);
    RunInput();
    return HandShown();
}

bool SwfStage::PointerDown(double x, double y) {
    const bool heard = PointerInput(SwfInput::MouseDown, x, y);
    const SwfTimelineId hit = ButtonAt(x, y);
    m_pressed = 0;
    Track(hit, false);
    if (hit) {
        m_pressed = hit;
        m_pressedOver = true;
        Transition(hit, kSwfButtonOverUpToOverDown, kSwfEventPress);
    }
    RunInput();
    return hit != 0 || heard;
}

void SwfStage::PointerUp(double x, double y) {
    PointerInput(SwfInput::MouseUp, x, y);
    const SwfTimelineId hit = ButtonAt(x, y);
    if (m_pressed) {
        Track(hit, true);
        const SwfTimelineId pressed = m_pressed;
        const Instance* held = Timeline(pressed);
        m_pressed = 0;
        if (m_pressedOver) {
            Transition(pressed, kSwfButtonOverDownToOverUp, kSwfEventRelease);
        } else {
            // A menu left went idle already; what the pointer is over now rolls over.
            if (!(held && held->button && held->button->trackAsMenu))
                Transition(pressed, kSwfButtonOutDownToIdle, kSwfEventReleaseOutside);
            m_hover = 0;
        }
    }
    Track(hit, false);
    RunInput();
}

void SwfStage::PointerLeave() {
    m_actionsRun = m_gotos = 0;
    m_gotoTags = 0;
    if (m_pressed && m_pressedOver) Transition(m_pressed, kSwfButtonOverDownToOutDown, kSwfEventDragOut);
    else if (!m_pressed && m_hover) Transition(m_hover, kSwfButtonOverUpToIdle, kSwfEventRollOut);
    m_hover = m_pressed = 0;
    RunInput();
}

// The pointer now over `hit` (0: none), a press lasting or not.
void SwfStage::Track(SwfTimelineId hit, bool pressed) {
    if (pressed && m_pressed) {
        const Instance* now = hit && hit != m_pressed ? Timeline(hit) : nullptr;
        const Instance* held = Timeline(m_pressed);
        // A menu goes idle when the pointer leaves it pressed, and takes
        // over a press that comes onto it from another button.
        const bool heldMenu = held && held->button && held->button->trackAsMenu;
        if (now && now->button && now->button->trackAsMenu) {
            if (m_pressedOver)
                Transition(m_pressed, heldMenu ? kSwfButtonOverDownToIdle : kSwfButtonOverDownToOutDown,
                           kSwfEventDragOut);
            m_pressed = hit;
            m_pressedOver = true;
            Transition(hit, kSwfButtonIdleToOverDown, kSwfEventDragOver);
        } else if ((hit == m_pressed) != m_pressedOver) {
            m_pressedOver = hit == m_pressed;
            if (m_pressedOver)
                Transition(m_pressed, heldMenu ? kSwfButtonIdleToOverDown : kSwfButtonOutDownToOverDown,
                           kSwfEventDragOver);
            else
                Transition(m_pressed, heldMenu ? kSwfButtonOverDownToIdle : kSwfButtonOverDownToOutDown,
                           kSwfEventDragOut);
        }
        m_hover = hit;
        return;
    }
    if (hit == m_hover) return;
    if (m_hover) Transition(m_hover, kSwfButtonOverUpToIdle, kSwfEventRollOut);
    m_hover = hit;
    if (hit) Transition(hit, kSwfButtonIdleToOverUp, kSwfEventRollOver);
}

// A button's lists for the move run in the timeline that holds it, then its
// object's handler; a clip's onClipEvent handlers and its object's.
void SwfStage::Transition(SwfTimelineId id, std::uint16_t condition, std::uint32_t event) {
    Instance* instance = Timeline(id);
    if (!instance) return;
    if (!instance->button) {
        ClipEvent(*instance, event);
        return;
    }
    if (instance->parent) {
        for (const SwfButtonAction& a : instance->button->actions)
            if (a.conditions & condition) Queue(*instance->parent, a.block);
    }
    QueueEvent(*instance, event);
}

void SwfStage::RunInput() {
    RunQueue();
    ShowButtonStates();
}

bool SwfStage::HandShown() const {
    const SwfTimelineId over = m_pressed ? (m_pressedOver ? m_pressed : 0) : m_hover;
    return over && TimelineAlive(over) && Role(over).handCursor;
}

void SwfStage::ShowButtonStates() {
    auto show = [&](SwfTimelineId id, SwfButtonState state) {
        Instance* instance = Timeline(id);
        Object* object = instance && instance->button ? Holder(*instance) : nullptr;
        if (!object || object->buttonState == state) return;
        object->buttonState = state;
        // The sprites of the state now shown (their first frames' actions
        // run with the next frame's).
        ShowParts(*object, *instance);
        m_changed = true;
    };
    const SwfTimelineId was = m_shown;
    m_shown = m_pressed ? m_pressed : m_hover;
    if (was && was != m_shown) show(was, SwfButtonState::Up);
    if (m_pressed) show(m_pressed, m_pressedOver ? SwfButtonState::Down : SwfButtonState::Up);
    else if (m_hover) show(m_hover, SwfButtonState::Over);
}

bool SwfStage::KeyDown(int code, int ascii) {
    m_actionsRun = m_gotos = 0;
    m_gotoTags = 0;
    BroadcastClipEvent(kSwfEventKeyDown);
    bool heard = m_scripts && m_scripts->Input(SwfInput::KeyDown, code, ascii);
    const int key = ButtonKey(code, ascii);
    // Every button and clip listening for keys, oldest first.
    for (std::size_t i = 0; i < m_instances.size(); ++i) {
        const std::shared_ptr<Instance> instance = m_instances[i].lock();
        if (!instance || instance->removed) continue;
        if (instance->button && instance->parent) {
            for (const SwfButtonAction& a : instance->button->actions) {
                heard = heard || a.key != 0;
                if (key && a.key == key) Queue(*instance->parent, a.block);
            }
        } else if (instance->clipActions) {
            for (const SwfClipAction& a : *instance->clipActions) {
                heard = heard || (a.events & (kSwfEventKeyPress | kSwfEventKeyDown | kSwfEventKeyUp)) != 0;
                if (key && (a.events & kSwfEventKeyPress) && a.key == key) Queue(*instance, a.block);
            }
        }
    }
    RunInput();
    return heard;
}

void SwfStage::KeyUp(int code, int ascii) {
    m_actionsRun = m_gotos = 0;
    m_gotoTags = 0;
    BroadcastClipEvent(kSwfEventKeyUp);
    if (m_scripts) m_scripts->Input(SwfInput::KeyUp, code, ascii);
    RunInput();
}

}  // namespace fh
