#pragma once
// A movie playing: the display list of its root timeline and of every
// sprite on it, and drawn on a canvas. Each frame every playing timeline
// moves on, then the actions of the frames entered run (those that steer
// timelines), newer timelines' before older ones'. A goto back rebuilds a
// timeline's list as its frame describes it, keeping the objects placed
// where they still are (and their sprites' playheads). Buttons follow the
// pointer and run their actions on its moves over them; the sprites among
// the parts of the state a button shows play as any sprite does. Nesting, live objects, actions
// and gotos a frame, and the work of one drawing are capped, so a movie
// that places itself inside itself or sends timelines back and forth ends,
// drawn as far as the caps allow.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "swf/swf_canvas.h"
#include "swf/swf_drawing_api.h"
#include "swf/swf_gradient.h"
#include "swf/swf_movie.h"
#include "swf/swf_script.h"
#include "swf/swf_text_layout.h"

namespace fh {

struct SwfStageLimits {
    int maxNesting = 32;                  // sprites within sprites, buttons within buttons
    std::uint32_t maxObjects = 20000;     // live display objects, sprites' included
    std::uint64_t maxPoints = 4000000;    // path points drawn in one frame
    std::uint64_t maxGradientPixels = 8u << 20;  // gradient pixels computed in one frame (or 16 canvases, if more)
    int maxDrawMs = 0;                    // the time one drawing may take (0: no limit)
    // Layers (blend modes, filters, bitmap caches) in one drawing, in
    // canvases: their pixels, filter margins included, and those pixels
    // times the passes filters make over them.
    std::uint32_t maxLayerPixels = 16;
    std::uint32_t maxLayerWork = 64;
    // Mask pixels built in one drawing, in canvases, counted on every
    // canvas that builds them (each band of a picture drawn in bands).
    std::uint32_t maxMaskWork = 64;
    // Bytes the layers and masks open at once may hold, whatever the canvas:
    // a 32-bit process has 2 GiB in all.
    std::uint64_t maxLiveBytes = 256u << 20;
    // Actions in one frame (or one click): those run, and the gotos among
    // them; past the tags the frame's timelines have run (by playing, by
    // gotos and in the sprites they placed) a goto does nothing more.
    std::uint32_t maxActions = 100000;
    std::uint32_t maxGotos = 1000;
    std::uint64_t maxGotoTags = 200000;
};

struct SwfDrawReport {
    std::uint32_t objects = 0;  // shapes, texts and bitmaps drawn
    bool cut = false;           // a cap ended the drawing early
};

class SwfStage {
public:
    explicit SwfStage(std::shared_ptr<const SwfMovie> movie, const SwfStageLimits& limits = SwfStageLimits());
    ~SwfStage();
    SwfStage(const SwfStage&) = delete;
    SwfStage& operator=(const SwfStage&) = delete;

    // Back to frame 1, as when the movie starts.
    void Restart();
    // The next frame: every playing timeline moves on (after its last frame,
    // to its first), then the actions of the frames entered run. The root
    // moves on though stopped when `pastStops`.
    void Advance(bool pastStops = false);
    int Frame() const;  // 1-based
    int FrameCount() const;
    bool Stopped() const;  // the root timeline does not play on

    // The pointer at a point of the stage (twips), the button pressed or
    // not: the button under it shows its over state, or its down state while
    // the press that began on it lasts. Each move between a button's states
    // runs the button's action lists for it and its object's handlers (a
    // clip whose object has onPress, onRollOver... handles the pointer as a
    // button does, its shapes its hit area); clips and the scripts' Mouse
    // listeners hear every press, release and move. True when the pointer
    // is over a button that shows the hand; PointerDown's, when a button
    // took the press or the movie listens to the mouse.
    bool PointerMove(double x, double y, bool pressed);
    bool PointerDown(double x, double y);
    void PointerUp(double x, double y);
    void PointerLeave();
    // A key went down or up while the movie has the focus: `code` is the
    // key's (Windows' virtual-key codes, as Flash's are), `ascii` the
    // character it types (0: none). Clips and the Key listeners hear it, and
    // a press runs the buttons' and clips' lists for that key. True when the
    // movie listens to the keyboard (the player keeps its own keys otherwise).
    bool KeyDown(int code, int ascii);
    void KeyUp(int code, int ascii = 0);
    SwfColor Background() const { return m_background; }
    const SwfMovie& Movie() const { return *m_movie; }
    // True when the display list changed since the last call (a frame that
    // places, moves or removes nothing needs no new drawing).
    bool TakeChanged() {
        const bool changed = m_changed;
        m_changed = false;
        return changed;
    }
    // True when a cap stopped the display list from growing.
    bool Capped() const { return m_capped; }
    // The time one drawing may take from now on, in milliseconds (0: no limit).
    void SetDrawTimeLimit(int ms) { m_limits.maxDrawMs = ms; }
    int DrawTimeLimit() const { return m_limits.maxDrawMs; }

    // Draws the frame: `view` maps the stage's twips to canvas pixels; the
    // canvas is width × height pixels. Lines are never thinner than
    // `hairline` canvas pixels (a canvas drawn larger to be scaled down
    // passes its factor).
    SwfDrawReport Draw(SwfCanvas& canvas, const SwfMatrix& view, int width, int height, double hairline = 1.0);

    // Scripts (swf_script_stage.cpp). The engine that runs the movie's
    // action lists, none to run only their timeline actions; setting it
    // starts the movie again, so that frame 1's scripts run through it.
    void SetScripts(SwfScripts* scripts);
    SwfTimelineId RootTimeline() const;
    SwfTimelineId ParentTimeline(SwfTimelineId id) const;  // 0: the root's, or a timeline gone
    // The sprite of that instance name on the timeline (the lowest depth
    // first; a shape's name gives the timeline itself); names ignore ASCII
    // case before version 7.
    SwfTimelineId ChildTimeline(SwfTimelineId id, const std::string& name) const;
    bool TimelineAlive(SwfTimelineId id) const { return Timeline(id) != nullptr; }
    std::string TimelineName(SwfTimelineId id) const;  // "" for the root
    std::string TimelineSymbol(SwfTimelineId id) const;  // the name its sprite is exported under, or ""
    void SetTimelineName(SwfTimelineId id, const std::string& name);
    int TimelineFrame(SwfTimelineId id) const;  // 1-based; 0 for a timeline gone
    int TimelineFrameCount(SwfTimelineId id) const;
    bool TimelinePlaying(SwfTimelineId id) const;
    void TimelinePlay(SwfTimelineId id, bool play);
    // To a frame from 1 (past the last: the last), as GotoFrame does.
    void TimelineGoto(SwfTimelineId id, long long frame, bool play);
    // A frame label, a number, a string of digits, or either after "path:"
    // (GotoFrame2's value, with its scene bias).
    void TimelineGotoValue(SwfTimelineId id, const SwfValue& value, int bias, bool play);
    bool TimelineGotoLabel(SwfTimelineId id, const std::string& label, bool play);
    int TimelineLabelFrame(SwfTimelineId id, const std::string& label) const;  // from 1; 0: none
    // Runs the actions of a frame (from 1) of the timeline now, as the Call action does, without moving its playhead.
    void TimelineCallFrame(SwfTimelineId id, int frame);
    // The numeric display properties (position and size in pixels, scales
    // and alpha in percent, rotation in degrees); NaN for others and for a
    // timeline gone.
    double TimelineProperty(SwfTimelineId id, SwfProperty property) const;
    // Depths as scripts count them: the timeline's depth 1 is -16383, and
    // scripts place their clips from 0 up (to what the list's depths hold).
    static constexpr int kScriptDepth = 16384;
    static constexpr int kMostRemovableDepth = 2130690031;
    // A clip of an exported sprite ("": an empty clip) at that depth, in
    // place of what was there; 0 when none can be made.
    SwfTimelineId TimelineAttach(SwfTimelineId parent, const std::string& symbol, const std::string& name, int depth);
    bool TimelineRemove(SwfTimelineId id);  // only a clip at a script's depth
    void TimelineUnload(SwfTimelineId id);  // its objects, drawing and frames gone; it stays
    // A copy of a clip beside it (its character, placement and handlers),
    // from its first frame, at a script's depth; 0 when none can be made.
    SwfTimelineId TimelineDuplicate(SwfTimelineId id, const std::string& name, int depth);
    std::optional<int> TimelineDepth(SwfTimelineId id) const;
    SwfTimelineId TimelineAtDepth(SwfTimelineId parent, int depth) const;
    int TimelineNextDepth(SwfTimelineId parent) const;  // above all there, from 0
    void TimelineSwapDepths(SwfTimelineId id, int depth);
    void SetTimelineProperty(SwfTimelineId id, SwfProperty property, double value);
    // The colour transform the timeline is shown with.
    bool TimelineColor(SwfTimelineId id, SwfColorTransform& color) const;
    // setMask: `mask`'s shapes, where it is, show the clip (0: no mask);
    // the mask clip is not drawn itself. One mask a clip, one clip a mask.
    void TimelineSetMask(SwfTimelineId id, SwfTimelineId mask);
    void SetTimelineColor(SwfTimelineId id, const SwfColorTransform& color);
    // Flash 8's effects of a timeline's object (filters, blend mode, bitmap
    // caching) and its matrix in twips. Setting any of them takes the object
    // from its timeline's later placements, as the other script setters do.
    bool TimelineEffects(SwfTimelineId id, SwfFilterList& filters, RasterBlend& blend, bool& cacheAsBitmap) const;
    void SetTimelineFilters(SwfTimelineId id, const SwfFilterList& filters);
    void SetTimelineBlend(SwfTimelineId id, RasterBlend blend);
    void SetTimelineCacheAsBitmap(SwfTimelineId id, bool cache);
    bool TimelineLocalMatrix(SwfTimelineId id, SwfMatrix& matrix) const;
    void SetTimelineLocalMatrix(SwfTimelineId id, const SwfMatrix& matrix);

    // Edit texts (swf_edit_field.cpp). Each one placed is a timeline to
    // scripts, with nothing on its list; these reach its field, which is laid
    // out again after a change before it is drawn or measured.
    SwfEditText* TimelineEditText(SwfTimelineId id) const;
    void TimelineEditTextChanged(SwfTimelineId id);
    SwfTextMetrics TimelineTextMetrics(SwfTimelineId id);
    // A new field at a script's depth (createTextField), in place of what was there.
    SwfTimelineId TimelineCreateText(SwfTimelineId parent, const std::string& name, int depth, const SwfRect& bounds);
    std::vector<SwfTimelineId> TextTimelines() const;  // every edit text on the stage, oldest first
    // The timeline with the keyboard focus (0: none).
    SwfTimelineId Focus() const { return TimelineAlive(m_focus) ? m_focus : 0; }
    void SetFocus(SwfTimelineId id) { m_focus = id; }

    // Geometry for scripts (swf_script_geometry.cpp). What scripts draw on a
    // timeline (made when first asked for); tell the stage after a change.
    SwfDrawnShape* TimelineDrawing(SwfTimelineId id);
    void TimelineDrawingChanged() { m_changed = true; }
    // A script's bitmap for fills: straight RGBA rows, copied; kept while the
    // stage lives (its decoded picture is cached by address). None past a cap.
    std::shared_ptr<const SwfBitmap> KeepBitmap(int width, int height, const std::vector<std::uint8_t>& rgba);
    // What is on the timeline (shapes, texts, drawings, children with their
    // transforms), in its own twips; without `strokes` shapes count their
    // edges alone.
    SwfBox TimelineBounds(SwfTimelineId id, bool strokes = true);
    // The timeline's twips to the stage's, its parents' and the root's
    // transforms included.
    bool TimelineMatrix(SwfTimelineId id, SwfMatrix& m) const;
    // Whether a point of the stage (twips) lies on what the timeline draws
    // (`shape`) or within its box on the stage.
    bool TimelineHitTest(SwfTimelineId id, double x, double y, bool shape);
    // _width and _height: the box in the parent's pixels; setting one scales.
    double TimelineSize(SwfTimelineId id, bool width);
    void SetTimelineSize(SwfTimelineId id, bool width, double pixels);
    // Where the pointer last was on the stage, in twips (0, 0 before any).
    SwfPoint Pointer() const { return m_pointer; }

    // Buttons (swf_buttons.cpp): each placed one is a timeline to scripts,
    // with nothing on its list; the sprites of the state it shows are its children.
    bool TimelineIsButton(SwfTimelineId id) const;
    // The clip whose own shape is topmost at a point of the stage (twips),
    // one clip and all in it left out: where a dragged clip is dropped.
    SwfTimelineId ClipAt(double x, double y, SwfTimelineId besides);

    struct Instance;
    struct Object;
    // A display list's keys: the timeline's depths as the movie has them
    // (1 to 65535), scripts' depths 16384 above theirs (up to the 2^31 Flash
    // allows), and below 0 the clips a removal holds for their unload.
    using ListKey = std::int32_t;
    // A script's depth as a list key; none past what the keys hold.
    static std::optional<ListKey> ScriptDepthKey(long long depth) {
        const long long key = depth + kScriptDepth;
        if (key < INT32_MIN || key > INT32_MAX) return std::nullopt;
        return static_cast<ListKey>(key);
    }

private:
    friend class SwfDrawing;
    struct Queued;

    // The timelines (swf_timeline.cpp).
    std::shared_ptr<Instance> NewInstance(const SwfTimeline& timeline, Instance* parent, int nesting);
    void Step(Instance& instance, bool force);
    void MoveTo(Instance& instance, int frame);
    void Execute(Instance& instance, int frame);
    void Rebuild(Instance& instance, int frame);
    void Release(const Object& object);
    void Unlist(Instance& instance);
    void PlaceCharacter(Object& object, std::uint16_t character, Instance& parent);
    void ShowParts(Object& button, Instance& self);
    std::string AutoName(std::uint16_t character);
    void Queue(Instance& instance, std::uint32_t block);
    void QueueInit(Instance& instance, std::uint32_t block);
    // Clip events (swf_clip_events.cpp): the clip's handlers of its
    // placement and the scripts' own, queued to run in order.
    static constexpr std::uint32_t kNoBlock = 0xFFFFFFFFu;
    void QueueEvent(Instance& instance, std::uint32_t event, bool unloading = false);
    void ClipEvent(Instance& instance, std::uint32_t event);
    void Born(Object& object, std::size_t queueMark);
    void QueueUnload(Instance& instance);
    void RunQueued(const Queued& next);
    void BroadcastClipEvent(std::uint32_t event);
    bool HoldForUnload(Instance& parent, std::map<ListKey, Object>::iterator it);
    void ReleaseHeld();
    void RunQueue();
    void Run(Instance& base, const SwfActionBlock& block);
    void Goto(Instance& instance, long long frame, bool play);
    void GotoValue(Instance& target, const SwfValue& value, int bias, bool play);
    Instance* Resolve(Instance& base, const std::string& path) const;
    Instance* Named(const Instance& instance, const std::string& name) const;  // a sprite by instance name
    int LabelFrame(const Instance& instance, const std::string& label) const;  // -1: none
    // An object's entry in its timeline's index of sprites by name, taken
    // out before the object changes and put back after.
    void Unindex(Instance& instance, ListKey depth, const Object& object) const;
    void Index(Instance& instance, ListKey depth, const Object& object) const;
    Instance* Timeline(SwfTimelineId id) const;
    Object* Holder(const Instance& instance) const;  // the object on the parent's list that shows it
    // Stage twips of an instance: its holders' matrices from the root; false if it is off the stage.
    bool WorldMatrix(const Instance& instance, SwfMatrix& out) const;
    void ScriptsFrameDone();
    // The buttons (swf_buttons.cpp).
    void PlaceButton(Object& object, Instance& parent);
    SwfTimelineId ButtonAt(double x, double y);
    bool HitButton(Instance& instance, const SwfMatrix& m, double x, double y, std::uint64_t& budget,
                   SwfTimelineId& found);
    bool HitShapes(const Instance& instance, const SwfMatrix& m, double x, double y, std::uint64_t& budget);
    bool ClipUnder(const Instance& instance, const SwfMatrix& m, double x, double y, SwfTimelineId besides,
                   std::uint64_t& budget, SwfTimelineId& found);
    bool HitCharacter(std::uint16_t id, const SwfMatrix& m, double x, double y, std::uint64_t& budget, int nesting = 0);
    SwfPointerRole Role(SwfTimelineId id) const;
    // The pointer's way onto or off a button, and the state it shows.
    bool PointerInput(SwfInput input, double x, double y);  // true: the movie listens
    void Track(SwfTimelineId hit, bool pressed);
    void Transition(SwfTimelineId id, std::uint16_t condition, std::uint32_t event);
    void RunInput();
    bool HandShown() const;
    void ShowButtonStates();
    const SwfOutline& ShapeOutline(std::uint32_t index);
    const SwfOutline& GlyphOutline(std::uint32_t font, std::uint32_t glyph);

    std::shared_ptr<const SwfMovie> m_movie;
    SwfStageLimits m_limits;
    std::shared_ptr<Instance> m_root;
    std::vector<std::weak_ptr<Instance>> m_instances;  // oldest first: a frame steps them newest first
    std::vector<Queued> m_queue;                       // actions waiting to run, in order
    std::vector<Queued> m_initQueue;                   // init actions waiting, run first
    std::set<std::uint32_t> m_initsRun;                // the init action lists queued once already
    SwfScripts* m_scripts = nullptr;
    SwfTimelineId m_lastId = 0;
    std::unordered_map<SwfTimelineId, std::weak_ptr<Instance>> m_byId;
    std::vector<SwfTimelineId> m_gone;  // removed since the scripts last heard
    std::uint32_t m_actionsRun = 0, m_gotos = 0;       // this frame's, against the caps
    std::uint64_t m_gotoTags = 0;
    std::uint32_t m_serial = 0;
    std::uint32_t m_autoNames = 0;  // "instanceN" names given
    std::vector<std::pair<std::weak_ptr<Instance>, ListKey>> m_held;  // removed, held for their unload
    SwfTimelineId m_hover = 0, m_pressed = 0, m_shown = 0;  // under the pointer, pressed, showing other than up
    bool m_pressedOver = false;  // the pointer is over the button pressed
    SwfColor m_background{255, 255, 255, 255};
    std::uint32_t m_objects = 0;
    bool m_capped = false;
    bool m_changed = true;
    std::vector<std::unique_ptr<SwfOutline>> m_shapeOutlines;
    std::vector<std::vector<std::unique_ptr<SwfOutline>>> m_glyphOutlines;
    SwfTimeline m_emptyTimeline;  // what createEmptyMovieClip's clips play
    // What scripts set of the root's own transform, colour and visibility:
    // the root is on no list, so it holds them here.
    std::unique_ptr<Object> m_rootHolder;

    // Script geometry (swf_script_geometry.cpp).
    struct BoundsWalk {
        bool strokes = true;
        std::uint64_t budget = 0;
    };
    void AddBounds(const Instance& instance, const SwfMatrix& m, SwfBox& box, int nesting, BoundsWalk& walk);
    void AddCharacterBounds(const Object& o, const SwfMatrix& m, SwfBox& box, int nesting, BoundsWalk& walk);
    bool HitInstance(const Instance& instance, const SwfMatrix& m, double x, double y, int nesting,
                     std::uint64_t& budget);
    SwfPoint m_pointer{0, 0};
    std::vector<std::shared_ptr<const SwfBitmap>> m_keptBitmaps;
    std::shared_ptr<SwfDrawnPool> m_drawnPool;
    std::uint64_t m_keptBytes = 0;

    // Edit texts (swf_edit_field.cpp).
    void PlaceEditText(Object& object, const SwfEditText& field, Instance& parent);
    SwfTimelineId m_focus = 0;
};

}  // namespace fh
