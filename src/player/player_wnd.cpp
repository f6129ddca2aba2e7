#include "player/player_wnd.h"

#include <algorithm>

#include "player/metadata_title.h"
#include "player/movie_file.h"
#include "swf/swf_movie.h"
#include "win/dpi.h"
#include "res/resource.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {

namespace {

// Posted by a card read with its result (lParam, a CardResult to take over).
constexpr UINT kCardRead = WM_APP + 0x31;
// Closing the window waits no longer than this for a read under way.
constexpr DWORD kCloseWaitMs = 100;
// How long a deletion waits for the read of the movie on show to end.
constexpr DWORD kReleaseWaitMs = 2000;

// The timer that plays the movie's frames.
constexpr UINT_PTR kPlayTimer = 1;
// Playing on would keep the window busy: the player pauses instead.
constexpr DWORD kSlowFrameMs = 250;
// The most one drawing may take; what is left is not drawn.
constexpr int kDrawLimitMs = 400;

// Milliseconds of the performance counter: finer than the tick count, whose
// steps of 15 ms would hide the cost of a drawing.
std::uint32_t NowMs() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f{};
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart > 0 ? f.QuadPart : 1;
    }();
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return static_cast<std::uint32_t>(now.QuadPart * 1000 / frequency);
}

// Milliseconds since 1970 (UTC) of a FILETIME and back.
constexpr ULONGLONG kFileTimeOf1970 = 116444736000000000ULL;
double FileTimeMs(const FILETIME& ft) {
    const ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (static_cast<double>(ticks) - static_cast<double>(kFileTimeOf1970)) / 10000;
}

// A player's scripts see the real clock, the machine's time zone and the
// system code page; `_url` is the file's own address.
avm1::StageScriptOptions PlayerScriptOptions(const std::string& path) {
    avm1::StageScriptOptions options;
    options.nowMs = [] { return static_cast<double>(NowMs()); };
    options.dateNowMs = [] {
        FILETIME ft{};
        ::GetSystemTimeAsFileTime(&ft);
        return FileTimeMs(ft);
    };
    options.localOffsetMs = [](double utcMs) {
        // Dates before 1601 or after 30828 have no FILETIME: their offset is today's.
        const double ms = std::clamp(utcMs, -11644473600000.0, 910692730085000.0);
        const ULONGLONG ticks = static_cast<ULONGLONG>(ms * 10000 + static_cast<double>(kFileTimeOf1970));
        FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME st{}, local{};
        FILETIME back{};
        if (!::FileTimeToSystemTime(&utc, &st) || !::SystemTimeToTzSpecificLocalTime(nullptr, &st, &local) ||
            !::SystemTimeToFileTime(&local, &back))
            return 0.0;
        return FileTimeMs(back) - FileTimeMs(utc);
    };
    options.localToUtf8 = SystemToUtf8;
    std::string url = "file:///" + path;
    std::replace(url.begin(), url.end(), '\\', '/');
    options.url = url;
    return options;
}

struct CardResult {
    unsigned generation = 0;
    std::optional<SwfHeaderInfo> info;
    std::string title;
    std::string sha256;
    std::shared_ptr<SwfMovie> movie;
};

PlaybackTexts LoadPlaybackTexts() {
    PlaybackTexts t;
    t.frame = LoadResString(IDS_CARD_FRAME);
    t.paused = LoadResString(IDS_CARD_PAUSED);
    t.scripts = LoadResString(IDS_CARD_SCRIPTS);
    t.scriptsCut = LoadResString(IDS_CARD_SCRIPTS_CUT);
    t.leftOut = LoadResString(IDS_CARD_LEFT_OUT);
    t.editTexts = LoadResString(IDS_CARD_EDIT_TEXTS);
    t.sounds = LoadResString(IDS_CARD_SOUNDS);
    t.videos = LoadResString(IDS_CARD_VIDEOS);
    t.largeBitmaps = LoadResString(IDS_CARD_LARGE_BITMAPS);
    t.drawLimit = LoadResString(IDS_CARD_DRAW_LIMIT);
    t.damaged = LoadResString(IDS_CARD_DAMAGED);
    t.tooManyTags = LoadResString(IDS_CARD_TOO_MANY_TAGS);
    t.tooManyShapes = LoadResString(IDS_CARD_TOO_MANY_SHAPES);
    t.tooLarge = LoadResString(IDS_CARD_MOVIE_TOO_LARGE);
    t.cutShort = LoadResString(IDS_CARD_CUT_SHORT);
    t.corrupt = LoadResString(IDS_CARD_CORRUPT);
    return t;
}

CardTexts LoadCardTexts() {
    CardTexts t;
    t.version = LoadResString(IDS_CARD_VERSION);
    t.compression = LoadResString(IDS_CARD_COMPRESSION);
    t.none = LoadResString(IDS_CARD_NONE);
    t.stage = LoadResString(IDS_CARD_STAGE);
    t.frameRate = LoadResString(IDS_CARD_FRAME_RATE);
    t.frameCount = LoadResString(IDS_CARD_FRAME_COUNT);
    t.fileSize = LoadResString(IDS_LABEL_SIZE);
    t.bytes = LoadResString(IDS_BYTES);
    t.actionScript3 = LoadResString(IDS_CARD_AS3);
    t.yes = LoadResString(IDS_CARD_YES);
    t.no = LoadResString(IDS_CARD_NO);
    t.title = LoadResString(IDS_CARD_TITLE);
    t.notAMovie = LoadResString(IDS_CARD_NOT_MOVIE);
    t.cutShort = LoadResString(IDS_CARD_CUT_SHORT);
    t.corrupt = LoadResString(IDS_CARD_CORRUPT);
    t.tooLarge = LoadResString(IDS_CARD_TOO_LARGE);
    t.unreadable = LoadResString(IDS_CARD_UNREADABLE);
    t.sha256 = LoadResString(IDS_CARD_SHA256);
    return t;
}

// The dialog's font, so that the card reads like the rest of the window.
HFONT CardFont(HWND wnd) {
    auto font = reinterpret_cast<HFONT>(::SendMessageA(::GetParent(wnd), WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

// What a worker thread needs, shared with the window until both are done.
struct CPlayerWnd::CardRead {
    std::string path;
    HWND window = nullptr;
    unsigned generation = 0;
    std::atomic<bool> cancel{false};
};

namespace {

std::unique_ptr<CardResult> ReadCardResult(const std::string& path, unsigned generation,
                                           const std::atomic<bool>* cancel) {
    auto result = std::make_unique<CardResult>();
    result->generation = generation;
    // The header's read goes on to the end of the file for its hash.
    result->info = ReadMovieFile(path, SwfReadLimits(), cancel, &result->sha256);
    if (result->info) result->title = MetadataTitle(result->info->metadata);
    if (result->info && result->info->IsMovie()) {
        FileSource source(path, cancel);
        if (source.IsOpen()) {
            std::shared_ptr<SwfMovie> movie = LoadSwfMovie(source);
            if (movie->Readable()) result->movie = std::move(movie);
        }
    }
    return result;
}

DWORD WINAPI ReadCard(void* parameter) {
    using Shared = std::shared_ptr<CPlayerWnd::CardRead>;
    const std::unique_ptr<Shared> owned(static_cast<Shared*>(parameter));
    const CPlayerWnd::CardRead& read = **owned;
    std::unique_ptr<CardResult> result = ReadCardResult(read.path, read.generation, &read.cancel);
    if (read.cancel) return 0;
    // A window that is gone takes no message: the result is freed here.
    if (::PostMessageA(read.window, kCardRead, 0, reinterpret_cast<LPARAM>(result.get()))) result.release();
    return 0;
}

}  // namespace

bool RegisterPlayerClass() {
    return RegisterPlainClass(FLICKHOLD_PLAYER_CLASS, 0, ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)),
                              static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

const std::vector<DispatchEntry<CPlayerWnd>>& CPlayerWnd::DispatchTable() {
    using P = CPlayerWnd;
    static const std::vector<DispatchEntry<P>> table = {
        OnMessage<P>(WM_ERASEBKGND, &P::OnEraseBackground),
        OnMessage<P>(WM_PAINT, &P::OnPaint),
        OnMessage<P>(WM_SIZE, &P::OnSize),
        OnMessage<P>(WM_DESTROY, &P::OnDestroy),
        OnMessage<P>(kCardRead, &P::OnCardRead),
        OnMessage<P>(WM_TIMER, &P::OnTimer),
        OnMessage<P>(WM_LBUTTONDOWN, &P::OnLButtonDown),
        OnMessage<P>(WM_LBUTTONUP, &P::OnLButtonUp),
        OnMessage<P>(WM_MOUSEMOVE, &P::OnMouseMove),
        OnMessage<P>(WM_MOUSELEAVE, &P::OnMouseLeave),
        OnMessage<P>(WM_SETCURSOR, &P::OnSetCursor),
        OnMessage<P>(WM_KEYDOWN, &P::OnKeyDown),
        OnMessage<P>(WM_KEYUP, &P::OnKeyUp),
        OnMessage<P>(WM_GETDLGCODE, &P::OnGetDlgCode),
    };
    return table;
}

void CPlayerWnd::Initialize(const CLSID& flash) {
    if (Handle()) m_flash.Create(Handle(), flash);
}

void CPlayerWnd::ShowMovie(const std::string& path, const std::string& sizeText, const std::string& heading) {
    if (m_flash.Active()) {
        m_flash.PutMovie(path);
        return;
    }
    // The file's own name heads the card.
    const std::string& named = heading.empty() ? path : heading;
    const std::size_t slash = SystemCodePage().FindLast(named, '\\');
    m_name = named.substr(slash == std::string::npos ? 0 : slash + 1);
    m_path = path;
    m_sizeText = sizeText;
    m_info.reset();
    StopPlayback();
    AbandonRead(0);
    ++m_generation;
    auto read = std::make_shared<CardRead>();
    read->path = path;
    read->window = Handle();
    read->generation = m_generation;
    auto* parameter = new std::shared_ptr<CardRead>(read);
    m_readThread.Reset(Handle() ? ::CreateThread(nullptr, 0, ReadCard, parameter, 0, nullptr) : nullptr);
    if (!m_readThread) {
        // No window or no thread: the card is read here and now.
        delete parameter;
        OnCardRead(0, reinterpret_cast<LPARAM>(ReadCardResult(path, m_generation, nullptr).release()));
        return;
    }
    m_read = std::move(read);
    m_reading = true;
    m_factLines = {{m_name, std::string()}, {LoadResString(IDS_CARD_READING), std::string()}};
    m_lines = m_factLines;
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

MsgResult CPlayerWnd::OnCardRead(WPARAM, LPARAM lParam) {
    std::unique_ptr<CardResult> result(reinterpret_cast<CardResult*>(lParam));
    // An abandoned read may still arrive: only the newest one counts.
    if (!result || result->generation != m_generation) return Handled(0);
    m_reading = false;
    m_read.reset();
    m_readThread.Reset();
    m_info = std::move(result->info);
    if (m_info) {
        m_factLines = MovieCardLines(*m_info, LoadCardTexts(), m_sizeText, result->title, result->sha256);
    } else {
        m_factLines = {{LoadResString(IDS_CARD_UNREADABLE), std::string()}};
    }
    m_factLines.insert(m_factLines.begin(), {m_name, std::string()});
    m_movie = std::move(result->movie);
    if (m_movie && StartGdiplus()) {
        m_stage = std::make_unique<SwfStage>(m_movie);
        m_scripts = std::make_unique<avm1::StageScripts>(*m_stage, PlayerScriptOptions(m_path));
        // No frame holds the window longer than this; the card says when one was cut.
        m_stage->SetDrawTimeLimit(kDrawLimitMs);
        m_images = std::make_unique<SwfImages>(&PictureDecoder());
        m_paused = false;
    }
    UpdateCardLines();
    DrawStage();
    UpdateCardLines();
    StartTimer();
    if (Handle()) ::InvalidateRect(Handle(), nullptr, TRUE);
    return Handled(0);
}

void CPlayerWnd::UpdateCardLines() {
    m_lines = m_factLines;
    if (!m_stage) return;
    PlaybackState state;
    state.frame = m_stage->Frame();
    state.frameCount = m_stage->FrameCount();
    state.paused = m_paused;
    state.drawCut = m_drawCut;
    state.scriptsCut = m_scripts ? m_scripts->CutScripts() : 0;
    const bool headerSaid = m_info && m_info->stop != SwfStop::FirstFrame;
    for (CardLine& line : PlaybackCardLines(*m_movie, state, LoadPlaybackTexts(), headerSaid)) m_lines.push_back(std::move(line));
}

void CPlayerWnd::DrawStage() {
    if (!m_stage || !Handle()) return;
    // The card's lines decide the stage box, and the box the picture's size.
    const RECT box = StageRect();
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (width <= 0 || height <= 0) return;
    if (m_picture.width != width || m_picture.height != height) m_picture = RasterImage(width, height);
    const SwfRect& stage = m_movie->stage;
    const double stageWidth = std::max(1, stage.xMax - stage.xMin), stageHeight = std::max(1, stage.yMax - stage.yMin);
    const SwfMatrix view = SwfMatrix::Scale(width / stageWidth, height / stageHeight) *
                           SwfMatrix::Translate(-stage.xMin, -stage.yMin);
    const std::uint32_t start = NowMs();
    m_stage->TakeChanged();
    m_drawCut = DrawFrame(*m_stage, *m_images, m_picture, view).cut;
    m_lastDrawMs = NowMs() - start;
}

void CPlayerWnd::StartTimer() {
    if (!m_stage || m_paused || !Handle()) return;
    // A movie with one frame and no sprites has nothing to play.
    if (m_stage->FrameCount() <= 1 && m_movie->sprites.empty()) return;
    m_pacer.emplace(m_movie->frameRate, NowMs());
    m_timer = ::SetTimer(Handle(), kPlayTimer, m_pacer->Period(), nullptr) != 0;
}

void CPlayerWnd::StopPlayback() {
    if (m_timer && Handle()) ::KillTimer(Handle(), kPlayTimer);
    m_timer = false;
    m_scripts.reset();
    m_stage.reset();
    m_picture = RasterImage();
    m_images.reset();
    m_movie.reset();
    m_drawCut = false;
    m_paused = false;
    m_overButton = false;
    if (m_pressing && Handle()) ::ReleaseCapture();
    m_pressing = false;
}

MsgResult CPlayerWnd::OnTimer(WPARAM wParam, LPARAM) {
    if (wParam != kPlayTimer) return NotHandled();
    if (!m_stage || m_paused || !m_pacer) return Handled(0);
    const PlaybackPacer::Tick tick = m_pacer->OnTick(NowMs());
    for (int i = 0; i < tick.frames; ++i) m_stage->Advance();
    if (tick.frames > 0) UpdateCardLines();
    if (!tick.draw) return Handled(0);
    // A movie held by stop() or between changes costs nothing to show.
    if (!m_stage->TakeChanged()) {
        m_pacer->Drew(NowMs(), NowMs());
        return Handled(0);
    }
    const std::uint32_t start = NowMs();
    DrawStage();
    m_pacer->Drew(start, NowMs());
    if (m_lastDrawMs > kSlowFrameMs) {
        m_paused = true;
        ::KillTimer(Handle(), kPlayTimer);
        m_timer = false;
        UpdateCardLines();
    }
    ::InvalidateRect(Handle(), nullptr, FALSE);
    return Handled(0);
}

void CPlayerWnd::TogglePause() {
    if (!m_stage) return;
    m_paused = !m_paused;
    if (m_paused) {
        if (m_timer) ::KillTimer(Handle(), kPlayTimer);
        m_timer = false;
    } else {
        StartTimer();
    }
    UpdateCardLines();
    if (Handle()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void CPlayerWnd::StepFrame(int delta) {
    if (!m_stage || !m_paused) return;
    if (delta > 0) {
        m_stage->Advance(true);
    } else {
        // No going back: the movie starts again and plays to the frame before.
        const int target = m_stage->Frame() > 1 ? m_stage->Frame() - 1 : m_stage->FrameCount();
        RestartStage();
        // Gotos may keep the movie from ever reaching it: no more steps than frames.
        for (int i = 1; i < m_stage->FrameCount() && m_stage->Frame() < target; ++i) m_stage->Advance(true);
    }
    DrawStage();
    UpdateCardLines();
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

void CPlayerWnd::RestartStage() {
    if (m_scripts) {
        m_scripts->Restart();
    } else {
        m_stage->Restart();
    }
}

void CPlayerWnd::FirstFrame() {
    if (!m_stage) return;
    RestartStage();
    if (m_pacer) m_pacer->Restart(NowMs());
    DrawStage();
    UpdateCardLines();
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

std::vector<std::uint32_t> CPlayerWnd::StagePixels() const {
    // The picture is opaque: its alpha is whole whatever the last drawing left there.
    std::vector<std::uint32_t> pixels = m_picture.px;
    for (std::uint32_t& p : pixels) p |= 0xFF000000u;
    return pixels;
}

MsgResult CPlayerWnd::OnLButtonDown(WPARAM, LPARAM lParam) {
    if (!m_stage) return NotHandled();
    ::SetFocus(Handle());
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const RECT box = StageRect();
    if (!::PtInRect(&box, at)) return Handled(0);
    const SwfPoint point = StagePoint(lParam);
    if (m_stage->PointerDown(point.x, point.y)) {
        // The release belongs to the movie (its button, its listeners) even
        // if it ends outside the window.
        m_pressing = true;
        ::SetCapture(Handle());
        ShowPointerChange();
    } else {
        TogglePause();
    }
    return Handled(0);
}

MsgResult CPlayerWnd::OnLButtonUp(WPARAM, LPARAM lParam) {
    if (!m_stage) return NotHandled();
    // A release away from the movie's buttons is still the movie's to hear.
    if (m_pressing) ::ReleaseCapture();
    m_pressing = false;
    const SwfPoint point = StagePoint(lParam);
    m_stage->PointerUp(point.x, point.y);
    m_overButton = m_stage->PointerMove(point.x, point.y, false);
    // Its actions may have sent the movie to another frame, or set it playing.
    UpdateCardLines();
    ShowPointerChange();
    ::InvalidateRect(Handle(), nullptr, FALSE);
    return Handled(0);
}

MsgResult CPlayerWnd::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    if (!m_stage) return NotHandled();
    if (!m_tracking) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
        m_tracking = ::TrackMouseEvent(&track) != FALSE;
    }
    const SwfPoint point = StagePoint(lParam);
    m_overButton = m_stage->PointerMove(point.x, point.y, m_pressing && (wParam & MK_LBUTTON));
    ShowPointerChange();
    return Handled(0);
}

MsgResult CPlayerWnd::OnMouseLeave(WPARAM, LPARAM) {
    m_tracking = false;
    if (!m_stage || m_pressing) return Handled(0);
    m_overButton = false;
    m_stage->PointerLeave();
    ShowPointerChange();
    return Handled(0);
}

MsgResult CPlayerWnd::OnSetCursor(WPARAM, LPARAM lParam) {
    if (!m_overButton || LOWORD(lParam) != HTCLIENT) return NotHandled();
    ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
    return Handled(TRUE);
}

SwfPoint CPlayerWnd::StagePoint(LPARAM lParam) const {
    const RECT box = StageRect();
    const SwfRect& stage = m_movie->stage;
    const double x = static_cast<short>(LOWORD(lParam)) - box.left + 0.5;
    const double y = static_cast<short>(HIWORD(lParam)) - box.top + 0.5;
    const double width = std::max(1L, box.right - box.left), height = std::max(1L, box.bottom - box.top);
    return {stage.xMin + x * (stage.xMax - stage.xMin) / width, stage.yMin + y * (stage.yMax - stage.yMin) / height};
}

void CPlayerWnd::ShowPointerChange() {
    if (!m_stage || !m_stage->TakeChanged()) return;
    DrawStage();
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

// The character a key down types: TranslateMessage has posted it already
// when the key came through the message loop; a key sent straight here
// types its unshifted character.
int CPlayerWnd::TypedCharacter(WPARAM key) const {
    MSG typed;
    if (::PeekMessageA(&typed, Handle(), WM_CHAR, WM_CHAR, PM_NOREMOVE)) return static_cast<int>(typed.wParam & 0xFF);
    UINT c = ::MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_CHAR) & 0x7FFF;
    if (c >= 'A' && c <= 'Z' && !(::GetKeyState(VK_SHIFT) & 0x8000)) c += 'a' - 'A';
    return static_cast<int>(c);
}

MsgResult CPlayerWnd::OnKeyDown(WPARAM wParam, LPARAM) {
    if (!m_stage) return NotHandled();
    // A movie that listens to the keyboard has every key; the player's own
    // keys serve the others.
    if (m_stage->KeyDown(static_cast<int>(wParam), TypedCharacter(wParam))) {
        UpdateCardLines();
        ShowPointerChange();
        return Handled(0);
    }
    switch (wParam) {
    case VK_SPACE: TogglePause(); return Handled(0);
    case VK_LEFT: StepFrame(-1); return Handled(0);
    case VK_RIGHT: StepFrame(1); return Handled(0);
    case VK_HOME: FirstFrame(); return Handled(0);
    default: return NotHandled();
    }
}

MsgResult CPlayerWnd::OnKeyUp(WPARAM wParam, LPARAM) {
    if (!m_stage) return NotHandled();
    m_stage->KeyUp(static_cast<int>(wParam));
    ShowPointerChange();
    return Handled(0);
}

MsgResult CPlayerWnd::OnGetDlgCode(WPARAM, LPARAM) {
    // The arrows step frames here instead of moving the dialog's focus.
    return Handled(m_stage ? DLGC_WANTARROWS | DLGC_WANTCHARS : 0);
}

void CPlayerWnd::ReleaseMovie() {
    if (m_flash.Active()) {
        m_flash.PutMovie(std::string());
        return;
    }
    StopPlayback();
    AbandonRead(kReleaseWaitMs);
}

void CPlayerWnd::AbandonRead(DWORD waitMs) {
    if (m_read) m_read->cancel = true;
    if (m_readThread && waitMs) ::WaitForSingleObject(m_readThread.Get(), waitMs);
    m_read.reset();
    m_readThread.Reset();
    m_reading = false;
}

int CPlayerWnd::LineHeight(HDC dc) const {
    ScopedSelect font(dc, CardFont(Handle()));
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc, &tm);
    return tm.tmHeight + tm.tmExternalLeading + 2;
}

CardLayout CPlayerWnd::Layout() const {
    RECT client{};
    if (!Handle()) return CardLayout();
    ::GetClientRect(Handle(), &client);
    WindowDC dc(Handle());
    const bool movie = m_info && m_info->IsMovie();
    return LayOutCard(client.right, client.bottom, LineHeight(dc.Get()), static_cast<int>(m_lines.size()), movie,
                      movie && m_info->hasStage ? m_info->StageWidthPixels() : 0,
                      movie && m_info->hasStage ? m_info->StageHeightPixels() : 0, WindowDpi(Handle()));
}

RECT CPlayerWnd::StageRect() const {
    const CardLayout card = Layout();
    return RECT{card.left, card.top, card.left + card.width, card.top + card.height};
}

COLORREF CPlayerWnd::StageColor() const {
    // A movie that sets no background colour plays on white.
    if (!m_info || !m_info->background) return RGB(255, 255, 255);
    const std::uint32_t rgb = *m_info->background;
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void CPlayerWnd::Render(HDC dc, const RECT& client) const {
    if (m_lines.empty()) {
        ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        return;
    }
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    const CardLayout card = Layout();
    const RECT stage{card.left, card.top, card.left + card.width, card.top + card.height};
    const int margin = card.margin;
    int y = card.textTop;
    if (stage.right > stage.left) {
        if (!m_picture.Empty() && m_picture.width == stage.right - stage.left &&
            m_picture.height == stage.bottom - stage.top) {
            PaintPicture(dc, stage.left, stage.top, m_picture);
        } else {
            UniqueBrush fill(::CreateSolidBrush(StageColor()));
            ::FillRect(dc, &stage, fill.Get());
        }
        RECT frame = stage;
        ::InflateRect(&frame, 1, 1);
        ::FrameRect(dc, &frame, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
    }
    ScopedSelect font(dc, CardFont(Handle()));
    const int lineHeight = LineHeight(dc);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    int labelWidth = 0;
    for (const CardLine& line : m_lines) {
        if (line.value.empty()) continue;
        SIZE size{};
        ::GetTextExtentPoint32A(dc, line.label.c_str(), static_cast<int>(line.label.size()), &size);
        labelWidth = std::max(labelWidth, static_cast<int>(size.cx));
    }
    for (const CardLine& line : m_lines) {
        ::TextOutA(dc, margin, y, line.label.c_str(), static_cast<int>(line.label.size()));
        if (!line.value.empty())
            ::TextOutA(dc, margin + labelWidth + margin, y, line.value.c_str(), static_cast<int>(line.value.size()));
        y += lineHeight;
    }
}

MsgResult CPlayerWnd::OnEraseBackground(WPARAM, LPARAM) { return Handled(1); }

MsgResult CPlayerWnd::OnPaint(WPARAM, LPARAM) {
    PaintDC dc(Handle());
    RECT client;
    ::GetClientRect(Handle(), &client);
    Render(dc.Get(), client);
    return Handled(0);
}

MsgResult CPlayerWnd::OnSize(WPARAM, LPARAM lParam) {
    m_flash.Resize(RECT{0, 0, LOWORD(lParam), HIWORD(lParam)});
    DrawStage();
    return NotHandled();
}

MsgResult CPlayerWnd::OnDestroy(WPARAM, LPARAM) {
    StopPlayback();
    AbandonRead(kCloseWaitMs);
    m_flash.Destroy();
    return NotHandled();
}

void CPlayerWnd::OnDestroyed() {
    StopPlayback();
    AbandonRead(kCloseWaitMs);
    m_flash.Destroy();
}

}  // namespace fh
