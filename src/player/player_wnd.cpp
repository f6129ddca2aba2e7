#include "player/player_wnd.h"

#include <algorithm>

#include "player/metadata_title.h"
#include "player/movie_file.h"
#include "res/resource.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {

namespace {

constexpr int kMargin = 8;

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
    return t;
}

// The dialog's font, so that the card reads like the rest of the window.
HFONT CardFont(HWND wnd) {
    auto font = reinterpret_cast<HFONT>(::SendMessageA(::GetParent(wnd), WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
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
    };
    return table;
}

void CPlayerWnd::Initialize(const CLSID& flash) {
    if (Handle()) m_flash.Create(Handle(), flash);
}

void CPlayerWnd::ShowMovie(const std::string& path, const std::string& sizeText) {
    if (m_flash.Active()) {
        m_flash.PutMovie(path);
        return;
    }
    m_info = ReadMovieFile(path);
    if (m_info) {
        m_lines = MovieCardLines(*m_info, LoadCardTexts(), sizeText, MetadataTitle(m_info->metadata));
    } else {
        m_lines = {{LoadResString(IDS_CARD_UNREADABLE), std::string()}};
    }
    // The file's own name heads the card.
    const std::size_t slash = SystemCodePage().FindLast(path, '\\');
    m_lines.insert(m_lines.begin(), {path.substr(slash == std::string::npos ? 0 : slash + 1), std::string()});
    if (Handle()) ::InvalidateRect(Handle(), nullptr, TRUE);
}

int CPlayerWnd::LineHeight(HDC dc) const {
    ScopedSelect font(dc, CardFont(Handle()));
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc, &tm);
    return tm.tmHeight + tm.tmExternalLeading + 2;
}

RECT CPlayerWnd::StageRect() const {
    RECT client{};
    if (!Handle() || !m_info || !m_info->IsMovie()) return RECT{};
    ::GetClientRect(Handle(), &client);
    WindowDC dc(Handle());
    const int text = LineHeight(dc.Get()) * static_cast<int>(m_lines.size());
    const int areaWidth = client.right - 2 * kMargin;
    const int areaHeight = client.bottom - text - 3 * kMargin;
    const StageBox box = FitStage(areaWidth, areaHeight, m_info->hasStage ? m_info->StageWidthPixels() : 0,
                                  m_info->hasStage ? m_info->StageHeightPixels() : 0);
    const int left = (client.right - box.width) / 2;
    return RECT{left, kMargin, left + box.width, kMargin + box.height};
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
    const RECT stage = StageRect();
    int y = kMargin;
    if (stage.right > stage.left) {
        UniqueBrush fill(::CreateSolidBrush(StageColor()));
        ::FillRect(dc, &stage, fill.Get());
        ::FrameRect(dc, &stage, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
        y = stage.bottom + kMargin;
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
        ::TextOutA(dc, kMargin, y, line.label.c_str(), static_cast<int>(line.label.size()));
        if (!line.value.empty())
            ::TextOutA(dc, kMargin + labelWidth + kMargin, y, line.value.c_str(), static_cast<int>(line.value.size()));
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
    return NotHandled();
}

MsgResult CPlayerWnd::OnDestroy(WPARAM, LPARAM) {
    m_flash.Destroy();
    return NotHandled();
}

void CPlayerWnd::OnDestroyed() { m_flash.Destroy(); }

}  // namespace fh
