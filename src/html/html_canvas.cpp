#include "html/html_canvas.h"

namespace fh {

GdiHtmlMetrics::GdiHtmlMetrics(HDC dc) : m_dc(dc) {
    for (std::size_t i = 0; i < m_systemColors.size(); ++i)
        m_systemColors[i] = ::GetSysColor(static_cast<int>(i));
}

int GdiHtmlMetrics::PixelsPerInchY() const { return m_dpi > 0 ? m_dpi : ::GetDeviceCaps(m_dc, LOGPIXELSY); }

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

namespace fh {

HtmlEntityTable SystemEntityTable() {
    HtmlEntityTable table;
    if (::GetACP() == 1252) return table;
    for (char32_t c : HtmlEntityTable::NonAsciiCharacters()) {
        const wchar_t wide = static_cast<wchar_t>(c);
        char bytes[8] = "";
        BOOL usedDefault = FALSE;
        // The code page's best fit is taken where it has no exact character
        // (949 shows the copyright sign as a circled c).
        const int n = ::WideCharToMultiByte(CP_ACP, 0, &wide, 1, bytes, sizeof(bytes), nullptr, &usedDefault);
        table.SetCharacter(c, n > 0 && !usedDefault ? std::string(bytes, static_cast<size_t>(n)) : "?");
    }
    return table;
}

}  // namespace fh
