#pragma once
// The device side of the style rules: resolution and font metrics from a DC,
// and the system colours read once.

#include <windows.h>

#include <array>

#include "html/html_markup.h"
#include "html/html_style.h"

namespace fh {

class GdiHtmlMetrics : public HtmlMetrics {
public:
    // The DC's selected font is the "current font" of the em and ex units.
    explicit GdiHtmlMetrics(HDC dc);
    void SetDC(HDC dc) { m_dc = dc; }
    // A window's resolution instead of the DC's (0: the DC's).
    void SetDpi(int dpi) { m_dpi = dpi; }

    int PixelsPerInchY() const override;
    int TextHeight() const override;
    int XHeight() const override;
    HtmlColor SystemColor(int index) const override;

private:
    HDC m_dc;
    int m_dpi = 0;
    std::array<HtmlColor, 31> m_systemColors{};
};

}  // namespace fh

namespace fh {

// The entity table of the system code page: each character above ASCII
// becomes its bytes in the code page (or its best fit there), or "?" where
// the code page has nothing for it. Code page 1252 keeps the table's bytes.
HtmlEntityTable SystemEntityTable();

}  // namespace fh
