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

class SwfScripts {
public:
    virtual ~SwfScripts() = default;
    // One list of the timeline `timeline`, in that timeline's scope.
    virtual void Run(SwfTimelineId timeline, const SwfActionBlock& block) = 0;
    // The frame's lists have all run (timers, collection).
    virtual void FrameDone() = 0;
    // The timeline left the display list for good.
    virtual void Removed(SwfTimelineId timeline) = 0;
    // An edit text was placed (a timeline of its own): a variable it shows is bound now.
    virtual void TextPlaced(SwfTimelineId) {}
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
