#include "html/html_renderer.h"

#include <shellapi.h>

#include <cstring>
#include <map>
#include <tuple>

#include "gfx/image_loaders.h"
#include "settings/settings_store.h"
#include "win/gdi.h"
#include "win/platform.h"

namespace fh {

namespace {

// The renderer's fixed shadow: 4 pixels right and down, a 7 x 7 soft blur,
// half dark.
constexpr int kShadowOffset = 4;
constexpr int kBlur = 7;
constexpr COLORREF kShadowColour = RGB(128, 128, 128);

HtmlColor Colour(HtmlColor c) { return c & 0xFFFFFF; }

}  // namespace

std::string LinkFallbackCommand(const std::string& handlerCommand, const std::string& target) {
    if (handlerCommand.empty() || target.find('"') != std::string::npos) return std::string();
    std::string command = handlerCommand;
    std::size_t cut = command.find("\"%1\"");
    if (cut == std::string::npos) cut = command.find("%1");
    if (cut != std::string::npos) command.resize(cut);
    while (!command.empty() && command.back() == ' ') command.pop_back();
    return command + " \"" + target + "\"";
}

// The layout's canvas on a GDI device context.
class GdiHtmlCanvas : public HtmlCanvas {
public:
    GdiHtmlCanvas(CDrawManager& drawManager, const HtmlStyleSheet& sheet) : m_draw(drawManager), m_sheet(sheet) {}
    ~GdiHtmlCanvas() override { Release(); }

    void Begin(HDC dc) {
        Release();
        m_dc = dc;
        m_oldFont = nullptr;
        m_oldMode = ::GetBkMode(dc);
        m_oldText = ::GetTextColor(dc);
        m_oldBack = ::GetBkColor(dc);
        m_appliedMode = m_oldMode;
        m_appliedText = m_oldText;
        m_appliedBack = m_oldBack;
        m_selected = nullptr;
    }
    // Puts back the DC's font and colours and deletes the body's font.
    void Release() {
        if (!m_dc) return;
        ::SetTextJustification(m_dc, 0, 0);
        if (m_oldFont) ::SelectObject(m_dc, m_oldFont);
        ::SetBkMode(m_dc, m_oldMode);
        ::SetTextColor(m_dc, m_oldText);
        ::SetBkColor(m_dc, m_oldBack);
        m_fonts.clear();
        m_oldFont = nullptr;
        m_dc = nullptr;
    }

    void SetStyle(const HtmlStyle& style) override {
        // Face names longer than 31 bytes are cut.
        const std::string face = style.face.substr(0, LF_FACESIZE - 1);
        const FontKey key{style.fontSize, style.weight, style.italic != 0, style.underline != 0, style.strikeout != 0,
                          face};
        // A style met before in this pass finds its font made already: a
        // body changes style at every tag, and making fonts is slow.
        auto it = m_fonts.find(key);
        if (it == m_fonts.end()) {
            LOGFONTA lf{};
            lf.lfHeight = style.fontSize;
            lf.lfWeight = style.weight;
            lf.lfItalic = static_cast<BYTE>(key.italic);
            lf.lfUnderline = static_cast<BYTE>(key.underline);
            lf.lfStrikeOut = static_cast<BYTE>(key.strikeout);
            lf.lfCharSet = DEFAULT_CHARSET;
            lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
            CachedFont cached;
            cached.font.Reset(::CreateFontIndirectA(&lf));
            it = m_fonts.emplace(key, std::move(cached)).first;
            if (it->second.font) {
                HGDIOBJ previous = ::SelectObject(m_dc, it->second.font.Get());
                if (!m_oldFont) m_oldFont = previous;
                ::GetTextMetricsA(m_dc, &it->second.metrics);
            }
        }
        if (it->second.font && it->second.font.Get() != m_selected) {
            HGDIOBJ previous = ::SelectObject(m_dc, it->second.font.Get());
            if (!m_oldFont) m_oldFont = previous;
            m_selected = it->second.font.Get();
            m_metrics = it->second.metrics;
        }
        // The colours matter only to drawing: they are put into the DC when
        // something is drawn, so measuring makes no calls for them.
        m_mode = style.backgroundMode == kOpaque ? OPAQUE : TRANSPARENT;
        m_text = Colour(style.textColor);
        m_back = Colour(style.backgroundColor);
    }
    void ApplyColours() {
        if (m_mode != m_appliedMode) ::SetBkMode(m_dc, m_appliedMode = m_mode);
        if (m_text != m_appliedText) ::SetTextColor(m_dc, m_appliedText = m_text);
        if (m_back != m_appliedBack) ::SetBkColor(m_dc, m_appliedBack = m_back);
    }
    int FontHeight() override { return m_metrics.tmHeight; }
    int FontAscent() override { return m_metrics.tmAscent; }
    HtmlSize TextExtent(std::string_view text) override {
        SIZE size{};
        ::GetTextExtentPoint32A(m_dc, text.data(), static_cast<int>(text.size()), &size);
        return HtmlSize{size.cx, size.cy};
    }
    void SetJustification(int extra, int breaks) override { ::SetTextJustification(m_dc, extra, breaks); }
    void DrawText(int x, int y, std::string_view text) override {
        ApplyColours();
        ::TextOutA(m_dc, x, y, text.data(), static_cast<int>(text.size()));
    }
    void DrawOverline(int x, int y, int width, HtmlColor color, int penWidth) override {
        UniquePen pen(::CreatePen(PS_SOLID, penWidth, Colour(color)));
        ScopedSelect select(m_dc, pen.Get());
        ::MoveToEx(m_dc, x, y, nullptr);
        ::LineTo(m_dc, x + width, y);
    }
    void DrawRule(int x1, int y, int x2, HtmlColor color, int size) override {
        m_draw.DrawLine(m_dc, x1, y, x2, y, Colour(color), 1, size);
    }
    HtmlSize PictureSize(const HtmlPicture& picture, int requestedWidth, int requestedHeight) override {
        Loaded loaded = Load(picture, requestedWidth, requestedHeight);
        if (loaded.icon) {
            const fh::PictureSize size = CDrawManager::GetIconSize(loaded.icon);
            return HtmlSize{size.width, size.height};
        }
        const fh::PictureSize size = CDrawManager::GetBitmapSize(loaded.bitmap);
        return HtmlSize{size.width, size.height};
    }
    void DrawPicture(const HtmlPicture& picture, int cell, int cellWidth, int cellHeight, int x, int y, int width,
                     int height, unsigned effects) override {
        const bool colours = m_sheet.ColorsEnabled();
        ImageEffects image{effects, picture.useMask, Colour(picture.mask),
                           colours ? kShadowColour : Colour(m_sheet.DisabledColor())};
        const bool casts = ((picture.style | picture.hotStyle) & (IMAGE_EFFECT_SHADOW | IMAGE_EFFECT_SOFT_SHADOW)) != 0;
        const ShadowParams shadow{casts, kShadowOffset, kShadowOffset, kBlur, kBlur};
        if (picture.kind == HtmlTagKind::Icon) {
            Loaded loaded = Load(picture, width, height);
            if (loaded.icon) m_draw.DrawIcon(m_dc, x, y, width, height, loaded.icon, image, shadow);
            return;
        }
        Loaded loaded = Load(picture, 0, 0);
        if (!loaded.bitmap) return;
        if (picture.kind == HtmlTagKind::ImageList)
            m_draw.DrawImageListCell(m_dc, x, y, width, height, loaded.bitmap, cell, cellWidth, cellHeight, image,
                                     shadow);
        else
            m_draw.DrawBitmap(m_dc, x, y, width, height, loaded.bitmap, image, shadow);
    }
    int SystemIconWidth() override { return ::GetSystemMetrics(SM_CXICON); }
    int SystemIconHeight() override { return ::GetSystemMetrics(SM_CYICON); }
    void FillBackground(const HtmlRect& rect, const HtmlStyle& style) override {
        const RECT r{rect.left, rect.top, rect.right, rect.bottom};
        m_draw.FillEffect(m_dc, style.backgroundEffect, r, Colour(style.backgroundColor), Colour(style.backgroundMiddle),
                          Colour(style.backgroundEnd), 5, 0);
    }
    void FrameRect(const HtmlRect& rect, HtmlColor topLeft, HtmlColor bottomRight, int style, int width) override {
        const RECT r{rect.left, rect.top, rect.right, rect.bottom};
        m_draw.DrawRectangle(m_dc, r, Colour(topLeft), Colour(bottomRight), style, width);
    }
    void TileBackgroundPicture(const HtmlRect& rect, const std::string& description) override {
        if (!m_sheet.ColorsEnabled() || description.size() <= 5) return;
        // One declaration: kind ":" value.
        const std::size_t colon = description.find(':');
        if (colon == std::string::npos) return;
        std::string kind = description.substr(0, colon);
        while (!kind.empty() && kind.back() == ' ') kind.pop_back();
        std::string value = description.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.erase(value.begin());
        if (!value.empty() && value.front() == '"') {
            const std::size_t close = value.find('"', 1);
            value = value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        } else {
            value = value.substr(0, value.find(';'));
        }
        UniqueBitmap bitmap;
        if (kind == "idres" || kind == "iddll")
            bitmap.Reset(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                           MAKEINTRESOURCEA(m_sheet.ReadLength(value, 0, false)),
                                                           IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
        else if (kind == "file")
            bitmap.Reset(LoadBitmapFromFile(value));
        if (!bitmap) return;
        const fh::PictureSize size = CDrawManager::GetBitmapSize(bitmap.Get());
        MemoryDC source(bitmap.Get(), m_dc);
        if (source.Ok())
            m_draw.TileBitmap(m_dc, rect.left, rect.top, rect.Width(), rect.Height(), source.Get(), 0, 0, size.width,
                              size.height);
    }

private:
    // A picture as loaded: owned unless it came as a handle.
    struct Loaded {
        HBITMAP bitmap = nullptr;
        HICON icon = nullptr;
        bool owned = true;
        Loaded() = default;
        Loaded(const Loaded&) = delete;
        Loaded& operator=(const Loaded&) = delete;
        Loaded(Loaded&& o) noexcept : bitmap(o.bitmap), icon(o.icon), owned(o.owned) {
            o.bitmap = nullptr;
            o.icon = nullptr;
        }
        ~Loaded() {
            if (!owned) return;
            if (bitmap) ::DeleteObject(bitmap);
            if (icon) ::DestroyIcon(icon);
        }
    };

    static Loaded Load(const HtmlPicture& picture, int width, int height) {
        Loaded loaded;
        const bool icon = picture.kind == HtmlTagKind::Icon;
        if (picture.idres) {
            HINSTANCE self = ::GetModuleHandleA(nullptr);
            if (icon)
                loaded.icon = static_cast<HICON>(
                    ::LoadImageA(self, MAKEINTRESOURCEA(picture.idres), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
            else
                loaded.bitmap = static_cast<HBITMAP>(
                    ::LoadImageA(self, MAKEINTRESOURCEA(picture.idres), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
        } else if (!picture.file.empty()) {
            if (icon) loaded.icon = LoadIconFromFile(picture.file, width, height);
            else loaded.bitmap = LoadBitmapFromFile(picture.file);
        } else if (picture.iddll == 0) {
            // A number from the markup is taken as a handle only when it is
            // one of the right kind.
            loaded.owned = false;
            if (!picture.handle) return loaded;
            const auto handle = reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(picture.handle));
            if (icon) {
                ICONINFO info{};
                if (::GetIconInfo(static_cast<HICON>(handle), &info)) {
                    if (info.hbmColor) ::DeleteObject(info.hbmColor);
                    if (info.hbmMask) ::DeleteObject(info.hbmMask);
                    loaded.icon = static_cast<HICON>(handle);
                }
            } else if (::GetObjectType(handle) == OBJ_BITMAP) {
                loaded.bitmap = static_cast<HBITMAP>(handle);
            }
        } else {
            if (icon) loaded.icon = LoadIconFromResource(static_cast<UINT>(picture.iddll), width, height, picture.srcdll);
            else loaded.bitmap = LoadBitmapFromResource(static_cast<UINT>(picture.iddll), picture.srcdll);
        }
        return loaded;
    }

    struct FontKey {
        int height, weight;
        bool italic, underline, strikeout;
        std::string face;
        bool operator<(const FontKey& o) const {
            return std::tie(height, weight, italic, underline, strikeout, face) <
                   std::tie(o.height, o.weight, o.italic, o.underline, o.strikeout, o.face);
        }
    };
    struct CachedFont {
        UniqueFont font;
        TEXTMETRICA metrics{};
    };

    CDrawManager& m_draw;
    const HtmlStyleSheet& m_sheet;
    HDC m_dc = nullptr;
    // The fonts of one pass, deleted when it ends.
    std::map<FontKey, CachedFont> m_fonts;
    HGDIOBJ m_oldFont = nullptr;
    HGDIOBJ m_selected = nullptr;
    int m_oldMode = 0;
    COLORREF m_oldText = 0, m_oldBack = 0;
    int m_mode = TRANSPARENT, m_appliedMode = 0;
    COLORREF m_text = 0, m_back = 0, m_appliedText = 0, m_appliedBack = 0;
    TEXTMETRICA m_metrics{};
};

CHtmlRenderer::CHtmlRenderer()
    : m_metrics(nullptr),
      m_sheet(m_metrics, SystemCodePage()),
      m_scanner(m_sheet, [](unsigned id) { return LoadResString(id); }),
      m_entities(SystemEntityTable()) {
    m_canvas = std::make_unique<GdiHtmlCanvas>(m_drawManager, m_sheet);
    m_engine = std::make_unique<HtmlLayoutEngine>(m_scanner, m_sheet, *m_canvas);
    shellOpen = [](const std::string& target) {
        const auto result = reinterpret_cast<INT_PTR>(
            ::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOW));
        return result > 32;
    };
    runCommand = [](const std::string& command) { ::WinExec(command.c_str(), SW_SHOW); };
    LoadHandCursor();
}

CHtmlRenderer::~CHtmlRenderer() {
    if (m_ownsHand && m_hand) ::DestroyCursor(m_hand);
}

// The hand of the old help viewer, loaded as data only (its code must not
// run); where it is gone, as on current Windows, the system's own hand.
void CHtmlRenderer::LoadHandCursor() {
    char windows[MAX_PATH] = "";
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::string path = std::string(windows) + "\\winhlp32.exe";
        UniqueModule module(
            ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        if (module) {
            if (HCURSOR cursor = ::LoadCursorA(module.Get(), MAKEINTRESOURCEA(106))) {
                m_hand = static_cast<HCURSOR>(::CopyImage(cursor, IMAGE_CURSOR, 0, 0, 0));
                m_ownsHand = m_hand != nullptr;
            }
        }
    }
    if (!m_hand) m_hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
}

void CHtmlRenderer::SetHoverNotification(HWND wnd, UINT msg, LPARAM param) {
    m_hoverWnd = wnd;
    m_hoverMsg = msg;
    m_hoverParam = param;
}

void CHtmlRenderer::SetLinkMessage(HWND wnd, UINT msg, LPARAM param) {
    m_linkWnd = wnd;
    m_linkMsg = msg;
    m_linkParam = param;
}

SIZE CHtmlRenderer::Measure(HDC dc, const std::string& body) {
    m_body = PreProcessHtml(body, m_scanner.LineBreakConversion(), SystemCodePage(), m_entities);
    if (m_body.empty()) return SIZE{0, 0};
    m_metrics.SetDC(dc);
    m_canvas->Begin(dc);
    HtmlSize size = m_engine->Measure(m_body);
    m_canvas->Release();
    if (size.width == 0 && size.height == 0) {
        m_body.clear();
        return SIZE{0, 0};
    }
    if (m_engine->MaxWidth() != 0 && size.width > m_engine->MaxWidth()) size.width = m_engine->MaxWidth();
    return SIZE{size.width + 1, size.height + 1};
}

void CHtmlRenderer::Draw(HDC dc, const RECT& rect) {
    if (m_body.empty()) return;
    m_metrics.SetDC(dc);
    m_canvas->Begin(dc);
    m_engine->Draw(m_body, HtmlRect{rect.left, rect.top, rect.right, rect.bottom});
    m_canvas->Release();
}

const HotArea* CHtmlRenderer::AreaAt(POINT pt) const {
    for (const HotArea& area : m_engine->HotAreas()) {
        if (pt.x >= area.rect.left && pt.x <= area.rect.right && pt.y >= area.rect.top && pt.y <= area.rect.bottom)
            return &area;
    }
    return nullptr;
}

bool CHtmlRenderer::HotAreaAt(POINT pt) {
    const HotArea* area = AreaAt(pt);
    if (area) {
        if (area->index != m_hotLink) {
            m_hotLink = area->index;
            m_engine->SetHotLink(m_hotLink);
            if (m_hoverWnd) ::SendMessageA(m_hoverWnd, m_hoverMsg, static_cast<WPARAM>(m_hotLink), m_hoverParam);
        }
        if (!area->target.empty() && m_hand) {
            ::SetCursor(m_hand);
            return true;
        }
        return false;
    }
    if (m_hotLink != -2) {
        m_hotLink = -2;
        m_engine->SetHotLink(-2);
        if (m_hoverWnd) ::SendMessageA(m_hoverWnd, m_hoverMsg, static_cast<WPARAM>(-2), m_hoverParam);
    }
    return false;
}

void CHtmlRenderer::ClickAt(POINT pt) {
    const HotArea* area = AreaAt(pt);
    if (!area || area->target.empty()) return;
    const std::string target = area->target;
    if (area->kind == 1) {
        if (shellOpen && shellOpen(target)) return;
        // The shell could not open it: the ".htm" handler's command line.
        char handler[MAX_PATH] = "";
        if (ReadDefaultRegValue(HKEY_CLASSES_ROOT, ".htm", handler) != 0 || !handler[0]) return;
        char command[MAX_PATH] = "";
        const std::string key = std::string(handler) + "\\shell\\open\\command";
        if (ReadDefaultRegValue(HKEY_CLASSES_ROOT, key.c_str(), command) != 0 || !command[0]) return;
        const std::string line = LinkFallbackCommand(command, target);
        if (!line.empty() && runCommand) runCommand(line);
        return;
    }
    if (m_linkWnd && m_linkMsg)
        ::SendMessageA(m_linkWnd, m_linkMsg, reinterpret_cast<WPARAM>(target.c_str()), m_linkParam);
}

}  // namespace fh
