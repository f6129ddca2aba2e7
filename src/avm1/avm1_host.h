#pragma once
// What the engine sees of the movie: timelines as opaque ids, their display
// properties, the playhead commands, and the outside world (trace lines,
// fscommands, clocks, randomness, the code page). The movie core implements
// it; the tests fake it. Paths ("/a/b", "_root.a", "../x") are resolved by
// the engine over Root, Parent and Child.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avm1/avm1_value.h"
#include "swf/swf_drawing_api.h"
#include "raster/raster_blend.h"
#include "swf/swf_edit_text.h"
#include "swf/swf_filters.h"
#include "swf/swf_types.h"

namespace fh::avm1 {

using TimelineId = std::uint32_t;
constexpr TimelineId kNoTimeline = 0;

// The display properties by GetProperty's index.
enum DisplayProp : int {
    kPropX, kPropY, kPropXScale, kPropYScale, kPropCurrentFrame, kPropTotalFrames, kPropAlpha, kPropVisible,
    kPropWidth, kPropHeight, kPropRotation, kPropTarget, kPropFramesLoaded, kPropName, kPropDropTarget,
    kPropUrl, kPropHighQuality, kPropFocusRect, kPropSoundBufTime, kPropQuality, kPropXMouse, kPropYMouse,
    kDisplayPropCount
};

class Host {
public:
    virtual ~Host() = default;

    virtual TimelineId Root() = 0;
    virtual TimelineId Parent(TimelineId t) = 0;  // kNoTimeline for the root
    virtual TimelineId Child(TimelineId t, const std::string& name) = 0;  // by instance name
    virtual bool Alive(TimelineId t) = 0;
    virtual std::string Name(TimelineId t) = 0;  // instance name; "" for the root

    // Display properties other than those the engine answers itself
    // (_target, _name, _currentframe, _totalframes, _framesloaded).
    virtual Value GetProperty(TimelineId t, int index) = 0;
    virtual void SetProperty(TimelineId t, int index, const Value& v) = 0;

    virtual void GotoFrame(TimelineId t, int frame, bool play) = 0;  // frame from 1
    virtual bool GotoLabel(TimelineId t, const std::string& label, bool play) = 0;
    // The frame (from 1) a label names; 0 for none.
    virtual int LabelFrame(TimelineId, const std::string&) { return 0; }
    // Runs a frame's (from 1) actions now, the playhead staying where it is.
    virtual void CallFrame(TimelineId, int) {}
    virtual void Play(TimelineId t) = 0;
    virtual void Stop(TimelineId t) = 0;
    virtual void NextFrame(TimelineId t) = 0;
    virtual void PrevFrame(TimelineId t) = 0;
    virtual int CurrentFrame(TimelineId t) = 0;  // from 1
    // Clips scripts make, remove and move between depths; scripts count
    // depths from 0, the timeline's own lie below. A host without them makes none.
    virtual TimelineId AttachClip(TimelineId, const std::string& /*symbol ("": empty)*/, const std::string& /*name*/,
                                  int /*depth*/) {
        return kNoTimeline;
    }
    virtual bool RemoveClip(TimelineId) { return false; }
    // unloadMovie: the clip keeps its place and object, with nothing in it.
    virtual void UnloadClip(TimelineId) {}
    virtual TimelineId DuplicateClip(TimelineId, const std::string& /*name*/, int /*depth*/) { return kNoTimeline; }
    virtual bool Depth(TimelineId, int&) { return false; }
    virtual TimelineId AtDepth(TimelineId, int) { return kNoTimeline; }
    virtual int NextDepth(TimelineId) { return 0; }
    virtual void SwapDepths(TimelineId, int) {}
    // startDrag: the clip follows the pointer, keeping its offset from it
    // unless locked to its origin, within a box of its parent's pixels if
    // given (empty: anywhere); one clip at a time, until StopDrag.
    virtual void StartDrag(TimelineId, bool /*lockCenter*/, const SwfBox& /*limits*/) {}
    virtual void StopDrag() {}
    // The colour transform a timeline is shown with (Color objects); false
    // for none. Setting it takes the clip's transform from the timeline.
    virtual bool GetColor(TimelineId, SwfColorTransform&) { return false; }
    virtual void SetColor(TimelineId, const SwfColorTransform&) {}
    // setMask: the clip `mask` masks the timeline (kNoTimeline: none).
    virtual void SetMask(TimelineId, TimelineId /*mask*/) {}
    virtual int TotalFrames(TimelineId t) = 0;
    // The library name a clip's symbol is exported under ("" for none).
    virtual std::string Symbol(TimelineId) { return std::string(); }
    // The stage's size in pixels.
    virtual double StageWidth() { return 550; }
    virtual double StageHeight() { return 400; }

    virtual void Trace(const std::string& utf8Line) = 0;
    virtual void FsCommand(const std::string& command, const std::string& args) = 0;

    virtual double NowMs() = 0;  // getTimer: since the movie started (a virtual clock in batch mode)
    virtual double DateNowMs() = 0;  // UTC, since 1970
    virtual double LocalOffsetMs(double utcMs) = 0;
    virtual std::uint32_t RandomSeed() = 0;
    // Text of movies before version 6 is in the system code page.
    virtual std::string LocalToUtf8(const std::string& text) = 0;

    // Text fields: edit texts are timelines of their own, whose field the
    // engine reads and changes, telling the host after each change. A host
    // without them has none.
    virtual SwfEditText* TextField(TimelineId) { return nullptr; }
    virtual void TextFieldChanged(TimelineId) {}
    virtual SwfTextMetrics TextMetrics(TimelineId) { return SwfTextMetrics(); }
    virtual TimelineId CreateTextField(TimelineId /*parent*/, const std::string& /*name*/, int /*depth*/,
                                       const SwfRect& /*twips*/) {
        return kNoTimeline;
    }
    // The timeline with the keyboard focus (Selection).
    virtual TimelineId Focus() { return kNoTimeline; }
    virtual void SetFocus(TimelineId) {}

    // Geometry. What scripts draw on a timeline (none: the host draws
    // nothing), told after each change; a bitmap fill's pixels as straight
    // RGBA rows, copied (none past the host's cap).
    virtual SwfDrawnShape* Drawing(TimelineId) { return nullptr; }
    virtual void DrawingChanged(TimelineId) {}
    virtual std::shared_ptr<const SwfBitmap> KeepBitmap(int /*width*/, int /*height*/,
                                                        const std::vector<std::uint8_t>& /*rgba*/) {
        return nullptr;
    }
    // What is on a timeline, in its own twips (lines' width included with
    // `strokes`); its twips to the stage's.
    virtual SwfBox Bounds(TimelineId, bool /*strokes*/ = true) { return SwfBox(); }
    virtual bool StageMatrix(TimelineId, SwfMatrix&) { return false; }
    // Whether a point of the stage (twips) is on what the timeline draws
    // (`shape`) or within its box on the stage.
    virtual bool HitTest(TimelineId, double /*x*/, double /*y*/, bool /*shape*/) { return false; }

    // Buttons are timelines of their own too (Button objects).
    virtual bool IsButton(TimelineId) { return false; }
    // Flash 8's effects of a timeline (filters, blendMode, cacheAsBitmap):
    // false for none. Setting one takes them from the timeline's placements.
    virtual bool GetEffects(TimelineId, SwfFilterList&, RasterBlend&, bool& /*cacheAsBitmap*/) { return false; }
    virtual void SetFilters(TimelineId, const SwfFilterList&) {}
    virtual void SetBlend(TimelineId, RasterBlend) {}
    virtual void SetCacheAsBitmap(TimelineId, bool) {}
    // The matrix a timeline is shown with in its parent, in twips (transform.matrix).
    virtual bool GetMatrix(TimelineId, SwfMatrix&) { return false; }
    virtual void SetMatrix(TimelineId, const SwfMatrix&) {}
};

}  // namespace fh::avm1
