#include "html/html_layout.h"

#include <algorithm>
#include <climits>

#include "base/muldiv.h"
#include "gfx/draw_effects.h"

namespace fh {

namespace {

constexpr int kMaxBreakCount = 10000;
constexpr const char* kBreakBytes = " -.,!:;)}]?";

bool IsBreakByte(char c) { return std::string_view(kBreakBytes).find(c) != std::string_view::npos; }

int CountSpaces(std::string_view text) { return static_cast<int>(std::count(text.begin(), text.end(), ' ')); }

int Saturate(std::int64_t v) {
    return static_cast<int>(std::max<std::int64_t>(INT_MIN / 2, std::min<std::int64_t>(v, INT_MAX / 2)));
}

std::string Transform(std::string_view run, int transform, const CodePage& cp) {
    switch (transform) {
    case 1:
        return cp.ToUpper(run);
    case 2:
        return cp.ToLower(run);
    case 3: {
        std::string out = cp.ToLower(run);
        for (std::size_t i = 0; i < out.size(); i += cp.CharLength(out, i))
            if ((i == 0 || out[i - 1] == ' ') && out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 32);
        return out;
    }
    default:
        return std::string(run);
    }
}

int PictureNumber(const HtmlStyleSheet& sheet, const std::string& value) { return sheet.ReadLength(value, 0, false); }

}  // namespace

unsigned ImageStyleFlags(std::string_view letters, const PictureShadow& shadow) {
    unsigned flags = 0;
    for (char c : letters) {
        if (c == 'g') flags |= IMAGE_EFFECT_GRAY;
        else if (c == 'd') flags |= IMAGE_EFFECT_DARKEN;
        else if (c == 'l') flags |= IMAGE_EFFECT_LIGHTEN;
        else if (c == 's' && (shadow.dx != 0 || shadow.dy != 0))
            flags |= shadow.soft ? IMAGE_EFFECT_SOFT_SHADOW : IMAGE_EFFECT_SHADOW;
    }
    return flags;
}

HtmlPicture ReadHtmlPicture(HtmlTagKind kind, const HtmlAttributes& attributes, const HtmlStyleSheet& sheet,
                            const PictureShadow& shadow) {
    HtmlPicture p;
    p.kind = kind;
    for (const auto& a : attributes) {
        const std::string& v = a.second;
        if (a.first == "index") p.index = PictureNumber(sheet, v);
        else if (a.first == "idres") p.idres = PictureNumber(sheet, v);
        else if (a.first == "iddll") p.iddll = PictureNumber(sheet, v);
        else if (a.first == "handle") p.handle = PrefixedNumber(v);
        else if (a.first == "file") p.file = v;
        else if (a.first == "srcdll") p.srcdll = v;
        else if (a.first == "mask") {
            p.useMask = true;
            p.mask = sheet.ReadColor(v, p.mask);
        } else if (a.first == "style") {
            p.style = p.hotStyle = ImageStyleFlags(v, shadow);
        } else if (a.first == "hotstyle") {
            p.hotStyle = ImageStyleFlags(v, shadow);
        } else if (a.first == "cx") p.cx = PictureNumber(sheet, v);
        else if (a.first == "cy") p.cy = PictureNumber(sheet, v);
        else if (a.first == "width" || a.first == "height") {
            const bool percent = !v.empty() && v.back() == '%';
            const int value = sheet.ReadLength(v, 100, false);
            if (a.first == "width") {
                p.width = value;
                p.widthPercent = percent || v.empty();
            } else {
                p.height = value;
                p.heightPercent = percent || v.empty();
            }
        } else if (a.first == "speed") {
            p.speed = PictureNumber(sheet, v);
        }
    }
    // A percentage given for one side alone scales the other side too, so
    // the picture keeps its proportions (40 x 20 at width=50% is 20 x 10).
    bool hasWidth = false, hasHeight = false;
    for (const auto& a : attributes) {
        hasWidth = hasWidth || a.first == "width";
        hasHeight = hasHeight || a.first == "height";
    }
    if (hasWidth && !hasHeight && p.widthPercent) p.height = p.width;
    if (hasHeight && !hasWidth && p.heightPercent) p.width = p.height;
    return p;
}

HtmlLayoutEngine::HtmlLayoutEngine(CHtmlScanner& scanner, const HtmlStyleSheet& sheet, HtmlCanvas& canvas)
    : m_scanner(scanner), m_sheet(sheet), m_canvas(canvas) {}

void HtmlLayoutEngine::SetHotLink(int index) {
    m_hotLink = index;
    m_scanner.SetHotLink(index);
}

HtmlSize HtmlLayoutEngine::Measure(std::string_view body) {
    m_drawing = false;
    m_lines.clear();
    m_pieces.clear();
    m_hotAreas.clear();
    m_tables.clear();
    m_animations.clear();
    Frame frame;
    frame.right = m_maxWidth;
    RunPass(body, frame);
    return m_passSize;
}

void HtmlLayoutEngine::Draw(std::string_view body, const HtmlRect& rect) {
    m_drawing = true;
    m_hotAreas.clear();
    Frame frame;
    frame.left = rect.left;
    frame.top = rect.top;
    frame.right = rect.right;
    RunPass(body, frame);
}

void HtmlLayoutEngine::RunPass(std::string_view body, const Frame& frame) {
    m_lineIndex = 0;
    m_pieceIndex = 0;
    m_tableCounter = -1;
    m_animationCounter = -1;
    m_depth = 0;
    m_scanner.ResetPass();
    ApplyFont(m_scanner.CurrentStyle());
    m_passSize = LayoutParts(body, frame);
    m_canvas.SetJustification(0, 0);
}

void HtmlLayoutEngine::ApplyFont(const HtmlStyle& style) {
    m_style = style;
    m_canvas.SetStyle(style);
    m_fontHeight = m_canvas.FontHeight();
    m_fontAscent = m_canvas.FontAscent();
}

void HtmlLayoutEngine::OnStyleChanged(const HtmlStyle& style) { ApplyFont(style); }

HtmlSize HtmlLayoutEngine::LayoutParts(std::string_view text, const Frame& frame) {
    HtmlSize size;
    Frame part = frame;
    for (const HtmlSegment& segment : SegmentHtml(text, m_sheet.Cp())) {
        const HtmlSize s = segment.table ? LayoutTable(segment.text, part) : LayoutSegment(segment.text, part);
        size.width = std::max(size.width, s.width);
        size.height = Saturate(static_cast<std::int64_t>(size.height) + s.height);
        if (m_drawing) part.top = Saturate(static_cast<std::int64_t>(part.top) + s.height);
    }
    return size;
}

HtmlSize HtmlLayoutEngine::LayoutSegment(std::string_view segment, const Frame& frame) {
    m_frame = frame;
    m_penY = frame.top;
    m_segmentMaxWidth = 0;
    m_segmentFirstLine = m_lines.size();
    StartLine();
    m_scanner.ScanTextSegment(segment, *this);
    if (m_penX != m_lineStartX) {
        m_line.justify = 0;
        EndLine(1);
    }
    m_canvas.SetJustification(0, 0);
    if (Measuring()) {
        for (std::size_t i = m_segmentFirstLine; i < m_lines.size(); ++i) {
            const HtmlLine& line = m_lines[i];
            if (line.rulePercent == 0) continue;
            const int width = Saturate(static_cast<std::int64_t>(line.width) +
                                       MulDivRound(m_segmentMaxWidth, line.rulePercent, 100));
            if (width >= m_segmentMaxWidth) m_segmentMaxWidth = width;
        }
    }
    return HtmlSize{m_segmentMaxWidth, Saturate(static_cast<std::int64_t>(m_penY) - frame.top)};
}

void HtmlLayoutEngine::StartLine() {
    m_lineStartX = m_frame.left;
    m_penX = m_frame.left;
    m_lastPieceOnLine = -1;
    if (Measuring()) {
        m_line = HtmlLine{};
        m_line.alignment = m_style.textAlign;
        m_lineAscent = 0;
        m_lineValid = true;
        return;
    }
    // The draw pass reads the lines the measure pass recorded, never past them.
    m_lineValid = m_lineIndex < m_lines.size();
    m_line = m_lineValid ? m_lines[m_lineIndex] : HtmlLine{};
    const int available = m_frame.Available();
    const int width =
        Saturate(static_cast<std::int64_t>(m_line.width) + (m_line.rulePercent ? MulDivRound(available, m_line.rulePercent, 100) : 0));
    m_gapsLeft = m_line.gapCount;
    if (m_line.alignment == 3 && m_line.justify && m_line.gapCount > 0 && available > width)
        m_canvas.SetJustification(available - width, m_line.gapCount);
    else
        m_canvas.SetJustification(0, 0);
    if (m_line.alignment == 1) m_penX = m_frame.left + (available - width) / 2;
    else if (m_line.alignment == 2) m_penX = m_frame.left + available - width;
    m_lineStartX = m_penX;
}

void HtmlLayoutEngine::EndLine(int count) {
    const int n = std::max(1, std::min(count, kMaxBreakCount));
    int height;
    if (Measuring()) {
        if (m_lineAscent == 0) m_lineAscent = m_fontHeight;
        m_line.width = m_penX - m_frame.left;
        m_segmentMaxWidth = std::max(m_segmentMaxWidth, m_line.width);
        m_line.height = Saturate(static_cast<std::int64_t>(m_lineAscent) + m_line.descent);
        m_lines.push_back(m_line);
        if (m_lastPieceOnLine >= 0) m_pieces[static_cast<std::size_t>(m_lastPieceOnLine)].last = true;
        height = m_line.height;
    } else {
        m_segmentMaxWidth = std::max(m_segmentMaxWidth, m_penX - m_frame.left);
        height = m_lineValid ? m_line.height : m_fontHeight;
    }
    ++m_lineIndex;
    m_penY = Saturate(static_cast<std::int64_t>(m_penY) + static_cast<std::int64_t>(height) * n);
    StartLine();
}

int HtmlLayoutEngine::RunY(int height) const {
    const int y = m_penY;
    switch (m_style.verticalAlign) {
    case 0:
        return y;
    case 1:
        return y + (m_line.height - m_fontHeight) / 2;
    case 2:
        return y + m_line.height - m_fontAscent;
    default:
        (void)height;
        return y + m_line.height - m_fontAscent - m_line.descent;
    }
}

int HtmlLayoutEngine::PictureY(int height) const {
    const int y = m_penY;
    switch (m_style.verticalAlign) {
    case 0:
        return y;
    case 1:
        return y + (m_line.height - height) / 2;
    case 2:
        return y + m_line.height - height;
    default:
        return y + m_line.height - m_line.descent - height;
    }
}

void HtmlLayoutEngine::AddHotArea(int x, int y, int width, int height, const HtmlStyle& style) {
    if (!m_drawing || style.linkKind == 0) return;
    HotArea area;
    area.rect = HtmlRect{x, y, x + width, y + height};
    area.kind = style.linkKind;
    area.index = m_scanner.LinkCounter();
    area.target = style.linkTarget;
    m_hotAreas.push_back(std::move(area));
}

HtmlLayoutEngine::Piece HtmlLayoutEngine::NextPiece() {
    if (m_pieceIndex < m_pieces.size()) return m_pieces[m_pieceIndex++];
    Piece none;
    none.length = -1;
    return none;
}

void HtmlLayoutEngine::NotePiece(const Piece& piece) {
    m_pieces.push_back(piece);
    m_lastPieceOnLine = static_cast<std::ptrdiff_t>(m_pieces.size() - 1);
}

// How much of the run fits the room: the longest prefix that ends at a break
// byte (trailing spaces dropped, the next line's leading spaces skipped);
// on an empty line without one, the longest prefix of whole characters.
HtmlLayoutEngine::Cut HtmlLayoutEngine::CutRun(std::string_view run, int room, bool lineEmpty) {
    const CodePage& cp = m_sheet.Cp();
    Cut cut;
    int width = 0;
    std::size_t segmentStart = 0;
    for (std::size_t i = 0; i < run.size(); i += cp.CharLength(run, i)) {
        if (!IsBreakByte(run[i])) continue;
        width += m_canvas.TextExtent(run.substr(segmentStart, i + 1 - segmentStart)).width;
        segmentStart = i + 1;
        if (width > room) break;
        cut.length = i + 1;
    }
    if (cut.length > 0) {
        std::size_t end = cut.length;
        while (end > 0 && run[end - 1] == ' ') --end;
        std::size_t next = cut.length;
        while (next < run.size() && run[next] == ' ') ++next;
        cut.length = end;
        cut.consumed = next;
        cut.width = m_canvas.TextExtent(run.substr(0, end)).width;
        return cut;
    }
    if (!lineEmpty) return cut;  // the line ends; the run starts the next one
    width = 0;
    for (std::size_t i = 0; i < run.size();) {
        const std::size_t n = cp.CharLength(run, i);
        const int w = m_canvas.TextExtent(run.substr(i, n)).width;
        if (i > 0 && width + w > room) break;
        width += w;
        i += n;
        cut.length = i;
    }
    cut.consumed = cut.length;
    cut.width = width;
    return cut;
}

// The run's width, measured from break byte to break byte and only as far
// as the room: a long run is not measured whole for every line it fills.
// Beyond the room, the width so far (more than the room).
int HtmlLayoutEngine::WidthUpTo(std::string_view run, int room) {
    const CodePage& cp = m_sheet.Cp();
    int width = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < run.size(); i += cp.CharLength(run, i)) {
        if (!IsBreakByte(run[i]) && i + cp.CharLength(run, i) < run.size()) continue;
        const std::size_t end = i + cp.CharLength(run, i);
        width += m_canvas.TextExtent(run.substr(start, end - start)).width;
        start = end;
        if (width > room) break;
    }
    return width;
}

void HtmlLayoutEngine::OnText(std::string_view original, const HtmlStyle& style) {
    if (original.empty()) return;
    const std::string text = Transform(original, style.textTransform, m_sheet.Cp());
    std::string_view rest = text;
    // A line of text is as high as its font.
    const int height = m_fontHeight;
    while (!rest.empty()) {
        m_canvas.SetJustification(0, 0);
        if (Measuring()) {
            if (m_lineAscent < m_fontAscent) m_lineAscent = m_fontAscent;
            m_line.descent = std::max(m_line.descent, height - m_fontAscent);
            const int room = m_frame.left + m_frame.Available() - m_penX;
            Piece piece;
            piece.start = m_penX - m_frame.left;
            Cut cut;
            const bool wraps = m_maxWidth != 0 && m_frame.Available() != 0;
            const int width = wraps ? WidthUpTo(rest, room) : m_canvas.TextExtent(rest).width;
            if (wraps && width > room) {
                cut = CutRun(rest, room, m_penX == m_lineStartX);
            } else {
                cut.length = cut.consumed = rest.size();
                cut.width = width;
            }
            piece.length = static_cast<int>(cut.length);
            piece.consumed = static_cast<int>(cut.consumed);
            m_line.alignment = style.textAlign;
            m_line.gapCount += CountSpaces(rest.substr(0, cut.length));
            NotePiece(piece);
            m_penX = Saturate(static_cast<std::int64_t>(m_penX) + cut.width);
            const bool wrapped = cut.consumed < rest.size();
            rest.remove_prefix(cut.consumed);
            if (wrapped) {
                m_line.justify = 1;
                EndLine(1);
            }
            continue;
        }
        Piece piece = NextPiece();
        if (piece.length < 0) piece.length = piece.consumed = static_cast<int>(rest.size());
        const std::size_t consumed = std::min<std::size_t>(static_cast<std::size_t>(piece.consumed), rest.size());
        std::string_view drawn = rest.substr(0, std::min<std::size_t>(static_cast<std::size_t>(piece.length), rest.size()));
        // The line's last piece loses its trailing spaces.
        if (piece.last)
            while (!drawn.empty() && drawn.back() == ' ') drawn.remove_suffix(1);
        const int gaps = CountSpaces(drawn);
        if (m_line.alignment == 3 && m_line.justify && m_lineValid) {
            const int room = m_frame.left + m_frame.Available() - m_penX;
            const int extra = room - (m_line.width - piece.start);
            // Without a gap to spread it over, the line stays unjustified.
            if (m_gapsLeft > 0 && extra > 0) m_canvas.SetJustification(extra, m_gapsLeft);
        }
        const int y = RunY(height);
        const HtmlSize extent = drawn.empty() ? HtmlSize{} : m_canvas.TextExtent(drawn);
        if (extent.width > 0) {
            AddHotArea(m_penX, y, extent.width, extent.height, style);
            m_canvas.DrawText(m_penX, y, drawn);
            if (style.overline)
                m_canvas.DrawOverline(m_penX, y, extent.width, style.textColor, style.weight >= 700 ? 2 : 1);
        }
        m_gapsLeft -= gaps;
        m_penX = Saturate(static_cast<std::int64_t>(m_penX) + extent.width);
        const bool wrapped = consumed < rest.size();
        rest.remove_prefix(consumed);
        if (wrapped) EndLine(1);
    }
}

void HtmlLayoutEngine::OnString(std::string_view text, const HtmlStyle& style) {
    m_canvas.SetJustification(0, 0);
    const HtmlSize extent = m_canvas.TextExtent(text);
    m_lastPieceOnLine = -1;
    if (Measuring()) {
        m_line.alignment = style.textAlign;
        if (m_lineAscent < m_fontAscent) m_lineAscent = m_fontAscent;
        m_line.descent = std::max(m_line.descent, extent.height - m_fontAscent);
    } else {
        const int y = RunY(extent.height);
        AddHotArea(m_penX, y, extent.width, extent.height, style);
        m_canvas.DrawText(m_penX, y, text);
    }
    m_penX = Saturate(static_cast<std::int64_t>(m_penX) + extent.width);
}

void HtmlLayoutEngine::OnLineBreak(int count, const HtmlStyle&) {
    m_line.justify = 0;
    EndLine(count);
}

void HtmlLayoutEngine::OnTab(int count, const HtmlStyle&) {
    if (m_tabWidth <= 0) return;
    std::int64_t n = std::max(1, std::min(count, kMaxBreakCount));
    std::int64_t offset = static_cast<std::int64_t>(m_penX) - m_lineStartX;
    if (offset % m_tabWidth != 0) {
        offset = (offset / m_tabWidth + 1) * m_tabWidth;
        --n;
    }
    offset += n * m_tabWidth;
    m_penX = Saturate(m_lineStartX + offset);
    m_lastPieceOnLine = -1;
}

void HtmlLayoutEngine::OnRule(const HtmlAttributes& attributes, const HtmlStyle& style) {
    HtmlStyle rule = style;
    m_sheet.ApplySelector("hr", rule);
    int width = 100;
    bool percent = true;
    int size = m_sheet.Px(1);
    HtmlColor color = rule.textColor;
    for (const auto& a : attributes) {
        if (a.first == "width") {
            width = m_sheet.ReadLength(a.second, 100, false);
            // An empty value is the default, 100 per cent, in both passes.
            percent = a.second.empty() || a.second.back() == '%';
        } else if (a.first == "size") {
            size = m_sheet.ReadLength(a.second, 1, false);
        } else if (a.first == "color") {
            color = m_sheet.ColorsEnabled() ? m_sheet.ReadColor(a.second, color) : m_sheet.DisabledColor();
        }
    }
    width = std::max(0, width);
    size = std::max(0, std::min(size, 1000));
    m_lastPieceOnLine = -1;
    if (Measuring()) {
        if (percent) m_line.rulePercent = Saturate(static_cast<std::int64_t>(m_line.rulePercent) + width);
        m_lineAscent = std::max(m_lineAscent, size + m_sheet.Px(8));
        m_line.alignment = style.textAlign;
        m_penX = Saturate(static_cast<std::int64_t>(m_penX) + (percent ? 1 : width));
        return;
    }
    const int pixels = percent ? MulDivRound(m_frame.Available(), width, 100) : width;
    const int y = m_penY + m_line.height / 2;
    m_canvas.DrawRule(m_penX, y, Saturate(static_cast<std::int64_t>(m_penX) + pixels), color, size);
    m_penX = Saturate(static_cast<std::int64_t>(m_penX) + pixels);
}

void HtmlLayoutEngine::OnPicture(HtmlTagKind kind, const HtmlAttributes& attributes, const HtmlStyle& style) {
    const HtmlPicture picture = ReadHtmlPicture(kind, attributes, m_sheet, m_shadow);
    int drawnWidth = 0, drawnHeight = 0, cellWidth = 0, cellHeight = 0, cell = 0;
    if (kind == HtmlTagKind::Icon) {
        const int requestedWidth = picture.widthPercent
                                       ? MulDivRound(m_canvas.SystemIconWidth(), picture.width, 100)
                                       : picture.width;
        const int requestedHeight = picture.heightPercent
                                        ? MulDivRound(m_canvas.SystemIconHeight(), picture.height, 100)
                                        : picture.height;
        const HtmlSize size = m_canvas.PictureSize(picture, requestedWidth, requestedHeight);
        drawnWidth = size.width;
        drawnHeight = size.height;
    } else {
        // Without a source of its own, a strip would come from the
        // renderer's image list, which nothing in this program sets.
        if (kind == HtmlTagKind::ImageList && !picture.idres && !picture.iddll && !picture.handle &&
            picture.file.empty())
            return;
        const HtmlSize size = m_canvas.PictureSize(picture, 0, 0);
        if (size.width <= 0 || size.height <= 0) return;
        cellWidth = size.width;
        cellHeight = size.height;
        if (kind == HtmlTagKind::ImageList) {
            cellWidth = picture.cx;
            cellHeight = picture.cy;
            if (cellWidth && !cellHeight) cellHeight = cellWidth;
            if (cellHeight && !cellWidth) cellWidth = cellHeight;
            if (!cellWidth && !cellHeight) cellWidth = cellHeight = std::min(size.width, size.height);
            if (cellWidth <= 0 || cellHeight <= 0) return;
            const std::int64_t frames =
                static_cast<std::int64_t>(size.width / cellWidth) * static_cast<std::int64_t>(size.height / cellHeight);
            cell = picture.index;
            if (picture.speed != 0) {
                if (Measuring()) {
                    m_animations.push_back(ImageAnimation{picture.index, static_cast<int>(std::min<std::int64_t>(frames, INT_MAX)), 0,
                                                          picture.speed});
                } else {
                    const std::size_t next = static_cast<std::size_t>(++m_animationCounter);
                    if (next < m_animations.size()) cell = m_animations[next].frame;
                }
            }
            if (cell < 0 || cell >= frames) return;
        }
        drawnWidth = picture.widthPercent ? MulDivRound(cellWidth, picture.width, 100) : picture.width;
        drawnHeight = picture.heightPercent ? MulDivRound(cellHeight, picture.height, 100) : picture.height;
    }
    if (drawnWidth < 0 || drawnHeight < 0) return;
    const bool shadow = ((picture.style | picture.hotStyle) & (IMAGE_EFFECT_SHADOW | IMAGE_EFFECT_SOFT_SHADOW)) != 0;
    const bool both = drawnWidth > 0 && drawnHeight > 0;
    const int boxWidth = Saturate(static_cast<std::int64_t>(drawnWidth) + (shadow && both ? m_shadow.dx : 0));
    const int boxHeight = Saturate(static_cast<std::int64_t>(drawnHeight) + (shadow && both ? m_shadow.dy : 0));
    m_lastPieceOnLine = -1;
    if (Measuring()) {
        Piece piece;
        piece.wrapBefore = m_maxWidth != 0 && m_frame.Available() != 0 &&
                           boxWidth > m_frame.left + m_frame.Available() - m_penX;
        m_pieces.push_back(piece);
        if (piece.wrapBefore) {
            m_line.justify = 1;
            EndLine(1);
        }
        m_line.alignment = style.textAlign;
        m_lineAscent = std::max(m_lineAscent, boxHeight);
    } else {
        if (NextPiece().wrapBefore) EndLine(1);
        const int y = PictureY(boxHeight);
        if (both) {
            AddHotArea(m_penX, y, boxWidth, boxHeight, style);
            const bool hot = style.linkKind != 0 && m_scanner.LinkCounter() == m_hotLink;
            unsigned effects = hot ? picture.hotStyle : picture.style;
            if (!m_sheet.ColorsEnabled()) effects = (effects & ~0xFFu) | IMAGE_EFFECT_FILL;
            m_canvas.DrawPicture(picture, cell, cellWidth, cellHeight, m_penX, y, drawnWidth, drawnHeight, effects);
        }
    }
    m_penX = Saturate(static_cast<std::int64_t>(m_penX) + boxWidth);
}

bool HtmlLayoutEngine::AnimationStep() {
    bool changed = false;
    for (ImageAnimation& a : m_animations) {
        if (a.frameCount <= 0) continue;
        if (++a.ticks >= a.speed) {
            a.ticks = 0;
            a.frame = (a.frame + 1) % a.frameCount;
            changed = true;
        }
    }
    return changed;
}

}  // namespace fh
