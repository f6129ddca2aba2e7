#pragma once
// A movie's scripts run on its stage: the machine sees the stage's
// timelines through it, and it gives the machine the clock, the dice and
// the code page its caller chose. In batch the clock is the frames played
// times the frame period, from a fixed date, and the dice have a fixed
// seed, so traces and pictures repeat; a player passes the real clock.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "avm1/avm1_host.h"
#include "avm1/avm1_machine.h"
#include "swf/swf_stage.h"

namespace fh::avm1 {

struct StageScriptOptions {
    Limits limits;
    std::function<void(const std::string&)> trace;  // each line traced, UTF-8
    // Text of movies before version 6 to UTF-8; none: taken as it is.
    std::function<std::string(const std::string&)> localToUtf8;
    // The real clock; none: the virtual one.
    std::function<double()> nowMs;                 // any start, milliseconds
    std::function<double()> dateNowMs;             // UTC, since 1970
    std::function<double(double)> localOffsetMs;   // local minus UTC at that moment
    std::string url;                               // the movie's own address (_url)
};

class StageScripts final : public SwfScripts, private Host {
public:
    // Attaches to the stage, which starts its movie again with scripts.
    StageScripts(SwfStage& stage, StageScriptOptions options = StageScriptOptions());
    ~StageScripts() override;
    StageScripts(const StageScripts&) = delete;
    StageScripts& operator=(const StageScripts&) = delete;

    // The movie from its start with a fresh machine: no variable or object
    // of the run before survives.
    void Restart();
    // fscommand("quit") was called: a batch run ends the movie at the end of that frame.
    bool QuitAsked() const { return m_quit; }
    // Scripts a cap cut since the start.
    std::uint32_t CutScripts() const { return m_machine->CutScripts(); }
    Machine& GetMachine() { return *m_machine; }

    void Run(SwfTimelineId timeline, const SwfActionBlock& block) override;
    void FrameDone() override;
    void Removed(SwfTimelineId timeline) override;
    void Event(SwfTimelineId timeline, std::uint32_t event) override;
    bool HasUnloadHandler(SwfTimelineId timeline) override;

private:
    TimelineId Root() override;
    TimelineId Parent(TimelineId t) override;
    TimelineId Child(TimelineId t, const std::string& name) override;
    bool Alive(TimelineId t) override;
    std::string Name(TimelineId t) override;
    Value GetProperty(TimelineId t, int index) override;
    void SetProperty(TimelineId t, int index, const Value& v) override;
    void GotoFrame(TimelineId t, int frame, bool play) override;
    bool GotoLabel(TimelineId t, const std::string& label, bool play) override;
    int LabelFrame(TimelineId t, const std::string& label) override;
    void CallFrame(TimelineId t, int frame) override;
    void Play(TimelineId t) override;
    void Stop(TimelineId t) override;
    void NextFrame(TimelineId t) override;
    void PrevFrame(TimelineId t) override;
    int CurrentFrame(TimelineId t) override;
    TimelineId AttachClip(TimelineId parent, const std::string& symbol, const std::string& name, int depth) override;
    bool RemoveClip(TimelineId t) override;
    void UnloadClip(TimelineId t) override;
    TimelineId DuplicateClip(TimelineId t, const std::string& name, int depth) override;
    bool Depth(TimelineId t, int& depth) override;
    TimelineId AtDepth(TimelineId parent, int depth) override;
    int NextDepth(TimelineId parent) override;
    void SwapDepths(TimelineId t, int depth) override;
    int TotalFrames(TimelineId t) override;
    std::string Symbol(TimelineId t) override;
    double StageWidth() override;
    double StageHeight() override;
    bool GetColor(TimelineId t, SwfColorTransform& color) override;
    void SetColor(TimelineId t, const SwfColorTransform& color) override;
    void SetMask(TimelineId t, TimelineId mask) override;
    void Trace(const std::string& utf8Line) override;
    void FsCommand(const std::string& command, const std::string& args) override;
    double NowMs() override;
    double DateNowMs() override;
    double LocalOffsetMs(double utcMs) override;
    std::uint32_t RandomSeed() override;
    std::string LocalToUtf8(const std::string& text) override;

    double FramePeriodMs() const;
    void Start();

    // Text fields (avm1_stage_text.cpp).
    void TextPlaced(SwfTimelineId timeline) override;
    SwfEditText* TextField(TimelineId t) override;
    void TextFieldChanged(TimelineId t) override;
    SwfTextMetrics TextMetrics(TimelineId t) override;
    TimelineId CreateTextField(TimelineId parent, const std::string& name, int depth, const SwfRect& twips) override;
    TimelineId Focus() override;
    void SetFocus(TimelineId t) override;
    // Every bound field shows what its variable holds now.
    void SyncTextFields();

    // Geometry (avm1_stage_geometry.cpp).
    SwfDrawnShape* Drawing(TimelineId t) override;
    void DrawingChanged(TimelineId t) override;
    std::shared_ptr<const SwfBitmap> KeepBitmap(int width, int height, const std::vector<std::uint8_t>& rgba) override;
    SwfBox Bounds(TimelineId t, bool strokes) override;
    bool StageMatrix(TimelineId t, SwfMatrix& m) override;
    bool HitTest(TimelineId t, double x, double y, bool shape) override;
    // The pointer in the timeline's pixels; false when it has no inverse.
    bool PointerIn(TimelineId t, SwfPoint& at);
    // _xmouse and _ymouse.
    double Mouse(TimelineId t, bool x);
    // Flash 8's display settings (avm1_stage.cpp).
    bool GetEffects(TimelineId t, SwfFilterList& filters, RasterBlend& blend, bool& cacheAsBitmap) override;
    void SetFilters(TimelineId t, const SwfFilterList& filters) override;
    void SetBlend(TimelineId t, RasterBlend blend) override;
    void SetCacheAsBitmap(TimelineId t, bool cache) override;
    bool GetMatrix(TimelineId t, SwfMatrix& matrix) override;
    void SetMatrix(TimelineId t, const SwfMatrix& matrix) override;

    // Buttons and input (avm1_stage_input.cpp).
    bool IsButton(TimelineId t) override;
    SwfPointerRole PointerRole(SwfTimelineId timeline) override;
    bool Input(SwfInput input, int code, int ascii) override;
    void StartDrag(TimelineId t, bool lockCenter, const SwfBox& limits) override;
    void StopDrag() override;
    // The dragged clip moved to the pointer.
    void FollowPointer();

    SwfStage& m_stage;
    StageScriptOptions m_options;
    std::unique_ptr<Machine> m_machine;
    double m_start = 0;          // the real clock when the movie started
    std::uint64_t m_frames = 0;  // frames played since the start
    bool m_quit = false;
    struct Drag {
        TimelineId clip = kNoTimeline;
        SwfPoint offset;  // the clip's origin from the pointer, parent's pixels
        SwfBox limits;    // parent's pixels; empty: none
        // The clip last dragged, and the clip it is over (its _droptarget).
        TimelineId last = kNoTimeline, over = kNoTimeline;
    } m_drag;
};

}  // namespace fh::avm1
