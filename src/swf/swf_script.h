#pragma once
// What runs a movie's action lists. The stage reaches each list as its
// frame is entered (or a button is clicked) and hands it here with the
// timeline it belongs to; the script engine implements this and steers the
// timelines back through the stage's timeline calls. Timelines are named
// by numbers that are never reused, so a script holding one of a removed
// sprite finds nothing rather than another sprite.

#include <cstdint>
#include <string>

namespace fh {

struct SwfActionBlock;

using SwfTimelineId = std::uint32_t;  // 0: none

// What the scripts make of a button or clip under the pointer: a clip whose
// object has button handlers acts as a button; a disabled one is passed
// over; the hand shows over it unless its object says not to.
struct SwfPointerRole {
    bool handlers = false;
    bool enabled = true;
    bool handCursor = true;
};

enum class SwfInput { MouseMove, MouseDown, MouseUp, KeyDown, KeyUp };

class SwfScripts {
public:
    virtual ~SwfScripts() = default;
    // One list of the timeline `timeline`, in that timeline's scope.
    virtual void Run(SwfTimelineId timeline, const SwfActionBlock& block) = 0;
    // The frame's lists have all run (timers, collection).
    virtual void FrameDone() = 0;
    // The timeline left the display list for good.
    virtual void Removed(SwfTimelineId timeline) = 0;
    // An event of a clip, after its clip actions for it ran: the handler
    // the clip's object has for it (onEnterFrame, onLoad...), and for
    // kSwfEventConstruct the class its symbol is registered with.
    virtual void Event(SwfTimelineId, std::uint32_t /*SwfClipEvent*/) {}
    // Whether a clip's object has an onUnload handler (its timeline then
    // holds it for the frame).
    virtual bool HasUnloadHandler(SwfTimelineId) { return false; }
    // An edit text was placed (a timeline of its own): a variable it shows is bound now.
    virtual void TextPlaced(SwfTimelineId) {}
    // How the pointer treats a button or clip (SwfPointerRole).
    virtual SwfPointerRole PointerRole(SwfTimelineId) { return SwfPointerRole(); }
    // The mouse and the keyboard, for the scripts' own listeners (Mouse,
    // Key); true when a listener heard it.
    virtual bool Input(SwfInput, int /*code*/, int /*ascii*/) { return false; }
};

// The events of a clip (onClipEvent's flags, as version 6 and later store
// them; version 5's are the low 16 bits).
enum SwfClipEvent : std::uint32_t {
    kSwfEventLoad = 1u << 0,
    kSwfEventEnterFrame = 1u << 1,
    kSwfEventUnload = 1u << 2,
    kSwfEventMouseMove = 1u << 3,
    kSwfEventMouseDown = 1u << 4,
    kSwfEventMouseUp = 1u << 5,
    kSwfEventKeyDown = 1u << 6,
    kSwfEventKeyUp = 1u << 7,
    kSwfEventData = 1u << 8,
    kSwfEventInitialize = 1u << 9,
    kSwfEventPress = 1u << 10,
    kSwfEventRelease = 1u << 11,
    kSwfEventReleaseOutside = 1u << 12,
    kSwfEventRollOver = 1u << 13,
    kSwfEventRollOut = 1u << 14,
    kSwfEventDragOver = 1u << 15,
    kSwfEventDragOut = 1u << 16,
    kSwfEventKeyPress = 1u << 17,
    kSwfEventConstruct = 1u << 18,
};

// The display properties a script reads and sets by number (GetProperty's
// indices).
enum class SwfProperty : int {
    X = 0,
    Y,
    XScale,
    YScale,
    CurrentFrame,
    TotalFrames,
    Alpha,
    Visible,
    Width,
    Height,
    Rotation,
    Target,
    FramesLoaded,
    Name,
    DropTarget,
    Url,
    HighQuality,
    FocusRect,
    SoundBufTime,
    Quality,
    XMouse,
    YMouse,
};
constexpr int kSwfPropertyCount = 22;

}  // namespace fh
