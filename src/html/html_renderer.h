#pragma once
// CHtmlRenderer: measures and draws an HTML body into a device context for
// the tooltip window, keeps the hyperlink areas of the last draw, and
// answers hover and click on them. The layout is the engine's; this class
// puts it on GDI through the draw manager.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "gfx/draw_manager.h"
#include "html/html_canvas.h"
#include "html/html_layout.h"
#include "html/html_markup.h"
#include "html/html_style.h"
#include "win/handles.h"

namespace fh {

// The ".htm" handler's command line with the link target in place of its
// "%1": cut at the first quoted "%1" (or else the first "%1"), then a space
// and the target in double quotes. Empty for a target that holds a double
// quote itself, which no quoting could keep in one argument.
std::string LinkFallbackCommand(const std::string& handlerCommand, const std::string& target);

class GdiHtmlCanvas;

class CHtmlRenderer {
public:
    CHtmlRenderer();
    CHtmlRenderer(const CHtmlRenderer&) = delete;
    CHtmlRenderer& operator=(const CHtmlRenderer&) = delete;
    ~CHtmlRenderer();

    // The size the body needs, one pixel added each way; (0, 0) for an empty
    // body. Stores the body for drawing.
    SIZE Measure(HDC dc, const std::string& body);
    // Draws the stored body into the rectangle; rebuilds the hot areas.
    void Draw(HDC dc, const RECT& rect);

    // Over a link: sets the hand cursor and reports true. A change of the
    // hot link is sent as the hover notification (index, or -2 when none).
    bool HotAreaAt(POINT pt);
    // Runs the link under the point.
    void ClickAt(POINT pt);
    bool AnimationStep() { return m_engine->AnimationStep(); }

    void SetMaxWidth(int width) { m_engine->SetMaxWidth(width); }
    // The resolution lengths are measured at (the device's when 0).
    void SetDpi(int dpi) { m_metrics.SetDpi(dpi); }
    void SetTabWidth(int width) { m_engine->SetTabWidth(width); }
    void SetLineBreakConversion(bool on) { m_scanner.SetLineBreakConversion(on); }
    void SetColorsEnabled(bool on) { m_sheet.SetColorsEnabled(on); }
    void SetHoverNotification(HWND wnd, UINT msg, LPARAM param);
    void SetLinkMessage(HWND wnd, UINT msg, LPARAM param);

    CDrawManager& DrawManager() { return m_drawManager; }
    const std::vector<HotArea>& HotAreas() const { return m_engine->HotAreas(); }
    int HotLink() const { return m_hotLink; }
    HCURSOR HandCursor() const { return m_hand; }

    // The shell's "open" and WinExec, replaceable for tests.
    std::function<bool(const std::string& target)> shellOpen;
    std::function<void(const std::string& command)> runCommand;

private:
    const HotArea* AreaAt(POINT pt) const;
    void LoadHandCursor();

    GdiHtmlMetrics m_metrics;
    HtmlStyleSheet m_sheet;
    CHtmlScanner m_scanner;
    HtmlEntityTable m_entities;
    CDrawManager m_drawManager;
    std::unique_ptr<GdiHtmlCanvas> m_canvas;
    std::unique_ptr<HtmlLayoutEngine> m_engine;
    std::string m_body;
    int m_hotLink = -2;
    HWND m_hoverWnd = nullptr;
    UINT m_hoverMsg = 0;
    LPARAM m_hoverParam = 0;
    HWND m_linkWnd = nullptr;
    UINT m_linkMsg = 0;
    LPARAM m_linkParam = 0;
    HCURSOR m_hand = nullptr;
    bool m_ownsHand = false;
};

}  // namespace fh
