#include "avm1/avm1_stage.h"

#include <cmath>

#include "swf/swf_actions.h"

namespace fh::avm1 {

namespace {

// The virtual clock's date: a day of the years these movies were made.
constexpr double kVirtualEpochMs = 1136073600000.0;  // 2006-01-01 00:00 UTC
constexpr std::uint32_t kVirtualSeed = 20060101u;

}  // namespace

StageScripts::StageScripts(SwfStage& stage, StageScriptOptions options)
    : m_stage(stage), m_options(std::move(options)) {
    Start();
}

void StageScripts::Restart() { Start(); }

void StageScripts::Start() {
    m_machine = std::make_unique<Machine>(static_cast<Host&>(*this), m_stage.Movie().version, m_options.limits);
    m_start = m_options.nowMs ? m_options.nowMs() : 0;
    m_frames = 0;
    m_quit = false;
    m_stage.SetScripts(this);
}

StageScripts::~StageScripts() { m_stage.SetScripts(nullptr); }

double StageScripts::FramePeriodMs() const {
    const double rate = m_stage.Movie().frameRate;
    return rate > 0.01 && rate < 1000 ? 1000 / rate : 1000.0 / 12;
}

void StageScripts::Run(SwfTimelineId timeline, const SwfActionBlock& block) {
    // After quit the movie is over: what the rest of the frame queued does not run.
    if (m_quit || block.code.empty()) return;
    m_machine->RunActions(timeline, reinterpret_cast<const std::uint8_t*>(block.code.data()), block.code.size());
}

void StageScripts::FrameDone() {
    SyncTextFields();
    ++m_frames;
    m_machine->Tick(FramePeriodMs());
    m_machine->Collect();
}

void StageScripts::Removed(SwfTimelineId timeline) { m_machine->TimelineRemoved(timeline); }

bool StageScripts::HasUnloadHandler(SwfTimelineId timeline) { return m_machine->HasClipHandler(timeline, "onUnload"); }

void StageScripts::Event(SwfTimelineId timeline, std::uint32_t event) {
    if (m_quit) return;
    if (event == kSwfEventConstruct) {
        m_machine->ConstructClip(timeline);
        return;
    }
    static const struct {
        std::uint32_t event;
        const char* handler;
    } kHandlers[] = {{kSwfEventLoad, "onLoad"},           {kSwfEventEnterFrame, "onEnterFrame"},
                     {kSwfEventUnload, "onUnload"},       {kSwfEventMouseMove, "onMouseMove"},
                     {kSwfEventMouseDown, "onMouseDown"}, {kSwfEventMouseUp, "onMouseUp"},
                     {kSwfEventKeyDown, "onKeyDown"},     {kSwfEventKeyUp, "onKeyUp"},
                     {kSwfEventData, "onData"},           {kSwfEventPress, "onPress"},
                     {kSwfEventRelease, "onRelease"},     {kSwfEventReleaseOutside, "onReleaseOutside"},
                     {kSwfEventRollOver, "onRollOver"},   {kSwfEventRollOut, "onRollOut"},
                     {kSwfEventDragOver, "onDragOver"},   {kSwfEventDragOut, "onDragOut"}};
    for (const auto& h : kHandlers) {
        if (h.event == event) {
            m_machine->DispatchClipEvent(timeline, h.handler);
            return;
        }
    }
}

TimelineId StageScripts::Root() { return m_stage.RootTimeline(); }
TimelineId StageScripts::Parent(TimelineId t) { return m_stage.ParentTimeline(t); }
TimelineId StageScripts::Child(TimelineId t, const std::string& name) { return m_stage.ChildTimeline(t, name); }
bool StageScripts::Alive(TimelineId t) { return m_stage.TimelineAlive(t); }
std::string StageScripts::Name(TimelineId t) { return m_stage.TimelineName(t); }

Value StageScripts::GetProperty(TimelineId t, int index) {
    if (!m_stage.TimelineAlive(t)) return Value();
    switch (index) {
    case kPropUrl: return Value(m_options.url);
    case kPropDropTarget:
        return Value(t == m_drag.last && m_stage.TimelineAlive(m_drag.over) ? m_machine->SlashPath(m_drag.over)
                                                                              : std::string());
    case kPropHighQuality: return Value(1);
    case kPropQuality: return Value("HIGH");
    case kPropFocusRect: return Value(true);
    case kPropSoundBufTime: return Value(5);
    case kPropXMouse:
    case kPropYMouse: return Value(Mouse(t, index == kPropXMouse));
    case kPropWidth:
    case kPropHeight: return Value(m_stage.TimelineSize(t, index == kPropWidth));
    default: break;
    }
    if (index < 0 || index >= kSwfPropertyCount) return Value();
    const double n = m_stage.TimelineProperty(t, static_cast<SwfProperty>(index));
    if (std::isnan(n)) return Value();
    if (index == kPropVisible) return Value(n != 0);
    return Value(n);
}

void StageScripts::SetProperty(TimelineId t, int index, const Value& v) {
    if (index == kPropName) {
        m_stage.SetTimelineName(t, m_machine->ToString(v));
        return;
    }
    if (index == kPropWidth || index == kPropHeight) {
        m_stage.SetTimelineSize(t, index == kPropWidth, m_machine->ToNumber(v));
        return;
    }
    if (index < 0 || index >= kSwfPropertyCount) return;
    const double n = index == kPropVisible ? (ToBoolean(v, m_machine->Version()) ? 1 : 0) : m_machine->ToNumber(v);
    m_stage.SetTimelineProperty(t, static_cast<SwfProperty>(index), n);
}

void StageScripts::GotoFrame(TimelineId t, int frame, bool play) { m_stage.TimelineGoto(t, frame, play); }
bool StageScripts::GotoLabel(TimelineId t, const std::string& label, bool play) {
    return m_stage.TimelineGotoLabel(t, label, play);
}
int StageScripts::LabelFrame(TimelineId t, const std::string& label) { return m_stage.TimelineLabelFrame(t, label); }
void StageScripts::CallFrame(TimelineId t, int frame) { m_stage.TimelineCallFrame(t, frame); }
void StageScripts::Play(TimelineId t) { m_stage.TimelinePlay(t, true); }
void StageScripts::Stop(TimelineId t) { m_stage.TimelinePlay(t, false); }
void StageScripts::NextFrame(TimelineId t) {
    if (m_stage.TimelineAlive(t)) m_stage.TimelineGoto(t, m_stage.TimelineFrame(t) + 1, false);
}
void StageScripts::PrevFrame(TimelineId t) {
    if (m_stage.TimelineAlive(t)) m_stage.TimelineGoto(t, m_stage.TimelineFrame(t) - 1, false);
}
int StageScripts::CurrentFrame(TimelineId t) { return m_stage.TimelineFrame(t); }
TimelineId StageScripts::AttachClip(TimelineId parent, const std::string& symbol, const std::string& name, int depth) {
    return m_stage.TimelineAttach(parent, symbol, name, depth);
}
bool StageScripts::RemoveClip(TimelineId t) { return m_stage.TimelineRemove(t); }
void StageScripts::UnloadClip(TimelineId t) { m_stage.TimelineUnload(t); }
TimelineId StageScripts::DuplicateClip(TimelineId t, const std::string& name, int depth) {
    return m_stage.TimelineDuplicate(t, name, depth);
}
bool StageScripts::Depth(TimelineId t, int& depth) {
    const std::optional<int> d = m_stage.TimelineDepth(t);
    if (d) depth = *d;
    return d.has_value();
}
TimelineId StageScripts::AtDepth(TimelineId parent, int depth) { return m_stage.TimelineAtDepth(parent, depth); }
int StageScripts::NextDepth(TimelineId parent) { return m_stage.TimelineNextDepth(parent); }
void StageScripts::SwapDepths(TimelineId t, int depth) { m_stage.TimelineSwapDepths(t, depth); }
int StageScripts::TotalFrames(TimelineId t) { return m_stage.TimelineFrameCount(t); }
std::string StageScripts::Symbol(TimelineId t) { return m_stage.TimelineSymbol(t); }
double StageScripts::StageWidth() {
    const SwfRect& r = m_stage.Movie().stage;
    return (static_cast<double>(r.xMax) - r.xMin) / 20;
}
double StageScripts::StageHeight() {
    const SwfRect& r = m_stage.Movie().stage;
    return (static_cast<double>(r.yMax) - r.yMin) / 20;
}

bool StageScripts::GetColor(TimelineId t, SwfColorTransform& color) { return m_stage.TimelineColor(t, color); }
void StageScripts::SetColor(TimelineId t, const SwfColorTransform& color) { m_stage.SetTimelineColor(t, color); }
void StageScripts::SetMask(TimelineId t, TimelineId mask) { m_stage.TimelineSetMask(t, mask); }

void StageScripts::Trace(const std::string& utf8Line) {
    if (m_options.trace) m_options.trace(utf8Line);
}

void StageScripts::FsCommand(const std::string& command, const std::string&) {
    if (command == "quit") m_quit = true;
}

double StageScripts::NowMs() {
    if (m_options.nowMs) return m_options.nowMs() - m_start;
    return std::floor(static_cast<double>(m_frames) * FramePeriodMs());
}

double StageScripts::DateNowMs() {
    if (m_options.dateNowMs) return m_options.dateNowMs();
    return kVirtualEpochMs + NowMs();
}

double StageScripts::LocalOffsetMs(double utcMs) {
    return m_options.localOffsetMs ? m_options.localOffsetMs(utcMs) : 0;
}

std::uint32_t StageScripts::RandomSeed() {
    if (!m_options.nowMs) return kVirtualSeed;
    return static_cast<std::uint32_t>(std::fmod(m_options.nowMs() * 7919.0, 4294967296.0));
}

std::string StageScripts::LocalToUtf8(const std::string& text) {
    return m_options.localToUtf8 ? m_options.localToUtf8(text) : text;
}

bool StageScripts::GetEffects(TimelineId t, SwfFilterList& filters, RasterBlend& blend, bool& cacheAsBitmap) {
    return m_stage.TimelineEffects(t, filters, blend, cacheAsBitmap);
}
void StageScripts::SetFilters(TimelineId t, const SwfFilterList& filters) { m_stage.SetTimelineFilters(t, filters); }
void StageScripts::SetBlend(TimelineId t, RasterBlend blend) { m_stage.SetTimelineBlend(t, blend); }
void StageScripts::SetCacheAsBitmap(TimelineId t, bool cache) { m_stage.SetTimelineCacheAsBitmap(t, cache); }
bool StageScripts::GetMatrix(TimelineId t, SwfMatrix& matrix) { return m_stage.TimelineLocalMatrix(t, matrix); }
void StageScripts::SetMatrix(TimelineId t, const SwfMatrix& matrix) { m_stage.SetTimelineLocalMatrix(t, matrix); }

}  // namespace fh::avm1
