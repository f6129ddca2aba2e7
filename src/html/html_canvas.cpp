#include "html/html_canvas.h"

namespace fh {

GdiHtmlMetrics::GdiHtmlMetrics(HDC dc) : m_dc(dc) {
    for (std::size_t i = 0; i < m_systemColors.size(); ++i)
        m_systemColors[i] = ::GetSysColor(static_cast<int>(i));
}

int GdiHtmlMetrics::PixelsPerInchY() const { return ::GetDeviceCaps(m_dc, LOGPIXELSY); }

int GdiHtmlMetrics::TextHeight() const {
    TEXTMETRICA tm;
    return ::GetTextMetricsA(m_dc, &tm) ? tm.tmHeight : 0;
}

int GdiHtmlMetrics::XHeight() const {
    SIZE size{};
    return ::GetTextExtentPoint32A(m_dc, "x", 1, &size) ? size.cy : 0;
}

HtmlColor GdiHtmlMetrics::SystemColor(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_systemColors.size()) return 0;
    return m_systemColors[static_cast<std::size_t>(index)];
}

}  // namespace fh
